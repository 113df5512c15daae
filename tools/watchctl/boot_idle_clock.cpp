// The boot step of the idle-clock component: `watchctl boot` starts watch-idle-clock (the
// program beside watchctl) and waits until it serves; `watchctl shutdown` stops it. Its pid
// is kept in <root>/run/idle-clock.pid.
#include "watch_device.h"
#include "watchctl.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

const char* const kProgram = "watch-idle-clock";
// How long boot waits for the component to serve, and shutdown for it to end.
constexpr int kStartMs = 10000;
constexpr int kStopMs = 5000;

std::string PidFile() {
    return watch::RunDir() + "/idle-clock.pid";
}

std::string ProgramPath() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n <= 0)
        return kProgram;
    self[n] = '\0';
    std::string dir(self);
    return dir.substr(0, dir.rfind('/') + 1) + kProgram;
}

// The component's pid when it still runs, else 0.
pid_t Running() {
    std::ifstream in(PidFile());
    long pid = 0;
    if (!(in >> pid) || pid <= 0 || kill(static_cast<pid_t>(pid), 0) != 0)
        return 0;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t paren = line.rfind(')');
    if (paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z')
        return 0;
    std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
    std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    return args.find(kProgram) != std::string::npos ? static_cast<pid_t>(pid) : 0;
}

bool Start(std::string* error) {
    if (Running())
        return true;
    const std::string program = ProgramPath();
    if (access(program.c_str(), X_OK) != 0) {
        *error = program + " is missing (it is built beside watchctl)";
        return false;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + strerror(errno);
        return false;
    }
    const std::string root = watch::DeviceRoot();
    const pid_t child = fork();
    if (child < 0) {
        *error = std::string("fork: ") + strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (child == 0) {
        // Its own session, and nothing of ours: a caller reading our output must not wait
        // for the component to end.
        setsid();
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(fds[1], STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        closefrom(STDERR_FILENO + 1);
        setenv("WATCH_ROOT", root.c_str(), 1);
        unsetenv("WATCH_APP_ID");
        execl(program.c_str(), kProgram, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string said;
    pollfd pfd{fds[0], POLLIN, 0};
    int left = kStartMs;
    while (said.find('\n') == std::string::npos && left > 0) {
        const int n = poll(&pfd, 1, 100);
        left -= 100;
        if (n <= 0)
            continue;
        char buf[64];
        const ssize_t got = read(fds[0], buf, sizeof(buf));
        if (got <= 0)
            break; // it ended
        said.append(buf, static_cast<size_t>(got));
    }
    close(fds[0]);
    if (said.rfind("ready\n", 0) != 0) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            // A second component of this device gives way to the first.
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && Running())
                return true;
            *error = std::string(kProgram) + " did not start (exit status " +
                     std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128) +
                     "); see `watchctl log --tag WATCH-IDLE-CLOCK`";
        } else {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            *error = std::string(kProgram) + " did not get ready within " +
                     std::to_string(kStartMs / 1000) + " s";
        }
        return false;
    }
    std::ofstream(PidFile(), std::ios::trunc) << child << "\n";
    return true;
}

bool Stop(std::string* error) {
    const pid_t pid = Running();
    if (pid) {
        kill(pid, SIGTERM);
        for (int waited = 0; waited < kStopMs && Running(); waited += 10)
            usleep(10 * 1000);
        if (Running()) {
            kill(pid, SIGKILL);
            for (int waited = 0; waited < 1000 && Running(); waited += 10)
                usleep(10 * 1000);
        }
    }
    if (Running()) {
        *error = std::string(kProgram) + " " + std::to_string(pid) + " does not stop";
        return false;
    }
    unlink(PidFile().c_str());
    return true;
}

// After the applications' step, so that the clock it brings up can be activated.
const watchctl::BootStep kIdleClock = {"idle clock", 20, Start, Stop};

} // namespace

WATCHCTL_REGISTER_BOOT_STEP(kIdleClock);
