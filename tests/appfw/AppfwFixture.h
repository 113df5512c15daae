// A booted test device with the package "test.appfw" installed, and the means to talk to
// its applications: launch requests from this process, the device log, processes.
#pragma once

#include "TestDevice.h"
#include "app_control.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace appfwtest {

constexpr const char* kUi = "test.appfw.ui";
constexpr const char* kUi2 = "test.appfw.ui2";
constexpr const char* kService = "test.appfw.service";
constexpr const char* kOddService = "test.appfw.9_odd service";

using watchtest::LogEntry;

// What came back to a reply callback.
struct Reply {
    bool called = false;
    app_control_result_e result = APP_CONTROL_RESULT_APP_STARTED;
    bool hasReply = false;
    std::map<std::string, std::string> extras;
    double seconds = 0; // from the send to the callback
};

class AppfwTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Installs the test package (and boots the device unless boot is false).
    void Prepare(bool boot = true);

    // Sends a request; the returned record fills in when the reply callback runs. The
    // send's result is in *sent.
    std::shared_ptr<Reply> Send(const std::string& appId,
                                const std::vector<std::pair<std::string, std::string>>& extras,
                                int* sent = nullptr, const char* operation = nullptr);
    // Sends and runs the loop until the callback ran (or the time is up).
    std::shared_ptr<Reply> Launch(const std::string& appId,
                                  const std::vector<std::pair<std::string, std::string>>& extras,
                                  double timeout = 10);
    bool WaitFor(const std::shared_ptr<Reply>& reply, double timeout = 10);

    // The device log, optionally of one tag and one process.
    std::vector<LogEntry> Log(const std::string& tag = std::string(), int pid = 0) const;
    // Messages of the test applications ("APPFW-TEST") of one process, in order.
    std::vector<std::string> AppLines(int pid) const;
    // Runs the loop until the log holds a line of `tag` containing `part` (from `pid` when
    // not 0), `count` times.
    bool WaitForLog(const std::string& tag, const std::string& part, int pid = 0, int count = 1,
                    double timeout = 10);
    int CountLog(const std::string& tag, const std::string& part, int pid = 0) const;
    // Pids that logged "create" for an application's program.
    std::vector<int> CreatedPids() const;

    std::string ProgramPath(const char* program) const;
    bool Alive(int pid) const;
    // Runs the loop until the process is gone.
    bool WaitForExit(int pid, double timeout = 10);

    std::unique_ptr<watchtest::TestDevice> mDevice;
    std::vector<std::shared_ptr<Reply>> mReplies; // of every request sent
};

// The lifecycle lines of a process only ("create", "app_control ...", "resume", ...),
// shortened to their first word.
std::vector<std::string> Lifecycle(const std::vector<std::string>& lines);
std::string Join(const std::vector<std::string>& parts);

} // namespace appfwtest
