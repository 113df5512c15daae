// The benchmark: the editor against a bare Elementary window of the same size, both on
// the buffer engine, on a device root of its own. Prints a table of the figures with
// their ratios and targets, and writes the same figures as JSON.
//
//   watch-bench [--rounds N] [--json FILE]
//
// Then two figures of the battery: context switches of an editor left idle on its page,
// and of the watch face in front, each over kQuietSeconds.
//
// Each round starts the bare window and then the editor (with the frame probe inside,
// tools/bench/FrameProbe.h) as fresh processes; the first round of each warms the caches
// and is not counted. Then the cross-process change notification of both stores and
// the launch-request round trip to the watch face's companion service are timed.
#include "BenchStats.h"
#include "DalvexaNames.h"

#include "app_control.h"
#include "app_preference.h"
#include "vconf.h"
#include "watch_appfw.h"

#include <Ecore.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

namespace {

const char* const kEditorId = dalvexa::kEditorAppId;
const char* const kServiceId = dalvexa::kServiceAppId;
const char* const kWatchFaceId = dalvexa::kFaceAppId;
const int kNotifySamples = 200;
const int kLaunchSamples = 50;
// The opening zoom lasts 0.2 s; its last frame starts within this time from its start.
const double kZoomWindow = 0.21;
// How long the idle editor and the watch face in front are watched, and how long they
// settle before (the editor's page indicator hides 1 s after the pages show, and Ecore_Evas
// flushes its caches 0.5 s after the last frame).
const double kQuietSeconds = 10;
const double kSettleSeconds = 3;

double Now() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void Sleep(double seconds) {
    usleep(static_cast<useconds_t>(seconds * 1e6));
}

bool Fail(const std::string& what) {
    fprintf(stderr, "bench: %s\n", what.c_str());
    return false;
}

// A child process with extra environment, its output appended to logPath.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& logPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<std::string> strings;
    for (char** e = environ; *e; ++e)
        strings.push_back(*e);
    strings.insert(strings.end(), env.begin(), env.end());
    std::vector<char*> envp, args;
    for (std::string& s : strings)
        envp.push_back(&s[0]);
    envp.push_back(nullptr);
    std::vector<std::string> argvCopy = argv;
    for (std::string& s : argvCopy)
        args.push_back(&s[0]);
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the end of pid (SIGKILL after timeout); its peak resident memory in MiB, or
// -1 when it did not end well.
double Reap(pid_t pid, double timeout) {
    const double end = Now() + timeout;
    int status = 0;
    struct rusage usage;
    for (;;) {
        pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (Now() > end) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            return -1;
        }
        Sleep(0.002);
    }
    const bool clean = (WIFEXITED(status) && WEXITSTATUS(status) == 0) ||
                       (WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    return clean ? double(usage.ru_maxrss) / 1024.0 : -1;
}

bool Watchctl(const std::vector<std::string>& args, const std::string& log) {
    std::vector<std::string> argv{WATCHCTL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = Spawn(argv, {}, log);
    if (pid < 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool WaitForFile(const std::string& path, double timeout) {
    const double end = Now() + timeout;
    struct stat st;
    while (stat(path.c_str(), &st) != 0) {
        if (Now() > end)
            return false;
        Sleep(0.002);
    }
    return true;
}

// Context switches of each thread of pid, by thread id.
struct ThreadSwitches {
    std::string name;
    long long voluntary = 0, forced = 0;
};
std::map<std::string, ThreadSwitches> Switches(pid_t pid) {
    std::map<std::string, ThreadSwitches> threads;
    std::error_code error;
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(dir, error)) {
        std::ifstream in(task.path() / "status");
        ThreadSwitches t;
        std::string line;
        while (std::getline(in, line)) {
            const char* value = line.c_str() + line.find(':') + 1;
            if (line.rfind("Name:", 0) == 0)
                t.name = line.substr(line.find_first_not_of(" \t", 5));
            else if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                t.voluntary = atoll(value);
            else if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                t.forced = atoll(value);
        }
        threads[task.path().filename()] = t;
    }
    return threads;
}

// Switches of pid's threads over kQuietSeconds: the total, the main thread's and, for each
// thread that switched, "NAME VOLUNTARY+FORCED". A thread that ended meanwhile is not
// counted; one that began (or reuses an ended one's id) counts from its start.
bool WatchQuiet(pid_t pid, Quiet* out) {
    const auto before = Switches(pid);
    Sleep(kQuietSeconds);
    const auto after = Switches(pid);
    if (before.empty() || after.empty())
        return Fail("process " + std::to_string(pid) + " ended while it was watched");
    *out = Quiet();
    out->seconds = kQuietSeconds;
    out->switches = 0;
    for (const auto& t : after) {
        ThreadSwitches d = t.second;
        const auto was = before.find(t.first);
        if (was != before.end() && was->second.name == d.name &&
            was->second.voluntary <= d.voluntary && was->second.forced <= d.forced) {
            d.voluntary -= was->second.voluntary;
            d.forced -= was->second.forced;
        }
        const long long n = d.voluntary + d.forced;
        out->switches += n;
        if (t.first == std::to_string(pid))
            out->mainSwitches = n;
        if (n > 0)
            out->threads.push_back(d.name + " " + std::to_string(d.voluntary) + "+" +
                                   std::to_string(d.forced));
    }
    return true;
}

pid_t FrontWatchFace(const std::string& dir) {
    const std::string list = dir + "/app-list";
    unlink(list.c_str());
    Watchctl({"app", "list"}, list);
    std::ifstream in(list);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::string id, kind, state, pid, front;
        s >> id >> kind >> state >> pid >> front;
        if (id == kWatchFaceId && front == "front")
            return atoi(pid.c_str());
    }
    return -1;
}

// The editor's OK hands the screen to the idle clock 1 s later, which would pause the next
// round's editor: waits until the watch face is in front.
bool WaitForHandOver(const std::string& dir) {
    const double end = Now() + 10;
    while (Now() < end) {
        int show = -1;
        if (vconf_get_int(WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, &show) == 0 && show == 0) {
            if (FrontWatchFace(dir) > 0)
                return true;
        }
        Sleep(0.02);
    }
    return Fail("the watch face did not come to the front after the editor's OK");
}

// ---- one round of each program

struct Report {
    double firstFrame = -1, interactive = -1, zoomStart = -1, okStart = -1;
    struct Frame {
        double pre, post, tick;
    };
    std::vector<Frame> frames;
    struct Detent {
        double fed;
        int page;
        double shown;
        int frames;
    };
    std::vector<Detent> detents;
    bool complete = false;
};

Report ReadReport(const std::string& path) {
    Report r;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::string what;
        s >> what;
        if (what == "first_frame")
            s >> r.firstFrame;
        else if (what == "interactive")
            s >> r.interactive;
        else if (what == "zoom_start")
            s >> r.zoomStart;
        else if (what == "ok_start")
            s >> r.okStart;
        else if (what == "frame") {
            Report::Frame f{};
            s >> f.pre >> f.post >> f.tick;
            r.frames.push_back(f);
        } else if (what == "detent") {
            Report::Detent d{};
            s >> d.fed >> d.page >> d.shown >> d.frames;
            r.detents.push_back(d);
        } else if (what == "end") {
            r.complete = true;
        }
    }
    return r;
}

struct Run {
    double spawned = -1;
    double peakMiB = -1;
    Report report;
};

bool RunProgram(const std::string& program, const std::vector<std::string>& env,
                const std::string& dir, double timeout, bool terminate, Run* run) {
    const std::string reportPath = dir + "/report";
    unlink(reportPath.c_str());
    std::vector<std::string> all = env;
    all.push_back("BENCH_REPORT=" + reportPath);
    run->spawned = Now();
    pid_t pid = Spawn({program}, all, dir + "/programs.log");
    if (pid < 0)
        return Fail("cannot start " + program);
    const bool reported = WaitForFile(reportPath, timeout);
    if (terminate)
        kill(pid, SIGTERM);
    run->peakMiB = Reap(pid, 10);
    if (!reported)
        return Fail(program + " gave no report within " + std::to_string(int(timeout)) +
                    " s (see " + dir + "/programs.log)");
    run->report = ReadReport(reportPath);
    if (!run->report.complete || run->peakMiB < 0)
        return Fail(program + " did not end cleanly (see " + dir + "/programs.log)");
    return true;
}

// ---- change notification across processes

struct Heard {
    int value = -1;
    double at = -1;
};
Heard gHeard;

Eina_Bool QuitLoop(void*) {
    ecore_main_loop_quit();
    return ECORE_CALLBACK_CANCEL;
}

void OnHeard(int value) {
    gHeard.value = value;
    gHeard.at = Now();
    ecore_main_loop_quit();
}

// Runs the loop until a callback quits it or the time is up.
void RunLoop(double timeout) {
    Ecore_Timer* safety = ecore_timer_add(timeout, QuitLoop, nullptr);
    ecore_main_loop_begin();
    ecore_timer_del(safety);
}

// The writer is bench-store-writer, a program of its own (a forked one would share this
// process's bus connection).
bool TimeNotifications(const char* store, std::vector<double>* out) {
    const bool vconf = strcmp(store, "vconf") == 0;
    if (vconf) {
        vconf_set_int("memory/bench/changed", 0);
        if (vconf_notify_key_changed(
                "memory/bench/changed",
                [](keynode_t* node, void*) { OnHeard(vconf_keynode_get_int(node)); }, nullptr) != 0)
            return Fail("cannot watch memory/bench/changed");
    } else {
        preference_set_int("bench/changed", 0);
        if (preference_set_changed_cb(
                "bench/changed",
                [](const char* key, void*) {
                    int value = -1;
                    preference_get_int(key, &value);
                    OnHeard(value);
                },
                nullptr) != 0)
            return Fail("cannot watch the preference bench/changed");
    }
    int toWriter[2], fromWriter[2];
    if (pipe(toWriter) != 0 || pipe(fromWriter) != 0)
        return Fail("pipe");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(toWriter[0], STDIN_FILENO);
        dup2(fromWriter[1], STDOUT_FILENO);
        close(toWriter[1]);
        close(fromWriter[0]);
        execl(BENCH_STORE_WRITER, BENCH_STORE_WRITER, store, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toWriter[0]);
    close(fromWriter[1]);
    FILE* replies = fdopen(fromWriter[0], "r");
    bool ok = true;
    for (int i = 1; i <= kNotifySamples + 5 && ok; ++i) {
        gHeard = Heard();
        const std::string line = std::to_string(i) + "\n";
        ok = write(toWriter[1], line.data(), line.size()) == ssize_t(line.size());
        if (ok && gHeard.value != i)
            RunLoop(2.0);
        double before = 0;
        int rc = -1;
        ok = ok && fscanf(replies, "%lf %d", &before, &rc) == 2 && rc == 0;
        if (ok && gHeard.value != i)
            RunLoop(2.0);
        if (!ok || gHeard.value != i) {
            ok = Fail(std::string(store) + ": change " + std::to_string(i) + " was not heard");
            break;
        }
        if (i > 5) // the first changes set up the writer's connection
            out->push_back((gHeard.at - before) * 1000);
    }
    close(toWriter[1]);
    fclose(replies);
    waitpid(pid, nullptr, 0);
    return ok;
}

// ---- launch requests

struct LaunchOutcome {
    bool done = false;
    app_control_result_e result = APP_CONTROL_RESULT_FAILED;
    double at = -1;
};

bool TimeLaunch(double* cold, std::vector<double>* warm) {
    for (int i = 0; i <= kLaunchSamples; ++i) {
        app_control_h request = nullptr;
        app_control_create(&request);
        app_control_set_app_id(request, kServiceId);
        app_control_set_operation(request, APP_CONTROL_OPERATION_SETTINGS);
        LaunchOutcome outcome;
        const double sent = Now();
        const int rc = app_control_send_launch_request(
            request,
            [](app_control_h, app_control_h, app_control_result_e result, void* data) {
                auto* o = static_cast<LaunchOutcome*>(data);
                o->done = true;
                o->result = result;
                o->at = Now();
                ecore_main_loop_quit();
            },
            &outcome);
        app_control_destroy(request);
        if (rc != APP_CONTROL_ERROR_NONE)
            return Fail("launch request to " + std::string(kServiceId) +
                        " not sent: " + std::to_string(rc));
        if (!outcome.done)
            RunLoop(10);
        if (!outcome.done || outcome.result != APP_CONTROL_RESULT_SUCCEEDED)
            return Fail("no successful reply from " + std::string(kServiceId));
        const double ms = (outcome.at - sent) * 1000;
        if (i == 0)
            *cold = ms;
        else
            warm->push_back(ms);
    }
    return true;
}

// ---- the figures

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Reads the options; false with the exit status when the program should end at once.
bool ParseOptions(int argc, char** argv, int* rounds, std::string* jsonPath, int* status) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            *rounds = std::max(1, atoi(argv[++i]));
        else if (strcmp(argv[i], "--json") == 0 && i + 1 < argc)
            *jsonPath = argv[++i];
        else {
            fprintf(stderr, "usage: %s [--rounds N] [--json FILE]\n", argv[0]);
            *status = 2;
            return false;
        }
    }
    return true;
}

// Headless and quiet, the same for every program; a home that keeps its caches from one
// run to the next, as a device's does.
void SetEnvironment(const std::string& root) {
    std::filesystem::create_directories(BENCH_HOME);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "WATCH_APP_ID", "WATCH_LOG_STDERR"})
        unsetenv(name);
    for (const std::pair<const char*, std::string>& e :
         std::vector<std::pair<const char*, std::string>>{
             {"WATCH_ROOT", root},
             {"ELM_DISPLAY", "buffer"},
             {"ELM_ACCEL", "none"},
             {"ELM_ENGINE", "buffer"},
             {"EINA_LOG_BACKTRACE", "0"},
             {"HOME", BENCH_HOME},
             {"XDG_RUNTIME_DIR", BENCH_HOME},
             {"XDG_CACHE_HOME", std::string(BENCH_HOME) + "/.cache"},
             {"XDG_CONFIG_HOME", std::string(BENCH_HOME) + "/.config"},
             {"XDG_DATA_HOME", std::string(BENCH_HOME) + "/.local/share"}})
        setenv(e.first, e.second.c_str(), 1);
}

// Installs the package on the device root and boots it, in English.
bool PrepareDevice(const std::string& root, const std::string& log) {
    if (Watchctl({"install", WATCH_PACKAGE_STAGE}, log) && Watchctl({"boot"}, log) &&
        Watchctl({"lang", "en_US.UTF-8"}, log) &&
        // The first-start tutorial would hold the bezel; a user meets it once.
        Watchctl({"pref", kWatchFaceId, "set", dalvexa::kTutorialDoneKey, "true", "--type", "bool"},
                 log))
        return true;
    return Fail("cannot set up the device in " + root + " (see " + log + ")");
}

// The frames of an editor's run, each to the figure of its phase.
void AddFrames(const Report& r, Figures* fig) {
    for (const Report::Frame& f : r.frames) {
        const FrameTime time{(f.post - f.pre) * 1000, f.tick > 0 ? (f.post - f.tick) * 1000 : -1};
        // The zoom lasts 0.2 s; the frames after it until the pages and OK show build
        // that screen.
        if (r.zoomStart > 0 && f.pre >= r.zoomStart && f.pre <= r.zoomStart + kZoomWindow &&
            f.post < r.interactive)
            fig->zoomFrames.push_back(time);
        else if (r.zoomStart > 0 && f.pre > r.zoomStart && f.post <= r.interactive)
            fig->pagesFrames.push_back(time);
        else if (r.okStart > 0 && f.pre >= r.okStart && f.pre <= r.okStart + 0.25)
            fig->okFrames.push_back(time);
    }
    for (const Report::Detent& d : r.detents)
        fig->detents.push_back({d.shown > 0 ? (d.shown - d.fed) * 1000 : -1, d.frames});
}

// The rounds of the bare window and the editor, played to OK; round 0 warms the caches.
bool RunRounds(const std::string& root, int rounds, Figures* fig) {
    for (int round = 0; round <= rounds; ++round) {
        Run bare, editor;
        if (!RunProgram(BENCH_BARE_WINDOW, {}, root, 20, false, &bare) ||
            !RunProgram(BENCH_EDITOR, {std::string("WATCH_APP_ID=") + kEditorId}, root, 30, true,
                        &editor) ||
            !WaitForHandOver(root))
            return false;
        if (round == 0)
            continue;
        fig->AddBare(bare.report.firstFrame - bare.spawned, bare.peakMiB);
        const Report& r = editor.report;
        fig->AddEditorStart(r.firstFrame - editor.spawned, r.interactive - editor.spawned,
                            editor.peakMiB);
        AddFrames(r, fig);
        printf("  round %d: bare first frame %.1f ms; editor first frame %.1f ms, interactive "
               "%.1f ms, peak %.1f MiB\n",
               round, (bare.report.firstFrame - bare.spawned) * 1000,
               (r.firstFrame - editor.spawned) * 1000, (r.interactive - editor.spawned) * 1000,
               editor.peakMiB);
        fflush(stdout);
    }
    return true;
}

// The battery's figures: the watch face in front after the last round's OK, then an
// editor left idle on its page.
bool WatchQuietPrograms(const std::string& root, Figures* fig) {
    const pid_t face = FrontWatchFace(root);
    if (face <= 0)
        return Fail("the watch face is not in front");
    Sleep(kSettleSeconds);
    if (!WatchQuiet(face, &fig->faceQuiet))
        return false;
    const std::string reportPath = root + "/report";
    unlink(reportPath.c_str());
    const pid_t pid = Spawn(
        {BENCH_EDITOR},
        {std::string("WATCH_APP_ID=") + kEditorId, "BENCH_IDLE=1", "BENCH_REPORT=" + reportPath},
        root + "/programs.log");
    bool ok = pid > 0 && WaitForFile(reportPath, 30);
    if (ok) {
        Sleep(kSettleSeconds);
        ok = WatchQuiet(pid, &fig->editorQuiet);
    } else {
        Fail("the idle editor did not show its pages (see " + root + "/programs.log)");
    }
    if (pid > 0) {
        kill(pid, SIGTERM);
        Reap(pid, 10);
    }
    return ok;
}

// Change notification of both stores across processes and the launch-request round trip.
bool TimeServices(Figures* fig) {
    ecore_init();
    bool ok = TimeNotifications("vconf", &fig->notifyVconf) &&
              TimeLaunch(&fig->launchCold, &fig->launchWarm);
    if (ok) {
        setenv("WATCH_APP_ID", kWatchFaceId, 1);
        ok = TimeNotifications("pref", &fig->notifyPref);
        unsetenv("WATCH_APP_ID");
    }
    watch::appfw::ShutdownLaunches();
    return ok;
}

int Main(int argc, char** argv) {
    int rounds = 10;
    std::string jsonPath = BENCH_JSON;
    int status = 0;
    if (!ParseOptions(argc, argv, &rounds, &jsonPath, &status))
        return status;
    char tmpl[] = "/tmp/watch-bench-XXXXXX";
    if (!mkdtemp(tmpl))
        return 2;
    const std::string root = tmpl;
    SetEnvironment(root);
    const std::string log = root + "/bench.log";
    if (!PrepareDevice(root, log))
        return 1;
    const std::string loadBefore = LoadAverage();
    printf("bench: %d rounds on %s (load %s)\n", rounds, root.c_str(), loadBefore.c_str());
    fflush(stdout);

    Figures fig;
    const bool ok =
        RunRounds(root, rounds, &fig) && WatchQuietPrograms(root, &fig) && TimeServices(&fig);
    fig.loadBefore = loadBefore;
    fig.loadAfter = LoadAverage();
    fig.rounds = rounds;
    Watchctl({"shutdown"}, log);
    if (!ok) {
        fprintf(stderr, "bench: incomplete; the device root %s is kept\n", root.c_str());
        return 1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);

    const bool met = fig.Print(stdout);
    if (!fig.WriteJson(jsonPath))
        return Fail("cannot write " + jsonPath), 1;
    printf("\nfigures written to %s\n", jsonPath.c_str());
    return met ? 0 : 3;
}

} // namespace

} // namespace bench

int main(int argc, char** argv) {
    return bench::Main(argc, argv);
}
