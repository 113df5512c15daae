// vconf: keys and types, change callbacks within and across processes, volatile keys,
// a damaged database.
#include "LogCapture.h"
#include "StoresTestUtil.h"
#include "vconf.h"
#include "vconf_store.h"
#include "watch_bus.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

using storestest::EcoreScope;
using storestest::Seen;
using storestest::WaitForCalls;
using watchtest::RunLoopFor;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

// A key nothing on the booted device watches: the idle clock, for one, answers a 1 in
// db/setting/idle_clock_show a second later with a write of its own.
const char kKey[] = "db/t/notified";

std::vector<Seen> gCalls;

void Record(keynode_t* node, void* data) {
    Seen seen;
    seen.key = vconf_keynode_get_name(node);
    seen.data = data;
    seen.onMainThread = storestest::OnMainThread();
    seen.type = vconf_keynode_get_type(node);
    if (seen.type == VCONF_TYPE_INT)
        seen.intValue = vconf_keynode_get_int(node);
    if (seen.type == VCONF_TYPE_STRING)
        seen.text = vconf_keynode_get_str(node);
    gCalls.push_back(seen);
}

} // namespace

TEST(Vconf, KeysNeedAPrefixAndValuesKeepTheirType) {
    TestDevice device(false);
    for (const char* bad : {"", "db/", "dbx/a", "/db/a", "setting/a", "memory"})
        EXPECT_EQ(vconf_set_int(bad, 1), VCONF_ERROR_WRONG_PREFIX) << bad;
    EXPECT_EQ(vconf_set_int(nullptr, 1), VCONF_ERROR_WRONG_PREFIX);
    EXPECT_EQ(vconf_set_str("db/a\nb", "x"), VCONF_ERROR_WRONG_PREFIX);
    EXPECT_EQ(vconf_set_str("db/\xff", "x"), VCONF_ERROR_WRONG_PREFIX); // not UTF-8
    EXPECT_EQ(vconf_get_str("nope/a"), nullptr);

    ASSERT_EQ(vconf_set_int("db/t/int", -3), VCONF_OK);
    ASSERT_EQ(vconf_set_bool("file/t/bool", 5), VCONF_OK); // any non-zero is true
    ASSERT_EQ(vconf_set_dbl("memory/t/dbl", 0.1), VCONF_OK);
    ASSERT_EQ(vconf_set_str("db/t/str", "ko_KR.UTF-8"), VCONF_OK);
    EXPECT_EQ(vconf_set_str("db/t/str2", nullptr), VCONF_ERROR_WRONG_VALUE);
    EXPECT_EQ(vconf_set_dbl("db/t/nan", std::nan("")), VCONF_ERROR_WRONG_VALUE);

    int i = 99;
    EXPECT_EQ(vconf_get_int("db/t/int", &i), VCONF_OK);
    EXPECT_EQ(i, -3);
    int b = 99;
    EXPECT_EQ(vconf_get_bool("file/t/bool", &b), VCONF_OK);
    EXPECT_EQ(b, 1);
    double d = 0;
    EXPECT_EQ(vconf_get_dbl("memory/t/dbl", &d), VCONF_OK);
    EXPECT_EQ(d, 0.1); // bit for bit
    char* s = vconf_get_str("db/t/str");
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "ko_KR.UTF-8");
    free(s); // newly allocated for the caller

    // Missing and mistyped keys are errors that leave the output alone, never a zero.
    i = 99;
    EXPECT_EQ(vconf_get_int("db/t/missing", &i), VCONF_ERROR_NO_KEY);
    EXPECT_EQ(i, 99);
    EXPECT_EQ(vconf_get_int("db/t/str", &i), VCONF_ERROR_WRONG_TYPE);
    EXPECT_EQ(vconf_get_dbl("db/t/int", &d), VCONF_ERROR_WRONG_TYPE);
    EXPECT_EQ(vconf_get_str("db/t/int"), nullptr);
    EXPECT_EQ(i, 99);
    EXPECT_EQ(vconf_get_int("db/t/int", nullptr), VCONF_ERROR_WRONG_VALUE);

    // A set may change a key's type, also to the same number.
    ASSERT_EQ(vconf_set_bool("db/t/int", 1), VCONF_OK);
    ASSERT_EQ(vconf_set_int("db/t/int", 1), VCONF_OK);
    EXPECT_EQ(vconf_get_bool("db/t/int", &b), VCONF_ERROR_WRONG_TYPE);

    EXPECT_EQ(vconf_unset("db/t/int"), VCONF_OK);
    EXPECT_EQ(vconf_unset("db/t/int"), VCONF_ERROR_NO_KEY);
    EXPECT_EQ(vconf_get_int("db/t/int", &i), VCONF_ERROR_NO_KEY);
    EXPECT_EQ(watch::vconf::DatabasePath(), device.Root() + "/settings/vconf.db");
}

TEST(VconfNotify, ChangesOfThisAndOtherProcessesArriveOnceOnTheMainLoop) {
    TestDevice device;
    device.Boot(); // with a bus, the signal of the own write must not count twice
    EcoreScope ecore;
    storestest::OnMainThread();
    int tag = 0;
    gCalls.clear();
    ASSERT_EQ(vconf_notify_key_changed(kKey, Record, &tag), VCONF_OK);
    ASSERT_EQ(vconf_notify_key_changed("db/t/text", Record, &tag), VCONF_OK);
    ASSERT_EQ(vconf_set_int(kKey, 1), VCONF_OK);
    EXPECT_TRUE(gCalls.empty()); // not from inside the write
    ASSERT_TRUE(WaitForCalls(gCalls, 1));
    ASSERT_EQ(vconf_set_int(kKey, 2), VCONF_OK);
    ASSERT_TRUE(WaitForCalls(gCalls, 2));
    // Another process; writing the same value again changes nothing, and tells nobody.
    const struct {
        std::vector<std::string> args;
        size_t calls; // after it
    } steps[] = {{{"vconf", "set", kKey, "0"}, 3},
                 {{"vconf", "set", kKey, "0"}, 3},
                 {{"vconf", "set", "db/t/text", "hello world", "--type", "string"}, 4},
                 {{"vconf", "unset", kKey}, 5}};
    for (const auto& step : steps) {
        auto r = Watchctl(step.args);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(WaitForCalls(gCalls, step.calls)) << step.args[2];
    }
    RunLoopFor(0.3);
    ASSERT_EQ(gCalls.size(), 5u);
    const struct {
        const char* key;
        int type;
        int value;
        const char* text;
    } expected[] = {{kKey, VCONF_TYPE_INT, 1, ""},
                    {kKey, VCONF_TYPE_INT, 2, ""},
                    {kKey, VCONF_TYPE_INT, 0, ""},
                    {"db/t/text", VCONF_TYPE_STRING, 0, "hello world"},
                    // Removal: a node without a value, which never reads as 0.
                    {kKey, VCONF_TYPE_NONE, 0, ""}};
    for (size_t i = 0; i < gCalls.size(); ++i) {
        EXPECT_EQ(gCalls[i].key, expected[i].key) << i;
        EXPECT_EQ(gCalls[i].data, &tag) << i;
        EXPECT_TRUE(gCalls[i].onMainThread) << i;
        EXPECT_EQ(gCalls[i].type, expected[i].type) << i;
        EXPECT_EQ(gCalls[i].intValue, expected[i].value) << i;
        EXPECT_EQ(gCalls[i].text, expected[i].text) << i;
    }

    // A forked child writes without the parent's bus connection, which stays intact.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(vconf_set_int(kKey, 7) == VCONF_OK ? 0 : 1);
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    int v = 0;
    EXPECT_EQ(vconf_get_int(kKey, &v), VCONF_OK);
    EXPECT_EQ(v, 7);
    EXPECT_NE(watchtest::ReadFile(device.Root() + "/log/watch.log").find("forked process"),
              std::string::npos);
    auto r = Watchctl({"vconf", "set", kKey, "8"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(
        watchtest::RunLoopUntil([] { return !gCalls.empty() && gCalls.back().intValue == 8; }));
}

// Boot starts the device's own bus and empties the memory keys; booting again keeps both.
TEST(VconfBoot, MemoryKeysAreEmptiedAtEveryBootOnly) {
    TestDevice device;
    EXPECT_EQ(watch::bus::Address(), ""); // no bus yet
    ASSERT_EQ(vconf_set_int("memory/system/timechanged", 1), VCONF_OK);
    ASSERT_EQ(vconf_set_int("db/setting/kept", 1), VCONF_OK);
    device.Boot();
    const std::string address = watch::bus::Address();
    ASSERT_NE(address, "");
    EXPECT_EQ(watchtest::ReadFile(device.Root() + "/run/bus.address"), address + "\n");
    int v = 0;
    EXPECT_EQ(vconf_get_int("memory/system/timechanged", &v), VCONF_ERROR_NO_KEY);
    EXPECT_EQ(vconf_get_int("db/setting/kept", &v), VCONF_OK);

    ASSERT_EQ(vconf_set_int("memory/system/timechanged", 2), VCONF_OK);
    auto again = Watchctl({"boot"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(vconf_get_int("memory/system/timechanged", &v), VCONF_OK);
    EXPECT_EQ(watch::bus::Address(), address);

    device.Shutdown();
    EXPECT_EQ(watch::bus::Address(), "");
    EXPECT_EQ(Watchctl({"shutdown"}).status, 0); // nothing to stop is fine
    device.Boot();
    EXPECT_EQ(vconf_get_int("memory/system/timechanged", &v), VCONF_ERROR_NO_KEY);
    EXPECT_EQ(vconf_get_int("db/setting/kept", &v), VCONF_OK);
}

TEST(VconfStore, ADamagedDatabaseGivesAnErrorAndOneLineUntilReset) {
    TestDevice device(false);
    auto r = Watchctl({"vconf", "set", "db/a", "1", "--type", "int"});
    ASSERT_EQ(r.status, 0) << r.err;
    storestest::Corrupt(watch::vconf::DatabasePath());

    watchtest::LogCapture log;
    int v = 0;
    EXPECT_EQ(vconf_get_int("db/a", &v), VCONF_ERROR_FILE);
    ASSERT_EQ(log.Messages("WATCH-VCONF").size(), 1u) << log.Dump();
    EXPECT_NE(log.Messages("WATCH-VCONF")[0].find("watchctl vconf reset"), std::string::npos);
    EXPECT_EQ(vconf_set_int("db/a", 2), VCONF_ERROR_FILE);
    EXPECT_EQ(vconf_get_str("db/a"), nullptr);

    r = Watchctl({"vconf", "get", "db/a"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a database"), std::string::npos) << r.err;
    r = Watchctl({"vconf", "reset"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(vconf_get_int("db/a", &v), VCONF_ERROR_NO_KEY);
    EXPECT_EQ(vconf_set_int("db/a", 3), VCONF_OK);
    EXPECT_EQ(vconf_get_int("db/a", &v), VCONF_OK);
    EXPECT_EQ(v, 3);
}
