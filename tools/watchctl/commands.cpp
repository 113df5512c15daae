// The commands of watchctl: their registry, the command line that picks one, and the
// messages they share.
#include "watchctl.h"
#include "watch_device.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace watchctl {

namespace {

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

void PrintHelp(FILE* out) {
    fprintf(out,
            "Usage: watchctl COMMAND [ARGS]...\n"
            "Drives the device in WATCH_ROOT (now %s).\n\nCommands:\n",
            watch::DeviceRoot().c_str());
    std::vector<Command> sorted = Commands();
    std::sort(sorted.begin(), sorted.end(),
              [](const Command& a, const Command& b) { return strcmp(a.name, b.name) < 0; });
    for (const Command& c : sorted)
        fprintf(out, "  %-12s %s\n", c.name, c.summary);
    fprintf(out, "\nRun `watchctl COMMAND --help` for the options of a command.\n");
}

} // namespace

bool RegisterCommand(const Command& command) {
    Commands().push_back(command);
    return true;
}

int Fail(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    fputs("watchctl: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
    return 1;
}

int UsageError(const Command& command, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    fprintf(stderr, "watchctl %s: ", command.name);
    vfprintf(stderr, fmt, ap);
    fprintf(stderr, "\nTry `watchctl %s --help`.\n", command.name);
    va_end(ap);
    return 2;
}

bool WantsHelp(const Command& command, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "-h") == 0 || strcmp(argv[i], "--help") == 0) {
            fputs(command.usage, stdout);
            return true;
        }
        if (strcmp(argv[i], "--") == 0)
            break;
    }
    return false;
}

int Main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    if (strcmp(argv[1], "-h") == 0 || strcmp(argv[1], "--help") == 0 ||
        strcmp(argv[1], "help") == 0) {
        PrintHelp(stdout);
        return 0;
    }
    for (const Command& c : Commands()) {
        if (strcmp(c.name, argv[1]) == 0) {
            if (WantsHelp(c, argc - 1, argv + 1))
                return 0;
            return c.run(argc - 1, argv + 1);
        }
    }
    fprintf(stderr, "watchctl: unknown command '%s'\nTry `watchctl --help`.\n", argv[1]);
    return 2;
}

} // namespace watchctl
