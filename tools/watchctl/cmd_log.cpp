// watchctl log: prints (and follows) the device log.
#include "watchctl.h"
#include "watch_device.h"

#include <getopt.h>
#include <poll.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace watchctl {

namespace {

const char kUsage[] =
    "Usage: watchctl log [-f] [--tag TAG] [--priority P] [--no-color]\n"
    "Prints the device log (<root>/log/watch.log).\n\n"
    "  -f, --follow        keep printing lines as they are written\n"
    "  -t, --tag TAG       only lines with this tag\n"
    "  -p, --priority P    only lines of this priority or higher: V, D, I, W, E, F\n"
    "                      (or verbose, debug, info, warn, error, fatal)\n"
    "      --no-color      strip terminal colour sequences\n";

int Rank(char letter) {
    static const char kOrder[] = "VDIWEF";
    const char* p = strchr(kOrder, letter);
    return (p && letter) ? static_cast<int>(p - kOrder) : -1;
}

int ParsePriority(const char* text) {
    static const char* const kNames[] = {"verbose", "debug", "info", "warn", "error", "fatal"};
    if (strlen(text) == 1)
        return Rank(static_cast<char>(toupper(static_cast<unsigned char>(text[0]))));
    for (int i = 0; i < 6; ++i) {
        if (strcasecmp(text, kNames[i]) == 0)
            return i;
    }
    return -1;
}

struct Filter {
    std::string tag;
    int minRank = -1;
    bool noColor = false;
};

// A line is "<date> <time> <pid> <tid> <P> <tag>: <message>".
bool Matches(const std::string& line, const Filter& filter) {
    char date[16], time[20], letter;
    int pid, tid, consumed = 0;
    if (sscanf(line.c_str(), "%15s %19s %d %d %c %n", date, time, &pid, &tid, &letter, &consumed) !=
        5)
        return filter.tag.empty() && filter.minRank < 0;
    if (filter.minRank >= 0 && Rank(letter) < filter.minRank)
        return false;
    if (!filter.tag.empty()) {
        std::string rest = line.substr(static_cast<size_t>(consumed));
        size_t colon = rest.find(": ");
        if (colon == std::string::npos || rest.compare(0, colon, filter.tag) != 0 ||
            colon != filter.tag.size())
            return false;
    }
    return true;
}

std::string StripColor(const std::string& line) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\033' && i + 1 < line.size() && line[i + 1] == '[') {
            size_t end = line.find('m', i);
            if (end != std::string::npos) {
                i = end;
                continue;
            }
        }
        out += line[i];
    }
    return out;
}

void Emit(const std::string& line, const Filter& filter) {
    if (!Matches(line, filter))
        return;
    const std::string& text = filter.noColor ? StripColor(line) : line;
    fwrite(text.data(), 1, text.size(), stdout);
}

int Run(int argc, char** argv);
const Command kCommand = {"log", "print and follow the device log", kUsage, Run};

int Run(int argc, char** argv) {
    static const struct option kOptions[] = {{"follow", no_argument, nullptr, 'f'},
                                             {"tag", required_argument, nullptr, 't'},
                                             {"priority", required_argument, nullptr, 'p'},
                                             {"no-color", no_argument, nullptr, 'n'},
                                             {nullptr, 0, nullptr, 0}};
    Filter filter;
    bool follow = false;
    optind = 1;
    opterr = 0;
    int opt;
    while ((opt = getopt_long(argc, argv, "+ft:p:", kOptions, nullptr)) != -1) {
        switch (opt) {
        case 'f':
            follow = true;
            break;
        case 't':
            filter.tag = optarg;
            break;
        case 'p':
            filter.minRank = ParsePriority(optarg);
            if (filter.minRank < 0)
                return UsageError(kCommand, "unknown priority '%s'", optarg);
            break;
        case 'n':
            filter.noColor = true;
            break;
        default:
            return UsageError(kCommand, "unknown option '%s'", argv[optind - 1]);
        }
    }
    if (optind < argc)
        return UsageError(kCommand, "unexpected argument '%s'", argv[optind]);

    std::string path = watch::LogDir() + "/watch.log";
    FILE* file = fopen(path.c_str(), "r");
    if (!file && !follow)
        return Fail("cannot open %s: %s", path.c_str(), strerror(errno));

    std::string pending;
    long offset = 0;
    char buf[8192];
    setvbuf(stdout, nullptr, _IOLBF, 0);
    for (;;) {
        if (!file) {
            file = fopen(path.c_str(), "r");
            offset = 0;
        }
        if (file) {
            size_t n;
            while ((n = fread(buf, 1, sizeof(buf), file)) > 0) {
                offset += static_cast<long>(n);
                pending.append(buf, n);
                size_t nl;
                while ((nl = pending.find('\n')) != std::string::npos) {
                    Emit(pending.substr(0, nl + 1), filter);
                    pending.erase(0, nl + 1);
                }
            }
            clearerr(file);
        }
        if (!follow)
            break;
        fflush(stdout);
        poll(nullptr, 0, 100);
        struct stat st;
        if (file && stat(path.c_str(), &st) == 0 && st.st_size < offset) {
            // The log was reset: start again from its beginning.
            fclose(file);
            file = nullptr;
            pending.clear();
        }
    }
    if (!pending.empty())
        Emit(pending + "\n", filter);
    if (file)
        fclose(file);
    return 0;
}

} // namespace

WATCHCTL_REGISTER(kCommand);

} // namespace watchctl
