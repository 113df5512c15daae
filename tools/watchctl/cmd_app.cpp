// watchctl app: the running applications and their lifecycle; and the boot step that
// refreshes the applications' activation files at boot and ends them at shutdown.
#include "app_bus.h"
#include "watch_appfw.h"
#include "watch_device.h"
#include "watchctl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace watchctl {

namespace {

const char kUsage[] =
    "Usage: watchctl app list [APPID]\n"
    "       watchctl app pause|resume|terminate [APPID]\n"
    "list: the running applications: id, type, state (created, running, paused,\n"
    "terminating), pid, and \"front\" for the ui application in front.\n"
    "pause, resume, terminate: drive an application's lifecycle by hand (default: the\n"
    "application in front). pause sends it to the back, resume brings it to the front,\n"
    "terminate ends it as ui_app_exit would.\n";

int Run(int argc, char** argv);
const Command kCommand = {"app", "list running applications, pause/resume/terminate", kUsage, Run};

struct Info {
    std::string id, type, state;
    unsigned int pid = 0;
};

bool GetInfo(AppBus& bus, const std::string& owner, Info* info, std::string* error) {
    Eldbus_Message* answer = bus.CallApp(owner, "GetInfo", error);
    if (!answer)
        return false;
    const char *id = nullptr, *type = nullptr, *state = nullptr;
    const bool ok = eldbus_message_arguments_get(answer, "sssu", &id, &type, &state, &info->pid);
    if (ok) {
        info->id = id;
        info->type = type;
        info->state = state;
    } else {
        *error = "unexpected answer to GetInfo";
    }
    eldbus_message_unref(answer);
    return ok;
}

// The bus names of the running applications; false with a reason.
bool RunningNames(AppBus& bus, std::vector<std::string>* names, std::string* error) {
    Eldbus_Message* msg = eldbus_message_method_call_new(ELDBUS_FDO_BUS, ELDBUS_FDO_PATH,
                                                         ELDBUS_FDO_INTERFACE, "ListNames");
    Eldbus_Message* answer = bus.Call(msg, 10.0, error);
    if (!answer)
        return false;
    Eldbus_Message_Iter* array = nullptr;
    const char* name = nullptr;
    const std::string prefix = watch::appfw::kBusNamePrefix;
    names->clear();
    if (eldbus_message_arguments_get(answer, "as", &array)) {
        while (eldbus_message_iter_get_and_next(array, 's', &name)) {
            if (strncmp(name, prefix.c_str(), prefix.size()) == 0)
                names->push_back(name);
        }
    }
    eldbus_message_unref(answer);
    return true;
}

int List(AppBus& bus, const std::string& only) {
    std::vector<std::string> names;
    std::string error;
    if (!only.empty()) {
        const std::string owner = bus.RunningApp(only, &error);
        if (owner.empty())
            return Fail("app list: %s", error.c_str());
        names.push_back(watch::appfw::BusName(only));
    } else if (!RunningNames(bus, &names, &error)) {
        return Fail("app list: %s", error.c_str());
    }
    const std::string front = bus.Owner(watch::appfw::kForegroundName);
    std::vector<std::pair<Info, bool>> rows;
    for (const std::string& name : names) {
        const std::string owner = bus.Owner(name);
        Info info;
        if (owner.empty() || !GetInfo(bus, owner, &info, &error))
            continue; // ended meanwhile
        rows.emplace_back(info, owner == front);
    }
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a.first.id < b.first.id; });
    for (const auto& row : rows)
        printf("%-40s %-8s %-12s %-8u%s\n", row.first.id.c_str(), row.first.type.c_str(),
               row.first.state.c_str(), row.first.pid, row.second ? "front" : "");
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 2)
        return UsageError(kCommand, "list, pause, resume or terminate?");
    const std::string action = argv[1];
    if (action != "list" && action != "pause" && action != "resume" && action != "terminate")
        return UsageError(kCommand, "unknown action \"%s\"", action.c_str());
    if (argc > 3)
        return UsageError(kCommand, "one application id at most");
    const std::string appId = argc == 3 ? argv[2] : std::string();

    AppBus bus;
    std::string error;
    if (!bus.Open(&error))
        return Fail("app %s: %s", action.c_str(), error.c_str());
    if (action == "list")
        return List(bus, appId);

    std::string owner;
    if (appId.empty()) {
        owner = bus.Owner(watch::appfw::kForegroundName);
        if (owner.empty())
            return Fail("app %s: no application is in front", action.c_str());
    } else {
        owner = bus.RunningApp(appId, &error);
        if (owner.empty())
            return Fail("app %s: %s", action.c_str(), error.c_str());
    }
    const char* method = action == "pause" ? "Pause" : action == "resume" ? "Resume" : "Terminate";
    Eldbus_Message* answer = bus.CallApp(owner, method, &error);
    if (!answer)
        return Fail("app %s: %s", action.c_str(), error.c_str());
    eldbus_message_unref(answer);
    return 0;
}

// Installs write the activation files; boot writes them again, so that a device root
// whose run/ folder was emptied still starts its applications on demand.
bool StartActivation(std::string* error) {
    return watch::appfw::WriteActivationFiles(error);
}

// Shutting down ends the running applications first, as ui_app_exit would, so that
// their terminate runs while the bus is still there.
bool StopApplications(std::string* error) {
    AppBus bus;
    if (!bus.Open(error))
        return true; // no bus, nothing runs on it
    std::vector<std::string> names;
    if (!RunningNames(bus, &names, error))
        return false;
    for (const std::string& name : names) {
        const std::string owner = bus.Owner(name);
        std::string ignored;
        if (!owner.empty()) {
            Eldbus_Message* answer = bus.CallApp(owner, "Terminate", &ignored);
            if (answer)
                eldbus_message_unref(answer);
        }
    }
    for (int i = 0; i < 100 && !names.empty(); ++i) {
        bus.Wait(0.05);
        if (!RunningNames(bus, &names, error))
            return false;
    }
    // Whatever still runs ends when the bus goes.
    return true;
}

const BootStep kApplications = {"applications", 10, StartActivation, StopApplications};

} // namespace

WATCHCTL_REGISTER(kCommand);
WATCHCTL_REGISTER_BOOT_STEP(kApplications);

} // namespace watchctl
