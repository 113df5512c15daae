// watchctl boot / shutdown: start and stop the device (its bus, then its components).
#include "watch_bus.h"
#include "watch_device.h"
#include "watchctl.h"

#include <algorithm>
#include <cstdio>

namespace watchctl {

namespace {

std::vector<BootStep>& Steps() {
    static std::vector<BootStep> steps;
    return steps;
}

const char kBootUsage[] =
    "Usage: watchctl boot\n"
    "Starts the device in WATCH_ROOT: its D-Bus daemon (address in <root>/run/bus.address)\n"
    "and its system components. Booting a running device changes nothing.\n";
const char kShutdownUsage[] = "Usage: watchctl shutdown\n"
                              "Stops the device's system components and its D-Bus daemon.\n";

int Boot(int argc, char** argv);
int Shutdown(int argc, char** argv);
const Command kBoot = {"boot", "start the device: its bus and system components", kBootUsage, Boot};
const Command kShutdown = {"shutdown", "stop the device", kShutdownUsage, Shutdown};

int Boot(int argc, char**) {
    if (argc > 1)
        return UsageError(kBoot, "no arguments expected");
    if (!watch::MakeDirs(watch::RunDir()))
        return Fail("boot: cannot create %s", watch::RunDir().c_str());
    std::string error;
    if (!watch::bus::Start(&error))
        return Fail("boot: device bus: %s", error.c_str());
    for (const BootStep& step : BootSteps()) {
        if (!step.start(&error))
            return Fail("boot: %s: %s", step.name, error.c_str());
    }
    printf("booted %s (bus %s)\n", watch::DeviceRoot().c_str(), watch::bus::Address().c_str());
    return 0;
}

int Shutdown(int argc, char**) {
    if (argc > 1)
        return UsageError(kShutdown, "no arguments expected");
    std::string error;
    int status = 0;
    const std::vector<BootStep>& steps = BootSteps();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (!it->stop(&error))
            status = Fail("shutdown: %s: %s", it->name, error.c_str());
    }
    if (!watch::bus::Stop(&error))
        status = Fail("shutdown: device bus: %s", error.c_str());
    if (status == 0)
        printf("stopped %s\n", watch::DeviceRoot().c_str());
    return status;
}

} // namespace

bool RegisterBootStep(const BootStep& step) {
    Steps().push_back(step);
    std::stable_sort(Steps().begin(), Steps().end(),
                     [](const BootStep& a, const BootStep& b) { return a.order < b.order; });
    return true;
}

const std::vector<BootStep>& BootSteps() {
    return Steps();
}

WATCHCTL_REGISTER(kBoot);
WATCHCTL_REGISTER(kShutdown);

} // namespace watchctl
