// System settings: the language callback, fed by vconf changes of any process.
#include "StoresTestUtil.h"
#include "system_settings.h"
#include "vconf.h"

#include <gtest/gtest.h>

#include <cstdlib>

using storestest::EcoreScope;
using watchtest::RunLoopFor;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

struct LanguageCall {
    system_settings_key_e key;
    void* data;
    bool onMainThread;
};
std::vector<LanguageCall> gCalls;

void OnLanguage(system_settings_key_e key, void* data) {
    gCalls.push_back({key, data, storestest::OnMainThread()});
}

} // namespace

TEST(SystemSettings, ALanguageChangeCallsBackOnTheMainLoop) {
    TestDevice device;
    device.Boot();
    EcoreScope ecore;
    storestest::OnMainThread();
    gCalls.clear();
    const auto unknown = static_cast<system_settings_key_e>(99);
    const auto language = SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE;
    char* value = nullptr;
    EXPECT_EQ(system_settings_get_value_string(language, &value),
              SYSTEM_SETTINGS_ERROR_IO_ERROR); // nothing stored yet
    EXPECT_EQ(system_settings_get_value_string(SYSTEM_SETTINGS_KEY_TIME_CHANGED, &value),
              SYSTEM_SETTINGS_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(system_settings_get_value_string(unknown, &value),
              SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(system_settings_get_value_string(language, nullptr),
              SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(system_settings_set_changed_cb(unknown, OnLanguage, nullptr),
              SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(system_settings_set_changed_cb(language, nullptr, nullptr),
              SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(system_settings_unset_changed_cb(language), SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER);
    int tag = 0;
    ASSERT_EQ(system_settings_set_changed_cb(language, OnLanguage, &tag),
              SYSTEM_SETTINGS_ERROR_NONE);

    auto r = Watchctl({"lang", "ko_KR.UTF-8"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(watchtest::RunLoopUntil([] { return gCalls.size() == 1; }));
    EXPECT_EQ(gCalls[0].key, language);
    EXPECT_EQ(gCalls[0].data, &tag);
    EXPECT_TRUE(gCalls[0].onMainThread);
    ASSERT_EQ(system_settings_get_value_string(language, &value), SYSTEM_SETTINGS_ERROR_NONE);
    EXPECT_STREQ(value, "ko_KR.UTF-8");
    free(value);

    // A change made in this process is one too.
    ASSERT_EQ(vconf_set_str("db/menu_widget/language", "en_US.UTF-8"), VCONF_OK);
    ASSERT_TRUE(watchtest::RunLoopUntil([] { return gCalls.size() == 2; }));
    EXPECT_EQ(system_settings_unset_changed_cb(language), SYSTEM_SETTINGS_ERROR_NONE);
    ASSERT_EQ(vconf_set_str("db/menu_widget/language", "fr_FR.UTF-8"), VCONF_OK);
    RunLoopFor(0.3);
    EXPECT_EQ(gCalls.size(), 2u);
}
