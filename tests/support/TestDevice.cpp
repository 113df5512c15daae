#include "TestDevice.h"
#include "LoopUtil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace watchtest {

TestDevice::TestDevice(bool install) {
    const char* previous = getenv("WATCH_ROOT");
    if (previous) {
        mHadPreviousRoot = true;
        mPreviousRoot = previous;
    }
    char tmpl[] = "/tmp/watch-test-XXXXXX";
    char* dir = mkdtemp(tmpl);
    if (!dir) {
        ADD_FAILURE() << "mkdtemp failed: " << strerror(errno);
        return;
    }
    mRoot = dir;
    setenv("WATCH_ROOT", mRoot.c_str(), 1);
    if (install)
        Install();
}

TestDevice::~TestDevice() {
    if (mBooted)
        Shutdown();
    if (mHadPreviousRoot)
        setenv("WATCH_ROOT", mPreviousRoot.c_str(), 1);
    else
        unsetenv("WATCH_ROOT");
    if (!mRoot.empty() && !getenv("WATCH_KEEP_TEST_ROOT")) {
        std::error_code ec;
        std::filesystem::remove_all(mRoot, ec);
    }
}

void TestDevice::Install() {
    ProcessResult r = Watchctl({"install", WATCH_PACKAGE_STAGE});
    ASSERT_EQ(r.status, 0) << "watchctl install failed: " << r.err;
}

void TestDevice::Boot() {
    ProcessResult r = Watchctl({"boot"});
    ASSERT_EQ(r.status, 0) << "watchctl boot failed: " << r.err;
    mBooted = true;
}

void TestDevice::Shutdown() {
    ProcessResult r = Watchctl({"shutdown"});
    EXPECT_EQ(r.status, 0) << "watchctl shutdown failed: " << r.err;
    mBooted = false;
}

std::string TestDevice::PackagePath(const std::string& sub) const {
    return mRoot + "/apps/com.korvane.clock-dalvexa/" + sub;
}

namespace {

// The prepared arguments of a child: argv, environment and its stdout and stderr pipes.
struct ChildSetup {
    std::vector<std::string> argStrings, envStrings;
    std::vector<char*> args, envp;
    posix_spawn_file_actions_t actions;
    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};

    // argv with env added to this process's environment.
    bool Prepare(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
        if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe failed";
            return false;
        }
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e, name = entry.substr(0, entry.find('=') + 1);
            if (std::none_of(env.begin(), env.end(),
                             [&](const std::string& x) { return x.rfind(name, 0) == 0; }))
                envStrings.push_back(entry);
        }
        for (const std::string& extra : env)
            envStrings.push_back(extra);
        for (std::string& s : envStrings)
            envp.push_back(&s[0]);
        envp.push_back(nullptr);
        argStrings = argv;
        for (std::string& s : argStrings)
            args.push_back(&s[0]);
        args.push_back(nullptr);
        return true;
    }
    // Keeps the read ends (the caller's) and closes the write ends.
    void Finish(bool started, int* outFd, int* errFd) {
        posix_spawn_file_actions_destroy(&actions);
        close(outPipe[1]);
        close(errPipe[1]);
        if (!started) {
            close(outPipe[0]);
            close(errPipe[0]);
            return;
        }
        *outFd = outPipe[0];
        *errFd = errPipe[0];
    }
};

// Starts argv with env added to this process's environment, stdout and stderr on pipes,
// as the child of a small waiter process that reports the child's pid and then its wait status on
// *statusFd. A main loop of this process may reap any child of its own at any time (Ecore does, on
// SIGCHLD), which would lose the status of a direct child; the waiter's report cannot be lost.
// *waiter is the waiter's pid.
pid_t SpawnWatched(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   int* outFd, int* errFd, int* statusFd, pid_t* waiter) {
    ChildSetup child;
    int statusPipe[2];
    if (!child.Prepare(argv, env) || pipe2(statusPipe, O_CLOEXEC) != 0) {
        child.Finish(false, outFd, errFd);
        return -1;
    }
    *waiter = fork();
    if (*waiter == 0) {
        // Only async-signal-safe calls from here on: this process may have threads.
        signal(SIGCHLD, SIG_DFL);
        pid_t pid = -1;
        int rc = posix_spawn(&pid, child.args[0], &child.actions, nullptr, child.args.data(),
                             child.envp.data());
        int report[2] = {rc == 0 ? pid : -1, rc};
        if (write(statusPipe[1], report, sizeof(report)) != sizeof(report) || rc != 0)
            _exit(1);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        _exit(write(statusPipe[1], &status, sizeof(status)) == sizeof(status) ? 0 : 1);
    }
    close(statusPipe[1]);
    int report[2] = {-1, *waiter < 0 ? errno : 0};
    if (*waiter >= 0 && read(statusPipe[0], report, sizeof(report)) != sizeof(report))
        report[0] = -1;
    child.Finish(report[0] > 0, outFd, errFd);
    if (report[0] <= 0) {
        close(statusPipe[0]);
        if (*waiter > 0)
            waitpid(*waiter, nullptr, 0);
        ADD_FAILURE() << "cannot start " << argv[0] << ": " << strerror(report[1]);
        return -1;
    }
    *statusFd = statusPipe[0];
    fcntl(*statusFd, F_SETFL, O_NONBLOCK);
    return report[0];
}

int DecodeStatus(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         double timeoutSeconds) {
    ProcessResult result;
    BackgroundProcess process(argv, env);
    if (process.Pid() <= 0)
        return result;
    result.status = process.Wait(timeoutSeconds);
    if (result.status < 0) {
        ADD_FAILURE() << argv[0] << " did not finish within " << timeoutSeconds << " s";
        result.status = process.Stop(SIGKILL);
    }
    result.out = process.Out();
    result.err = process.Err();
    return result;
}

ProcessResult Watchctl(const std::vector<std::string>& args, const std::vector<std::string>& env,
                       double timeoutSeconds) {
    std::vector<std::string> argv{WATCHCTL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, env, timeoutSeconds);
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::vector<std::string>& env) {
    mPid = SpawnWatched(argv, env, &mOutFd, &mErrFd, &mStatusFd, &mWaiter);
    if (mOutFd >= 0)
        fcntl(mOutFd, F_SETFL, O_NONBLOCK);
    if (mErrFd >= 0)
        fcntl(mErrFd, F_SETFL, O_NONBLOCK);
}

BackgroundProcess::~BackgroundProcess() {
    if (mPid > 0 && mStatus < 0) {
        kill(mPid, SIGKILL);
        Wait(10);
    }
    if (mStatusFd >= 0)
        close(mStatusFd);
    if (mWaiter > 0)
        waitpid(mWaiter, nullptr, 0); // ECHILD when a main loop has reaped it already
    if (mOutFd >= 0)
        close(mOutFd);
    if (mErrFd >= 0)
        close(mErrFd);
}

void BackgroundProcess::Pump(int timeoutMs) {
    // The status report only wakes the poll; Wait reads it.
    struct pollfd fds[3] = {{mOutFd, POLLIN, 0}, {mErrFd, POLLIN, 0}, {mStatusFd, POLLIN, 0}};
    if (poll(fds, 3, timeoutMs) <= 0)
        return;
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buf[4096];
        ssize_t got;
        while ((got = read(fds[i].fd, buf, sizeof(buf))) > 0)
            (i == 0 ? mOut : mErr).append(buf, static_cast<size_t>(got));
        if (got == 0) {
            close(fds[i].fd);
            (i == 0 ? mOutFd : mErrFd) = -1;
        }
    }
}

bool BackgroundProcess::WaitFor(const std::string& stream, const std::string& text,
                                double timeoutSeconds) {
    const double end = Now() + timeoutSeconds;
    while (stream.find(text) == std::string::npos) {
        if (Now() > end || (mOutFd < 0 && mErrFd < 0))
            return false;
        Pump(50);
    }
    return true;
}

int BackgroundProcess::Wait(double timeoutSeconds) {
    if (mStatus >= 0 || mPid <= 0)
        return mStatus;
    const double end = Now() + timeoutSeconds;
    for (;;) {
        Pump(20);
        int status;
        if (mStatusFd >= 0 && read(mStatusFd, &status, sizeof(status)) == sizeof(status)) {
            Pump(0);
            mStatus = DecodeStatus(status);
            return mStatus;
        }
        if (Now() > end)
            return -1;
    }
}

int BackgroundProcess::Stop(int sig, double timeoutSeconds) {
    if (mStatus >= 0 || mPid <= 0)
        return mStatus;
    kill(mPid, sig);
    int status = Wait(timeoutSeconds);
    if (status < 0) {
        kill(mPid, SIGKILL);
        status = Wait(timeoutSeconds);
    }
    return status;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<LogEntry> ReadDeviceLog(const std::string& path, const std::string& tag, int pid) {
    std::vector<LogEntry> entries;
    std::istringstream in(ReadFile(path));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string date, time, tid, prio, rest;
        LogEntry entry;
        if (!(words >> date >> time >> entry.pid >> tid >> prio) || prio.size() != 1)
            continue;
        entry.priority = prio[0];
        std::getline(words, rest);
        const size_t start = rest.find_first_not_of(' ');
        const size_t colon = rest.find(": ");
        if (start == std::string::npos || colon == std::string::npos)
            continue;
        entry.tag = rest.substr(start, colon - start);
        entry.message = rest.substr(colon + 2);
        if ((tag.empty() || entry.tag == tag) && (pid == 0 || entry.pid == pid))
            entries.push_back(entry);
    }
    return entries;
}

} // namespace watchtest
