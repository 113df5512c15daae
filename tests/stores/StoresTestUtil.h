// Shared pieces of the settings store tests.
#pragma once

#include "LoopUtil.h"
#include "TestDevice.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace storestest {

// The watch face package and its colour band's preference.
const char kPackage[] = "com.korvane.clock-dalvexa";
const char kBandKey[] = "file/private/com.korvane.clock-dalvexa/clock_color_style";

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
    mkdir(stage.c_str(), 0755);
    std::ofstream(stage + "/manifest.xml")
        << "<manifest package='com.example.other' version='1.0'>"
           "<application id='com.example.other' exec='other' type='ui'/></manifest>";
    auto r = watchtest::Watchctl({"install", stage});
    ASSERT_EQ(r.status, 0) << r.err;
}

// Overwrites a database file with bytes that are no database, and drops its WAL.
inline void Corrupt(const std::string& path) {
    std::ofstream(path, std::ios::trunc) << std::string(12288, 'x');
    unlink((path + "-wal").c_str());
    unlink((path + "-shm").c_str());
}

} // namespace storestest
