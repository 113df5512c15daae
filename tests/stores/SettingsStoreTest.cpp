// The SQLite engine under vconf and preferences: values, durability, concurrency and
// damaged files.
#include "LogCapture.h"
#include "StoresTestUtil.h"
#include "TestDevice.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

using watch::settings::Item;
using watch::settings::Status;
using watch::settings::Store;
using watch::settings::Type;
using watch::settings::Value;
using watchtest::TestDevice;

namespace {

std::unique_ptr<Store> MakeStore(const std::string& path) {
    return std::unique_ptr<Store>(new Store(path, "test", "TEST-STORE", "reset the test store"));
}

} // namespace

TEST(SettingsStore, TypedValuesRoundTripAndOnlyRealChangesCount) {
    TestDevice device(false);
    auto store = MakeStore(device.Root() + "/deep/folder/test.db"); // folders are made
    bool changed = false;
    EXPECT_EQ(store->Set("i", Value::Int(-7), &changed), Status::Ok);
    EXPECT_TRUE(changed);
    EXPECT_EQ(store->Set("b", Value::Bool(true)), Status::Ok);
    EXPECT_EQ(store->Set("d", Value::Double(0.1)), Status::Ok);
    EXPECT_EQ(store->Set("s", Value::String("two\nlines\t\xc3\xa9")), Status::Ok);

    Value v;
    ASSERT_EQ(store->Get("i", &v), Status::Ok);
    EXPECT_EQ(v, Value::Int(-7));
    ASSERT_EQ(store->Get("d", &v), Status::Ok);
    EXPECT_EQ(v.d, 0.1); // bit for bit
    EXPECT_EQ(v.Text(), "0.1");
    EXPECT_EQ(store->Get("missing", &v), Status::NoKey);

    EXPECT_EQ(store->Set("i", Value::Int(-7), &changed), Status::Ok);
    EXPECT_FALSE(changed);
    EXPECT_EQ(store->Set("i", Value::Bool(true), &changed), Status::Ok); // same number, new type
    EXPECT_TRUE(changed);
    EXPECT_EQ(store->Set("x", Value::Double(std::nan("")), &changed), Status::BadValue);
    EXPECT_EQ(store->Set("x", Value(), &changed), Status::BadValue);
    EXPECT_EQ(store->Get("x", &v), Status::NoKey);

    std::vector<Item> items;
    ASSERT_EQ(store->List(&items), Status::Ok);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].key, "b"); // in key order
    EXPECT_EQ(items[3].key, "s");
    EXPECT_EQ(store->Remove("b"), Status::Ok);
    EXPECT_EQ(store->Remove("b"), Status::NoKey);
    EXPECT_EQ(store->Get("b", &v), Status::NoKey);
}

TEST(SettingsStore, PrefixesAndOncePerBootClearing) {
    TestDevice device(false);
    auto store = MakeStore(device.Root() + "/test.db");
    for (const char* key : {"memory/a", "memory/b", "memoryless", "db/c", "memory%/_x"})
        ASSERT_EQ(store->Set(key, Value::Int(1)), Status::Ok);
    std::vector<Item> items;
    ASSERT_EQ(store->List(&items, "memory/"), Status::Ok);
    EXPECT_EQ(items.size(), 2u); // no LIKE wildcards in prefixes
    ASSERT_EQ(store->List(&items, "memory%/"), Status::Ok);
    EXPECT_EQ(items.size(), 1u);

    bool cleared = false;
    EXPECT_EQ(store->ClearOncePerBoot("memory/", "boot-1", &cleared), Status::Ok);
    EXPECT_TRUE(cleared);
    ASSERT_EQ(store->List(&items), Status::Ok);
    EXPECT_EQ(items.size(), 3u);
    ASSERT_EQ(store->Set("memory/a", Value::Int(2)), Status::Ok);
    EXPECT_EQ(store->ClearOncePerBoot("memory/", "boot-1", &cleared), Status::Ok);
    EXPECT_FALSE(cleared); // the same boot again
    Value v;
    EXPECT_EQ(store->Get("memory/a", &v), Status::Ok);
    EXPECT_EQ(store->ClearOncePerBoot("memory/", "boot-2", &cleared), Status::Ok);
    EXPECT_TRUE(cleared);
    EXPECT_EQ(store->Get("memory/a", &v), Status::NoKey);

    size_t removed = 0;
    EXPECT_EQ(store->RemovePrefix("", &removed), Status::Ok);
    EXPECT_EQ(removed, 3u);
}

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

TEST(SettingsStore, UnusablePathsAndForeignRowsNeverCrash) {
    TestDevice device(false);
    watchtest::LogCapture log;
    mkdir((device.Root() + "/dir.db").c_str(), 0755);
    auto dir = MakeStore(device.Root() + "/dir.db"); // a folder where the file should be
    Value v;
    EXPECT_EQ(dir->Get("k", &v), Status::Io);
    EXPECT_EQ(dir->Set("k", Value::Int(1)), Status::Io);
    EXPECT_EQ(log.Messages("TEST-STORE").size(), 2u) << log.Dump();

    // A row written by someone else with a type this store does not know.
    const std::string path = device.Root() + "/foreign.db";
    auto store = MakeStore(path);
    ASSERT_EQ(store->Set("ok", Value::Int(1)), Status::Ok);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "INSERT INTO settings(key, type, value) VALUES('odd', 'blob', x'00');"
                           "INSERT INTO settings(key, type, value) VALUES('big', 'int', 1e300);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    log.Clear();
    EXPECT_EQ(store->Get("odd", &v), Status::Io);
    EXPECT_EQ(log.Count("unknown type \"blob\""), 1) << log.Dump();
    ASSERT_EQ(store->Get("big", &v), Status::Ok);
    EXPECT_EQ(v.i, std::numeric_limits<int>::max()); // clamped, not wrapped
    std::vector<Item> items;
    ASSERT_EQ(store->List(&items), Status::Ok);
    EXPECT_EQ(items.size(), 2u); // "big" and "ok": the foreign row is left out
    EXPECT_EQ(store->Set("odd", Value::Int(2)), Status::Ok); // and can be overwritten
    ASSERT_EQ(store->Get("odd", &v), Status::Ok);
    EXPECT_EQ(v.i, 2);
}
