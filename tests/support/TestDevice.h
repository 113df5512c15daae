// A fresh device root for one test: made under /tmp, named by WATCH_ROOT while the
// object lives, removed afterwards (kept when WATCH_KEEP_TEST_ROOT is set).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace watchtest {

class TestDevice {
  public:
    // With install, the build's staged package is installed with the real `watchctl
    // install`; the test fails when that does.
    explicit TestDevice(bool install = true);
    ~TestDevice();

    const std::string& Root() const { return mRoot; }
    // `watchctl boot`: the device bus and system components. The destructor shuts a
    // booted device down.
    void Boot();
    void Shutdown();
    // Path of a package folder of the watch face package ("res", "shared/res", "data"...).
    std::string PackagePath(const std::string& sub) const;

  private:
    std::string mRoot;
    std::optional<std::string> mPreviousRoot;
    bool mBooted = false;

    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;
};

struct ProcessResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs a program (argv[0] is its path) to its end with the current environment plus
// `env` (NAME=VALUE entries); captures its output. Kills it after timeoutSeconds.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {}, double timeoutSeconds = 30);

// `watchctl ARGS...` against the current WATCH_ROOT.
ProcessResult Watchctl(const std::vector<std::string>& args,
                       const std::vector<std::string>& env = {}, double timeoutSeconds = 30);

std::string ReadFile(const std::string& path);

// One line of a device log: "date time pid tid priority tag: message".
struct LogEntry {
    int pid = 0;
    char priority = '?';
    std::string tag;
    std::string message;
};
// The lines of the log file at path, of one tag (all when empty) and pid (all when 0).
std::vector<LogEntry> ReadDeviceLog(const std::string& path, const std::string& tag = "",
                                    int pid = 0);

// A program running beside the test, its stdout and stderr collected as they come. It is
// the child of a small waiter process, so that its exit status survives a main loop of
// the test that reaps children (Ecore does).
class BackgroundProcess {
  public:
    BackgroundProcess(const std::vector<std::string>& argv,
                      const std::vector<std::string>& env = {});
    ~BackgroundProcess(); // SIGKILLs it when still running

    pid_t Pid() const { return mPid; }
    // Reads output until stdout holds `text` (true) or the time is up (false).
    bool WaitForOutput(const std::string& text, double timeoutSeconds = 5.0) {
        return WaitFor(mOut, text, timeoutSeconds);
    }
    // The same for stderr, where tools announce that they are ready.
    bool WaitForError(const std::string& text, double timeoutSeconds = 5.0) {
        return WaitFor(mErr, text, timeoutSeconds);
    }
    // Sends sig and waits for the end; the exit status as in ProcessResult.
    int Stop(int sig = 15, double timeoutSeconds = 5.0);
    // Waits for the process to end by itself; -1 when it is still running after the time.
    int Wait(double timeoutSeconds);
    const std::string& Out() const { return mOut; }
    const std::string& Err() const { return mErr; }

  private:
    void Pump(int timeoutMs);
    bool WaitFor(const std::string& stream, const std::string& text, double timeoutSeconds);
    pid_t mPid = -1;
    pid_t mWaiter = -1;
    int mFd[3] = {-1, -1, -1}; // stdout, stderr, the waiter's report of the end
    int mStatus = -1;
    std::string mOut, mErr;
};

} // namespace watchtest
