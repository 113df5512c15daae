// The editor program's speed and memory, on a fresh booted device, timed by the device
// log's clock: launch request to the program's first line, to the opening zoom, to the
// pages (Return sent in a loop reaches OK), OK to the caller's reply, and the program's
// peak resident memory. Run by hand:
//   build/bin/editor_bench [ROUNDS]
// Exit status 1 when a median misses its target.
#include "LoopUtil.h"
#include "TestDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <csignal>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

using watchtest::Now;

const char* const EDITOR = "com.korvane.clock-dalvexa.editor";

// Targets. For comparison, a bare window reaches its first frame in about 78 ms and
// 27.6 MiB peak as a whole process.
const double START_TARGET_MS = 600;   // launch request sent to the editor's first log line
const double OPENING_TARGET_MS = 250; // first log line to the opening zoom
const double PAGES_TARGET_MS = 450;   // opening zoom to the pages taking Return
const double OK_TARGET_MS = 350;      // Return to the caller holding its reply (0.2 s zoom)
const double RSS_TARGET_MIB = 64;

double WallNow() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Wall-clock time of the first log line at or after byte `from` that contains text (and,
// when pid is given, comes from that process), or -1.
double LogTime(const std::string& root, const std::string& text, size_t from, int* pid = nullptr) {
    const std::string log = watchtest::ReadFile(root + "/log/watch.log");
    std::istringstream in(log.size() > from ? log.substr(from) : std::string());
    std::string line;
    while (std::getline(in, line)) {
        if (line.find(text) == std::string::npos)
            continue;
        struct tm tm = {};
        int ms = 0, linePid = 0;
        if (sscanf(line.c_str(), "%d-%d-%d %d:%d:%d.%d %d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                   &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &ms, &linePid) != 8)
            continue;
        if (pid && *pid > 0 && linePid != *pid)
            continue;
        if (pid)
            *pid = linePid;
        tm.tm_year -= 1900;
        tm.tm_mon -= 1;
        tm.tm_isdst = -1;
        return double(mktime(&tm)) + ms / 1000.0;
    }
    return -1;
}

size_t LogSize(const std::string& root) {
    return watchtest::ReadFile(root + "/log/watch.log").size();
}

// Waits (polling every 2 ms) until pred holds; false on time-out.
template <class Pred> bool WaitFor(Pred pred, double timeout = 10.0) {
    const double start = Now();
    while (!pred()) {
        if (Now() - start > timeout)
            return false;
        usleep(2000);
    }
    return true;
}

double PeakRssMiB(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return -1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    char dir[] = "/tmp/editor-bench-XXXXXX";
    if (!mkdtemp(dir))
        return 2;
    const std::string root = dir;
    setenv("WATCH_ROOT", dir, 1);
    setenv("ECORE_NO_SYSTEM_MODULES", "1", 1);
    setenv("ELM_DISPLAY", "buffer", 1);
    for (const std::vector<std::string>& cmd :
         {std::vector<std::string>{"install", WATCH_PACKAGE_STAGE},
          std::vector<std::string>{"boot"}, std::vector<std::string>{"lang", "en_US.UTF-8"}}) {
        auto r = watchtest::Watchctl(cmd);
        if (r.status != 0) {
            fprintf(stderr, "watchctl %s failed: %s\n", cmd[0].c_str(), r.err.c_str());
            return 2;
        }
    }

    std::vector<double> starts, opening, pages, ok, rss;
    for (int i = 0; i < rounds; ++i) {
        const size_t from = LogSize(root);
        const double launched = WallNow();
        watchtest::BackgroundProcess caller({WATCHCTL_PATH, "launch", EDITOR, "--timeout", "20"});
        int pid = 0;
        double first = -1, zoom = -1;
        WaitFor([&] {
            first = LogTime(root, "CLOCK-", from, &pid);
            zoom = LogTime(root, "ViewStartAnimatorIdler", from, &pid);
            return zoom > 0;
        });
        // The pages are up once Return reaches the OK button.
        double pressed = -1;
        WaitFor([&] {
            watchtest::Watchctl({"input", "key", "return"});
            pressed = LogTime(root, "Return pressed: OK", from, &pid);
            return pressed > 0;
        });
        const bool replied = caller.WaitForOutput("watch_editor_save=true", 10);
        const double answered = WallNow();
        const double peak = pid > 0 ? PeakRssMiB(pid) : -1;
        watchtest::Watchctl({"app", "terminate", EDITOR});
        caller.Wait(10);
        WaitFor([&] { return kill(pid, 0) != 0; });
        if (first < 0 || zoom < 0 || pressed < 0 || !replied || peak < 0) {
            fprintf(stderr, "round %d failed (first %.3f, zoom %.3f, pages %.3f, reply %d)\n",
                    i + 1, first, zoom, pressed, replied);
            watchtest::Watchctl({"shutdown"});
            return 2;
        }
        starts.push_back((first - launched) * 1000);
        opening.push_back((zoom - first) * 1000);
        pages.push_back((pressed - zoom) * 1000);
        ok.push_back((answered - pressed) * 1000);
        rss.push_back(peak);
        printf("round %d: start %.0f ms, opening %.0f ms, pages %.0f ms, OK to reply %.0f ms, "
               "peak %.1f MiB\n",
               i + 1, starts.back(), opening.back(), pages.back(), ok.back(), rss.back());
    }
    watchtest::Watchctl({"shutdown"});
    watchtest::RunProcess({"/bin/rm", "-rf", root});

    bool met = true;
    auto report = [&](const char* what, double value, double target, const char* unit) {
        const bool ok = value <= target;
        met = met && ok;
        printf("median %-22s %7.1f %s (target %.0f) %s\n", what, value, unit, target,
               ok ? "ok" : "MISSED");
    };
    report("launch to first line", Median(starts), START_TARGET_MS, "ms");
    report("first line to zoom", Median(opening), OPENING_TARGET_MS, "ms");
    report("zoom to pages", Median(pages), PAGES_TARGET_MS, "ms");
    report("OK to reply", Median(ok), OK_TARGET_MS, "ms");
    report("peak resident memory", Median(rss), RSS_TARGET_MIB, "MiB");
    return met ? 0 : 1;
}
