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
    if (const char* previous = getenv("WATCH_ROOT"))
        mPreviousRoot = previous;
    char tmpl[] = "/tmp/watch-test-XXXXXX";
    if (!mkdtemp(tmpl)) {
        ADD_FAILURE() << "mkdtemp failed: " << strerror(errno);
        return;
    }
    mRoot = tmpl;
    setenv("WATCH_ROOT", mRoot.c_str(), 1);
    if (install) {
        ProcessResult r = Watchctl({"install", WATCH_PACKAGE_STAGE});
        EXPECT_EQ(r.status, 0) << "watchctl install failed: " << r.err;
    }
}

TestDevice::~TestDevice() {
    if (mBooted)
        Shutdown();
    if (mPreviousRoot)
        setenv("WATCH_ROOT", mPreviousRoot->c_str(), 1);
    else
        unsetenv("WATCH_ROOT");
    if (!mRoot.empty() && !getenv("WATCH_KEEP_TEST_ROOT")) {
        std::error_code ec;
        std::filesystem::remove_all(mRoot, ec);
    }
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

// Starts argv with env added to this process's environment, stdout and stderr on pipes, as the
// child of a small waiter process that reports the child's pid and then its wait status. A main
// loop of this process may reap any child of its own at any time (Ecore does, on SIGCHLD), which
// would lose the status of a direct child; the waiter's report cannot be lost. fds gets the read
// ends of stdout, stderr and the report, *waiter the waiter's pid.
pid_t SpawnWatched(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   int fds[3], pid_t* waiter) {
    std::vector<std::string> argStrings = argv, envStrings = env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e, name = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(env.begin(), env.end(),
                         [&](const std::string& x) { return x.rfind(name, 0) == 0; }))
            envStrings.push_back(entry);
    }
    // The arrays posix_spawn takes.
    auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> out;
        for (std::string& s : strings)
            out.push_back(s.data());
        out.push_back(nullptr);
        return out;
    };
    std::vector<char*> args = pointers(argStrings), envp = pointers(envStrings);
    int pipes[3][2];
    for (auto& p : pipes) {
        if (pipe2(p, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe failed";
            return -1;
        }
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipes[0][1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipes[1][1], STDERR_FILENO);
    *waiter = fork();
    const int forkError = errno;
    if (*waiter == 0) {
        // Only async-signal-safe calls from here on: this process may have threads.
        signal(SIGCHLD, SIG_DFL);
        pid_t pid = -1;
        int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
        int report[2] = {rc == 0 ? pid : -1, rc};
        if (write(pipes[2][1], report, sizeof(report)) != sizeof(report) || rc != 0)
            _exit(1);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        _exit(write(pipes[2][1], &status, sizeof(status)) == sizeof(status) ? 0 : 1);
    }
    posix_spawn_file_actions_destroy(&actions);
    for (auto& p : pipes)
        close(p[1]);
    int report[2] = {-1, *waiter < 0 ? forkError : 0};
    if (*waiter >= 0 && read(pipes[2][0], report, sizeof(report)) != sizeof(report))
        report[0] = -1;
    for (int i = 0; i < 3; ++i) {
        fds[i] = report[0] > 0 ? pipes[i][0] : -1;
        if (report[0] > 0)
            fcntl(fds[i], F_SETFL, O_NONBLOCK);
        else
            close(pipes[i][0]);
    }
    if (report[0] <= 0) {
        if (*waiter > 0)
            waitpid(*waiter, nullptr, 0);
        ADD_FAILURE() << "cannot start " << argv[0] << ": " << strerror(report[1]);
    }
    return report[0];
}

} // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         double timeoutSeconds) {
    BackgroundProcess process(argv, env);
    if (process.Pid() <= 0)
        return ProcessResult();
    int status = process.Wait(timeoutSeconds);
    if (status < 0) {
        ADD_FAILURE() << argv[0] << " did not finish within " << timeoutSeconds << " s";
        status = process.Stop(SIGKILL);
    }
    return {status, process.Out(), process.Err()};
}

ProcessResult Watchctl(const std::vector<std::string>& args, const std::vector<std::string>& env,
                       double timeoutSeconds) {
    std::vector<std::string> argv{WATCHCTL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, env, timeoutSeconds);
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::vector<std::string>& env) {
    mPid = SpawnWatched(argv, env, mFd, &mWaiter);
}

BackgroundProcess::~BackgroundProcess() {
    if (mPid > 0 && mStatus < 0) {
        kill(mPid, SIGKILL);
        Wait(10);
    }
    if (mWaiter > 0)
        waitpid(mWaiter, nullptr, 0); // ECHILD when a main loop has reaped it already
    for (int fd : mFd) {
        if (fd >= 0)
            close(fd);
    }
}

void BackgroundProcess::Pump(int timeoutMs) {
    // The status report only wakes the poll; Wait reads it.
    struct pollfd fds[3] = {{mFd[0], POLLIN, 0}, {mFd[1], POLLIN, 0}, {mFd[2], POLLIN, 0}};
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
            mFd[i] = -1;
        }
    }
}

bool BackgroundProcess::WaitFor(const std::string& stream, const std::string& text,
                                double timeoutSeconds) {
    const double end = Now() + timeoutSeconds;
    while (stream.find(text) == std::string::npos) {
        if (Now() > end || (mFd[0] < 0 && mFd[1] < 0))
            return false;
        Pump(50);
    }
    return true;
}

int BackgroundProcess::Wait(double timeoutSeconds) {
    const double end = Now() + timeoutSeconds;
    while (mStatus < 0 && mPid > 0) {
        Pump(20);
        int status;
        if (mFd[2] >= 0 && read(mFd[2], &status, sizeof(status)) == sizeof(status)) {
            Pump(0);
            mStatus = WIFEXITED(status)     ? WEXITSTATUS(status)
                      : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                            : -1;
        } else if (Now() > end) {
            return -1;
        }
    }
    return mStatus;
}

int BackgroundProcess::Stop(int sig, double timeoutSeconds) {
    if (mStatus >= 0 || mPid <= 0)
        return mStatus;
    kill(mPid, sig);
    const int status = Wait(timeoutSeconds);
    if (status >= 0)
        return status;
    kill(mPid, SIGKILL);
    return Wait(timeoutSeconds);
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
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string date, time, tid, prio, rest;
        LogEntry entry;
        if (!(words >> date >> time >> entry.pid >> tid >> prio) || prio.size() != 1)
            continue;
        std::getline(words >> std::ws, rest);
        const size_t colon = rest.find(": ");
        if (colon == std::string::npos || colon == 0)
            continue;
        entry.priority = prio[0];
        entry.tag = rest.substr(0, colon);
        entry.message = rest.substr(colon + 2);
        if ((tag.empty() || entry.tag == tag) && (pid == 0 || entry.pid == pid))
            entries.push_back(entry);
    }
    return entries;
}

} // namespace watchtest
