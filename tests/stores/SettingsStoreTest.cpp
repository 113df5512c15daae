// The SQLite engine under vconf and preferences: values, durability, concurrency and
// damaged files.
#include "LogCapture.h"
#include "StoresTestUtil.h"
#include "TestDevice.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <limits>
#include <memory>

using watch::settings::Item;
using watch::settings::Status;
using watch::settings::Store;
using watch::settings::Value;
using watchtest::TestDevice;

namespace {

std::unique_ptr<Store> MakeStore(const std::string& path) {
    return std::unique_ptr<Store>(new Store(path, "test", "TEST-STORE", "reset the test store"));
}

} // namespace

// (Typed values and what counts as a change: VconfTest and PreferenceTest, through the
// calls on top of this store.)
// (Clearing the volatile keys once per boot: VconfBoot.)
TEST(SettingsStore, SeveralProcessesWritingAtOnceAllSucceed) {
    TestDevice device(false);
    const std::string path = device.Root() + "/shared.db";
    const int kProcesses = 6, kWrites = 150;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            auto store = MakeStore(path); // each opens (and may create) the database
            for (int i = 0; i < kWrites; ++i) {
                if (store->Set("own/" + std::to_string(p) + "/" + std::to_string(i),
                               Value::Int(i)) != Status::Ok ||
                    store->Set("shared", Value::Int(p * 1000 + i)) != Status::Ok)
                    _exit(1);
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer failed: " << status;
    }
    auto store = MakeStore(path);
    std::vector<Item> items;
    ASSERT_EQ(store->List(&items, "own/"), Status::Ok);
    EXPECT_EQ(items.size(), size_t(kProcesses * kWrites));
    Value v;
    ASSERT_EQ(store->Get("shared", &v), Status::Ok);
    EXPECT_EQ(v.i % 1000, kWrites - 1); // some writer's last write
}

TEST(SettingsStore, PrefixesAreNoPatternsAndUnusablePathsAndForeignRowsNeverCrash) {
    TestDevice device(false);
    auto store = MakeStore(device.Root() + "/deep/folder/test.db"); // folders are made
    for (const char* key : {"memory/a", "memory/b", "memoryless", "db/c", "memory%/_x"})
        ASSERT_EQ(store->Set(key, Value::Int(1)), Status::Ok);
    std::vector<Item> items;
    ASSERT_EQ(store->List(&items, "memory/"), Status::Ok);
    EXPECT_EQ(items.size(), 2u); // no LIKE wildcards in prefixes
    ASSERT_EQ(store->List(&items, "memory%/"), Status::Ok);
    EXPECT_EQ(items.size(), 1u);
    size_t removed = 0;
    EXPECT_EQ(store->RemovePrefix("memory/", &removed), Status::Ok);
    EXPECT_EQ(removed, 2u);

    watchtest::LogCapture log;
    mkdir((device.Root() + "/dir.db").c_str(), 0755);
    auto dir = MakeStore(device.Root() + "/dir.db"); // a folder where the file should be
    Value v;
    EXPECT_EQ(dir->Get("k", &v), Status::Io);
    EXPECT_EQ(dir->Set("k", Value::Int(1)), Status::Io);

    // A row written by someone else with a type this store does not know.
    const std::string path = device.Root() + "/foreign.db";
    auto foreign = MakeStore(path);
    ASSERT_EQ(foreign->Set("ok", Value::Int(1)), Status::Ok);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "INSERT INTO settings(key, type, value) VALUES('odd', 'blob', x'00');"
                           "INSERT INTO settings(key, type, value) VALUES('big', 'int', 1e300);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(foreign->Get("odd", &v), Status::Io);
    EXPECT_EQ(log.Count("unknown type \"blob\""), 1) << log.Dump();
    ASSERT_EQ(foreign->Get("big", &v), Status::Ok);
    EXPECT_EQ(v.i, std::numeric_limits<int>::max()); // clamped, not wrapped
    ASSERT_EQ(foreign->List(&items), Status::Ok);
    EXPECT_EQ(items.size(), 2u); // "big" and "ok": the foreign row is left out
    EXPECT_EQ(foreign->Set("odd", Value::Int(2)), Status::Ok); // and can be overwritten
    ASSERT_EQ(foreign->Get("odd", &v), Status::Ok);
    EXPECT_EQ(v.i, 2);
}
