// Preferences: the package store of the running application, its errors and its change
// callbacks within the process, across processes, and not across packages.
#include "StoresTestUtil.h"
#include "app_preference.h"
#include "preference_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using storestest::EcoreScope;
using storestest::kBandKey;
using storestest::kPackage;
using storestest::Seen;
using storestest::WaitForCalls;
using watchtest::RunLoopFor;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

std::vector<Seen> gCalls;

void Record(const char* key, void* data) {
    Seen seen;
    seen.key = key;
    seen.data = data;
    seen.onMainThread = storestest::OnMainThread();
    gCalls.push_back(seen);
}

// Runs the test as the editor of the watch face package.
struct AsEditor {
    AsEditor() { setenv("WATCH_APP_ID", "com.korvane.clock-dalvexa.editor", 1); }
    ~AsEditor() { unsetenv("WATCH_APP_ID"); }
};

bool CollectUntilB(const char* key, void* data) {
    static_cast<std::vector<std::string>*>(data)->push_back(key);
    return strcmp(key, "b") != 0;
}

} // namespace

TEST(Preference, ThePackageComesFromTheApplicationIdAndValuesKeepTheirType) {
    TestDevice device;
    unsetenv("WATCH_APP_ID");
    EXPECT_EQ(preference_set_int("k", 1), PREFERENCE_ERROR_IO_ERROR);
    setenv("WATCH_APP_ID", "com.unknown.app", 1);
    EXPECT_EQ(preference_set_int("k", 1), PREFERENCE_ERROR_IO_ERROR);

    AsEditor editor;
    ASSERT_EQ(preference_set_int(kBandKey, 2), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(watch::preference::DatabasePath(kPackage), device.PackagePath("data/.preference.db"));
    // Every application of the package shares the store.
    auto r = Watchctl({"pref", kPackage, "get", kBandKey});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");
    setenv("WATCH_APP_ID", "com.korvane.clock-dalvexa.service", 1);
    int v = 0;
    EXPECT_EQ(preference_get_int(kBandKey, &v), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(preference_remove_all(), PREFERENCE_ERROR_NONE);

    int i = 99;
    EXPECT_EQ(preference_get_int("missing", &i), PREFERENCE_ERROR_NO_KEY);
    EXPECT_EQ(i, 99);
    bool exists = true;
    EXPECT_EQ(preference_is_existing("missing", &exists), PREFERENCE_ERROR_NONE);
    EXPECT_FALSE(exists);

    ASSERT_EQ(preference_set_int("i", 7), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_boolean("tarquil_pref_tutorial_done", true), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_double("d", -0.25), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_string("s", "text"), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(preference_is_existing("i", &exists), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(exists);

    // (Typed values round trip in the store beneath: VconfTest.)
    bool b = false;
    EXPECT_EQ(preference_get_boolean("tarquil_pref_tutorial_done", &b), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(b);
    char* s = nullptr;
    ASSERT_EQ(preference_get_string("s", &s), PREFERENCE_ERROR_NONE);
    EXPECT_STREQ(s, "text");
    free(s);

    EXPECT_EQ(preference_get_boolean("i", &b), PREFERENCE_ERROR_TYPE_MISMATCH);
    EXPECT_EQ(preference_get_int("s", &i), PREFERENCE_ERROR_TYPE_MISMATCH);
    EXPECT_EQ(preference_get_int(nullptr, &i), PREFERENCE_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(preference_get_int("", &i), PREFERENCE_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(preference_get_int("i", nullptr), PREFERENCE_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(preference_set_string("s", nullptr), PREFERENCE_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(preference_foreach_item(nullptr, nullptr), PREFERENCE_ERROR_INVALID_PARAMETER);

    std::vector<std::string> keys;
    EXPECT_EQ(preference_foreach_item(CollectUntilB, &keys), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(keys, (std::vector<std::string>{"d", "i", "s", "tarquil_pref_tutorial_done"}));
    ASSERT_EQ(preference_set_int("b", 1), PREFERENCE_ERROR_NONE);
    keys.clear();
    EXPECT_EQ(preference_foreach_item(CollectUntilB, &keys), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(keys, (std::vector<std::string>{"b"})); // false stops the walk

    EXPECT_EQ(preference_remove("i"), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(preference_remove("i"), PREFERENCE_ERROR_NO_KEY);
    EXPECT_EQ(preference_remove_all(), PREFERENCE_ERROR_NONE);
    double d = 0;
    EXPECT_EQ(preference_get_double("d", &d), PREFERENCE_ERROR_NO_KEY);
}

TEST(PreferenceNotify, ChangesOfThisAndOtherProcessesArriveOnceNotThoseOfOtherPackages) {
    TestDevice device;
    storestest::InstallOtherPackage(device.Root());
    device.Boot();
    AsEditor editor;
    EcoreScope ecore;
    storestest::OnMainThread();
    int tag = 0;
    gCalls.clear();
    ASSERT_EQ(preference_set_int(kBandKey, 0), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_changed_cb(kBandKey, Record, &tag), PREFERENCE_ERROR_NONE);

    // The same key in another package's store is another setting.
    auto r = Watchctl({"pref", "com.example.other", "set", kBandKey, "2", "--type", "int"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Watchctl({"pref", kPackage, "set", kBandKey, "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(WaitForCalls(gCalls, 1));
    EXPECT_EQ(gCalls[0].key, kBandKey);
    EXPECT_EQ(gCalls[0].data, &tag);
    EXPECT_TRUE(gCalls[0].onMainThread);
    int v = 0;
    EXPECT_EQ(preference_get_int(kBandKey, &v), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(v, 3);

    ASSERT_EQ(preference_set_int(kBandKey, 3), PREFERENCE_ERROR_NONE); // no change
    ASSERT_EQ(preference_set_int(kBandKey, 4), PREFERENCE_ERROR_NONE);
    ASSERT_TRUE(WaitForCalls(gCalls, 2));
    RunLoopFor(0.3);
    EXPECT_EQ(gCalls.size(), 2u);

    // A second set replaces the callback's user data.
    int other = 0;
    ASSERT_EQ(preference_set_changed_cb(kBandKey, Record, &other), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_int(kBandKey, 1), PREFERENCE_ERROR_NONE);
    ASSERT_TRUE(WaitForCalls(gCalls, 3));
    RunLoopFor(0.2);
    ASSERT_EQ(gCalls.size(), 3u);
    EXPECT_EQ(gCalls[2].data, &other);
}
