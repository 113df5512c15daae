#include "watch_bus.h"
#include "dlog.h"
#include "watch_device.h"

#include <Ecore.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace watch {
namespace bus {

namespace {

const char* const kTag = "WATCH-BUS";

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// True while pid names a live process (a zombie that nobody reaps counts as gone).
bool Alive(pid_t pid) {
    if (kill(pid, 0) != 0)
        return false;
    std::string stat = ReadFirstLine("/proc/" + std::to_string(pid) + "/stat");
    size_t paren = stat.rfind(')');
    return paren == std::string::npos || paren + 2 >= stat.size() || stat[paren + 2] != 'Z';
}

// The pid of the device's dbus-daemon when it still runs, else 0.
pid_t RunningDaemon() {
    pid_t pid = static_cast<pid_t>(atoi(ReadFirstLine(PidFile()).c_str()));
    if (pid <= 0 || !Alive(pid))
        return 0;
    std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
    std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    return args.find("dbus-daemon") != std::string::npos ? pid : 0;
}

bool WriteConfig(const std::string& path, std::string* error) {
    std::ofstream out(path, std::ios::trunc);
    out << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:tmpdir=/tmp</listen>\n"
           "  <servicedir>"
        << ServiceDir()
        << "</servicedir>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
    if (!out) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace

std::string AddressFile() {
    return RunDir() + "/bus.address";
}

std::string PidFile() {
    return RunDir() + "/bus.pid";
}

std::string ServiceDir() {
    return RunDir() + "/services";
}

std::string Address() {
    if (!RunningDaemon())
        return std::string();
    return ReadFirstLine(AddressFile());
}

bool Start(std::string* error) {
    if (RunningDaemon())
        return true;
    if (!MakeDirs(ServiceDir())) {
        *error = "cannot create " + ServiceDir();
        return false;
    }
    const std::string config = RunDir() + "/bus.conf";
    if (!WriteConfig(config, error))
        return false;

    // Activated programs find their device through WATCH_ROOT and must not take the
    // booting program's application id.
    setenv("WATCH_ROOT", DeviceRoot().c_str(), 1);
    unsetenv("WATCH_APP_ID");
    // The bus sets DBUS_SESSION_BUS_ADDRESS to itself in the programs it starts; they find
    // the session this device was booted from (and its accessibility bus) here instead.
    const char* session = getenv("DBUS_SESSION_BUS_ADDRESS");
    if (session && *session)
        setenv("WATCH_SESSION_BUS_ADDRESS", session, 1);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");

    int fds[2];
    if (pipe(fds) != 0) {
        *error = std::string("pipe: ") + strerror(errno);
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        *error = std::string("fork: ") + strerror(errno);
        return false;
    }
    if (child == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        std::string configArg = "--config-file=" + config;
        execlp("dbus-daemon", "dbus-daemon", configArg.c_str(), "--fork", "--print-address=1",
               "--print-pid=1", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string output;
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof(buf))) > 0)
        output.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    std::istringstream lines(output);
    std::string address, pid;
    std::getline(lines, address);
    std::getline(lines, pid);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || address.empty() || pid.empty()) {
        *error = WIFEXITED(status) && WEXITSTATUS(status) == 127
                     ? "dbus-daemon is not installed"
                     : "dbus-daemon did not start (config " + config + ")";
        return false;
    }
    // The pid file is written last: it is what says the bus is up.
    std::ofstream(AddressFile(), std::ios::trunc) << address << "\n";
    std::ofstream(PidFile(), std::ios::trunc) << pid << "\n";
    return true;
}

bool Stop(std::string* error) {
    pid_t pid = RunningDaemon();
    // A pid file that cannot even be looked at may name a daemon that still runs.
    if (!pid && access(PidFile().c_str(), F_OK) != 0 && errno != ENOENT) {
        *error = "cannot read " + PidFile() + ": " + strerror(errno);
        return false;
    }
    if (pid) {
        kill(pid, SIGTERM);
        for (int i = 0; i < 200 && Alive(pid); ++i)
            usleep(5 * 1000);
        if (Alive(pid)) {
            kill(pid, SIGKILL);
            usleep(10 * 1000);
        }
    }
    unlink(PidFile().c_str());
    unlink(AddressFile().c_str());
    if (pid && Alive(pid)) {
        *error = "dbus-daemon " + std::to_string(pid) + " does not stop";
        return false;
    }
    return true;
}

void RestoreSessionBus() {
    const char* session = getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!session || !*session)
        return;
    const std::string device = Address();
    if (device != session)
        return;
    const char* booted = getenv("WATCH_SESSION_BUS_ADDRESS");
    if (booted && *booted && device != booted)
        setenv("DBUS_SESSION_BUS_ADDRESS", booted, 1);
    else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

Eldbus_Connection* Connect() {
    static bool reported = false;
    // Before the first connection: D-Bus keeps the session bus it saw first. Ecore, which
    // Eldbus starts, keeps its system modules off.
    RestoreSessionBus();
    ecore_app_no_system_modules();
    eldbus_init();
    std::string address = Address();
    Eldbus_Connection* connection =
        address.empty() ? nullptr : eldbus_address_connection_get(address.c_str());
    if (!connection) {
        if (!reported)
            __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                         address.empty() ? "no device bus in %s (not booted): messages stay in "
                                           "this process"
                                         : "cannot connect to the device bus of %s",
                         DeviceRoot().c_str());
        reported = true;
        eldbus_shutdown();
    }
    return connection;
}

void Release(Eldbus_Connection* connection) {
    if (!connection)
        return;
    eldbus_connection_unref(connection);
    eldbus_shutdown();
}

} // namespace bus
} // namespace watch
