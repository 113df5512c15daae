// Shared pieces of the watchctl sub-commands.
#pragma once

#include <string>
#include <vector>

namespace watchctl {

struct Command {
    const char* name;
    const char* summary;               // one line for `watchctl --help`
    const char* usage;                 // the command's own --help text
    int (*run)(int argc, char** argv); // argv[0] is the command name
};

// Called from a static initialiser in each cmd_*.cpp, through WATCHCTL_REGISTER.
bool RegisterCommand(const Command& command);
// Runs the command argv[1] names (or prints the help); the program's exit status.
int Main(int argc, char** argv);

// A piece of the device that `watchctl boot` starts after the device bus (in rising
// order) and `watchctl shutdown` stops before the bus (in falling order). Each returns
// false with a reason on failure; stop must succeed when the piece is not running.
struct BootStep {
    const char* name;
    int order;
    bool (*start)(std::string* error);
    bool (*stop)(std::string* error);
};
bool RegisterBootStep(const BootStep& step);
const std::vector<BootStep>& BootSteps(); // sorted by order

// Prints "watchctl: <message>" on stderr and returns 1.
int Fail(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Prints "watchctl <command>: <message>" and a hint on stderr and returns 2.
int UsageError(const Command& command, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// True when argv holds -h or --help; the usage is then printed on stdout.
bool WantsHelp(const Command& command, int argc, char** argv);

} // namespace watchctl

#define WATCHCTL_REGISTER(command)                                                                 \
    static const bool watchctl_registered_##command = watchctl::RegisterCommand(command)
#define WATCHCTL_REGISTER_BOOT_STEP(step)                                                          \
    static const bool watchctl_boot_step_##step = watchctl::RegisterBootStep(step)
