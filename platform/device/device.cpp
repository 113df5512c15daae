#include "watch_device.h"

#include <Ecore.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace watch {

namespace {

// Every program of the device links this file. EFL's system modules watch the system
// bus (power, hostname, locale), which the device has no use for; without a system bus
// they print pages of backtraces on stderr. Turned off here, before main() and so before
// anything can initialise Ecore.
__attribute__((constructor)) void NoSystemModules() {
    ecore_app_no_system_modules();
}

} // namespace

std::string DeviceRoot() {
    const char* env = getenv("WATCH_ROOT");
    std::string root = (env && *env) ? env : WATCH_DEFAULT_ROOT;
    if (root[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof(cwd)))
            root = std::string(cwd) + "/" + root;
    }
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

bool IsValidId(const char* id) {
    if (!id || !*id)
        return false;
    size_t len = strlen(id);
    if (len > 255)
        return false;
    bool elementEmpty = true;
    for (size_t i = 0; i < len; ++i) {
        unsigned char c = static_cast<unsigned char>(id[i]);
        if (c < 0x20 || c == 0x7f || c == '/' || c == '\\')
            return false;
        if (c == '.') {
            if (elementEmpty)
                return false;
            elementEmpty = true;
        } else {
            elementEmpty = false;
        }
    }
    return !elementEmpty;
}

std::string PackageDir(const std::string& packageId) {
    if (!IsValidId(packageId))
        return std::string();
    return DeviceRoot() + "/apps/" + packageId;
}

std::string PackageFolderPath(const std::string& packageId, PackageFolder folder) {
    std::string dir = PackageDir(packageId);
    if (dir.empty())
        return dir;
    switch (folder) {
    case PackageFolder::Bin:
        return dir + "/bin/";
    case PackageFolder::Resource:
        return dir + "/res/";
    case PackageFolder::SharedResource:
        return dir + "/shared/res/";
    case PackageFolder::Data:
        return dir + "/data/";
    case PackageFolder::SharedData:
        return dir + "/shared/data/";
    case PackageFolder::Cache:
        return dir + "/cache/";
    }
    return std::string();
}

std::string SettingsDir() {
    return DeviceRoot() + "/settings";
}

std::string LogDir() {
    return DeviceRoot() + "/log";
}

std::string RunDir() {
    return DeviceRoot() + "/run";
}

bool MakeDirs(const std::string& path) {
    if (path.empty())
        return false;
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string CurrentAppId() {
    const char* env = getenv("WATCH_APP_ID");
    if (env && *env)
        return env;

    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n <= 0)
        return std::string();
    exe[n] = '\0';
    std::string path(exe);
    std::string apps = DeviceRoot() + "/apps/";
    if (path.compare(0, apps.size(), apps) != 0)
        return std::string();
    // <root>/apps/<package>/bin/<program>
    std::string rest = path.substr(apps.size());
    size_t slash = rest.find('/');
    if (slash == std::string::npos || rest.compare(slash, 5, "/bin/") != 0)
        return std::string();
    std::string package = rest.substr(0, slash);
    std::string program = rest.substr(slash + 5);
    PackageInfo info;
    std::string error;
    if (!LoadManifest(PackageDir(package) + "/manifest.xml", &info, &error))
        return std::string();
    for (const AppInfo& app : info.apps) {
        if (app.exec == program)
            return app.id;
    }
    return std::string();
}

} // namespace watch
