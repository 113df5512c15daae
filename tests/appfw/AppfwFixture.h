// A test device with the package "test.appfw" installed, and the means to talk to its
// applications: launch requests from this process (appstest's), the device log by process.
#pragma once

#include "AppsTestUtil.h"
#include "LoopUtil.h"
#include "TestDevice.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

namespace appfwtest {

constexpr const char* kUi = "test.appfw.ui";
constexpr const char* kUi2 = "test.appfw.ui2";
constexpr const char* kService = "test.appfw.service";
constexpr const char* kOddService = "test.appfw.9_odd service";

using appstest::CountLog;
using appstest::Reply;
using appstest::WaitForLog;
using Extras = std::vector<std::pair<std::string, std::string>>;

class AppfwTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ecore_app_no_system_modules();
        ecore_init();
        mDevice = std::make_unique<watchtest::TestDevice>(false);
    }
    void TearDown() override {
        appstest::ForgetLaunches(); // no reply callback runs after this
        mDevice.reset();            // its applications end, then its bus
        ecore_shutdown();
    }

    // Installs the test package, and boots the device unless boot is false.
    void Prepare(bool boot = true) {
        auto r = watchtest::Watchctl({"install", APPFW_TEST_STAGE});
        ASSERT_EQ(r.status, 0) << r.err;
        if (boot)
            mDevice->Boot();
    }

    // Sends a request and runs the loop until its reply callback ran.
    std::shared_ptr<Reply> Launch(const std::string& appId, const Extras& extras = {}) {
        auto reply = appstest::Launch(appId, extras);
        EXPECT_TRUE(reply->called) << "no reply from " << appId;
        return reply;
    }
    // The pid the test application puts in its answers.
    int LaunchPid(const std::string& appId, const Extras& extras = {}) {
        return atoi(Launch(appId, extras)->extras["pid"].c_str());
    }

    // Messages of the test applications ("APPFW-TEST") of one process, in order.
    std::vector<std::string> AppLines(int pid) const {
        std::vector<std::string> lines;
        for (const watchtest::LogEntry& e : appstest::DeviceLog("APPFW-TEST", pid))
            lines.push_back(e.message);
        return lines;
    }
    // The lifecycle calls of a process, in order: "create app_control resume ...".
    std::string Order(int pid) const {
        std::string out;
        for (const std::string& line : AppLines(pid)) {
            const std::string word = line.substr(0, line.find(' '));
            for (const char* call : {"create", "app_control", "resume", "pause", "terminate"})
                if (word == call)
                    out += (out.empty() ? "" : " ") + word;
        }
        return out;
    }
    // Pids of the processes that logged "create".
    std::vector<int> CreatedPids() const {
        std::vector<int> pids;
        for (const watchtest::LogEntry& e : appstest::DeviceLog("APPFW-TEST"))
            if (e.message == "create")
                pids.push_back(e.pid);
        return pids;
    }
    std::string ProgramPath(const char* program) const {
        return mDevice->Root() + "/apps/test.appfw/bin/" + program;
    }
    // Running, and not a zombie the bus daemon has not reaped yet.
    static bool Alive(int pid) {
        if (pid <= 0 || kill(pid, 0) != 0)
            return false;
        const std::string stat = watchtest::ReadFile("/proc/" + std::to_string(pid) + "/stat");
        const size_t paren = stat.rfind(')');
        return paren == std::string::npos || paren + 2 >= stat.size() || stat[paren + 2] != 'Z';
    }
    static bool WaitForExit(int pid) {
        return watchtest::RunLoopUntil([&] { return !Alive(pid); }, 10);
    }

    std::unique_ptr<watchtest::TestDevice> mDevice;
};

} // namespace appfwtest
