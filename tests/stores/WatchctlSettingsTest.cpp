// `watchctl vconf`, `watchctl pref` and `watchctl lang` as a shell user meets them.
#include "StoresTestUtil.h"

#include <gtest/gtest.h>

#include <signal.h>

using storestest::kBandKey;
using storestest::kPackage;
using watchtest::BackgroundProcess;
using watchtest::ProcessResult;
using watchtest::TestDevice;
using watchtest::Watchctl;

// A key nothing on the booted device watches (the idle clock writes idle_clock_show back).
static const char kKey[] = "db/t/watched";

TEST(WatchctlVconf, GetSetUnsetListAndUsageErrors) {
    TestDevice device(false);
    EXPECT_EQ(Watchctl({"vconf", "set", kKey, "1", "--type", "int"}).status, 0);
    ProcessResult r = Watchctl({"vconf", "get", kKey});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n");
    EXPECT_EQ(Watchctl({"vconf", "set", kKey, "-5"}).status, 0); // the key keeps its type
    EXPECT_EQ(Watchctl({"vconf", "get", kKey, "--type=int"}).out, "-5\n");
    EXPECT_EQ(Watchctl({"vconf", "set", "--type", "bool", "db/b", "on"}).status, 0);
    EXPECT_EQ(Watchctl({"vconf", "set", "db/d", "0.25", "-t", "double"}).status, 0);
    EXPECT_EQ(Watchctl({"vconf", "set", "db/s", "two\nlines", "--type", "string"}).status, 0);
    EXPECT_EQ(Watchctl({"vconf", "get", "db/b"}).out, "true\n");
    EXPECT_EQ(Watchctl({"vconf", "get", "db/s"}).out, "two\nlines\n"); // raw for get

    r = Watchctl({"vconf", "list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "db/b\tbool\ttrue\n"
                     "db/d\tdouble\t0.25\n"
                     "db/s\tstring\ttwo\\nlines\n"
                     "db/t/watched\tint\t-5\n");
    EXPECT_EQ(Watchctl({"vconf", "list", "db/t/"}).out, "db/t/watched\tint\t-5\n");
    EXPECT_EQ(Watchctl({"vconf", "list", "--type", "bool"}).out, "db/b\tbool\ttrue\n");

    EXPECT_EQ(Watchctl({"vconf", "unset", kKey}).status, 0);
    r = Watchctl({"vconf", "get", kKey});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no such key"), std::string::npos) << r.err;
    EXPECT_EQ(Watchctl({"vconf", "unset", kKey}).status, 1);
    r = Watchctl({"vconf", "get", "db/s", "--type", "int"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is of type string, not int"), std::string::npos) << r.err;

    // Usage errors exit with 2 and a reason, and write nothing.
    struct {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{"vconf"}, "no action"},
        {{"vconf", "get"}, "get takes one KEY"},
        {{"vconf", "get", "setting/x"}, "not a key"},
        {{"vconf", "set", "db/new", "1"}, "give its --type"},
        {{"vconf", "set", "db/new", "abc", "--type", "int"}, "not an int"},
        {{"vconf", "set", "db/new", "nan", "--type", "double"}, "not a double"},
        {{"vconf", "set", "db/new", "1", "--type", "long"}, "unknown type"},
        {{"vconf", "list", "--verbose"}, "unknown option"},
        {{"pref"}, "no PACKAGE"},
        {{"pref", "../etc", "list"}, "not a package id"},
        {{"lang", "Korean please"}, "not a locale"},
    };
    for (const auto& c : cases) {
        r = Watchctl(c.args);
        EXPECT_EQ(r.status, 2) << c.args.back();
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(Watchctl({"vconf", "get", "db/new"}).status, 1); // nothing was written

    for (const char* command : {"vconf", "pref", "lang"})
        EXPECT_EQ(Watchctl({command, "--help"}).out.rfind("Usage: watchctl ", 0), 0u) << command;
    r = Watchctl({"pref", "com.example.absent", "list"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not installed"), std::string::npos) << r.err;
}

// What a developer does by hand: watch in one shell, set in another.
TEST(WatchctlVconf, WatchPrintsEachChangeOfAnotherProcessAsItComes) {
    TestDevice device;
    device.Boot();
    BackgroundProcess watcher({WATCHCTL_PATH, "vconf", "watch", kKey});
    ASSERT_TRUE(watcher.WaitForError("watching " + std::string(kKey))) << watcher.Err();
    ASSERT_EQ(Watchctl({"vconf", "set", kKey, "0", "--type", "int"}).status, 0);
    EXPECT_TRUE(watcher.WaitForOutput(std::string(kKey) + "\tint\t0\n")) << watcher.Err();
    ASSERT_EQ(Watchctl({"vconf", "set", kKey, "0"}).status, 0);                    // no change
    ASSERT_EQ(Watchctl({"vconf", "set", "db/other", "1", "-t", "int"}).status, 0); // other key
    ASSERT_EQ(Watchctl({"vconf", "set", kKey, "1"}).status, 0);
    // The news carries no value: the watcher reads it back, so the next change waits.
    EXPECT_TRUE(watcher.WaitForOutput(std::string(kKey) + "\tint\t1\n"));
    ASSERT_EQ(Watchctl({"vconf", "unset", kKey}).status, 0);
    EXPECT_TRUE(watcher.WaitForOutput(std::string(kKey) + "\tunset\n"));
    EXPECT_EQ(watcher.Stop(SIGTERM), 0);
    EXPECT_EQ(watcher.Out(), "db/t/watched\tint\t0\n"
                             "db/t/watched\tint\t1\n"
                             "db/t/watched\tunset\n");

    // `pref` shares the actions of `vconf`; its changes reaching others: PreferenceNotify.
    ASSERT_EQ(Watchctl({"pref", kPackage, "set", kBandKey, "2", "--type", "int"}).status, 0);
    EXPECT_EQ(Watchctl({"pref", kPackage, "list"}).out, std::string(kBandKey) + "\tint\t2\n");
    ProcessResult r = Watchctl({"pref", kPackage, "reset"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "reset " + device.PackagePath("data/.preference.db") + "\n");
    EXPECT_EQ(Watchctl({"pref", kPackage, "list"}).out, "");
}
