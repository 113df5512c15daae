// Shared pieces of the settings store tests.
#pragma once

#include "LoopUtil.h"
#include "TestDevice.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <pthread.h>
#include <unistd.h>

#include <cstdio>

#include <string>
#include <vector>

namespace storestest {

// Holds Ecore for one test, so the main loop can run.
struct EcoreScope {
    EcoreScope() { ecore_init(); }
    ~EcoreScope() { ecore_shutdown(); }
};

// What a change callback saw, call by call.
struct Seen {
    std::string key;
    void* data = nullptr;
    bool onMainThread = false;
    int type = 0;
    int intValue = 0;
    std::string text;
};

inline bool OnMainThread() {
    static const pthread_t mainThread = pthread_self(); // first asked from the test body
    return pthread_equal(mainThread, pthread_self()) != 0;
}

// Waits, with the main loop running, until calls->size() reaches n.
inline bool WaitForCalls(const std::vector<Seen>& calls, size_t n, double timeout = 5.0) {
    return watchtest::RunLoopUntil([&] { return calls.size() >= n; }, timeout);
}

// A watch face package of another vendor, installed beside ours.
inline void InstallOtherPackage(const std::string& root) {
    const std::string stage = root + "/other-stage";
    watchtest::RunProcess({"/bin/mkdir", "-p", stage});
    FILE* f = fopen((stage + "/manifest.xml").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("<manifest package='com.example.other' version='1.0'>"
          "<application id='com.example.other' exec='other' type='ui'/></manifest>",
          f);
    fclose(f);
    auto r = watchtest::Watchctl({"install", stage});
    ASSERT_EQ(r.status, 0) << r.err;
}

// Overwrites a database file with bytes that are no database, and drops its WAL.
inline void Corrupt(const std::string& path) {
    FILE* f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr) << path;
    for (int i = 0; i < 512; ++i)
        fputs("this is not a database. ", f);
    fclose(f);
    unlink((path + "-wal").c_str());
    unlink((path + "-shm").c_str());
}

} // namespace storestest
