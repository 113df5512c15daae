// Launch round trips on a fresh device: the first request to an application (started by
// the bus) and later ones to the running process. Not a test: prints what it measures.
//   appfw_launch_bench [ROUNDS]
#include "app_control.h"
#include "watch_appfw.h"

#include <Ecore.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <time.h>
#include <vector>

namespace {

double Now() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

bool Watchctl(const std::string& args) {
    const std::string command = std::string(WATCHCTL_PATH) + " " + args + " >/dev/null";
    return std::system(command.c_str()) == 0;
}

struct Round {
    bool done = false;
    bool ok = false;
};

// One request and its reply, in seconds; negative when it failed.
double RoundTrip(const char* appId) {
    Round round;
    app_control_h request = nullptr;
    app_control_create(&request);
    app_control_set_app_id(request, appId);
    app_control_add_extra_data(request, "bench", "1");
    const double start = Now();
    const int rc = app_control_send_launch_request(
        request,
        [](app_control_h, app_control_h reply, app_control_result_e result, void* data) {
            Round* r = static_cast<Round*>(data);
            r->done = true;
            r->ok = reply && result == APP_CONTROL_RESULT_SUCCEEDED;
            ecore_main_loop_quit();
        },
        &round);
    app_control_destroy(request);
    if (rc != APP_CONTROL_ERROR_NONE)
        return -1;
    Ecore_Timer* guard = ecore_timer_add(
        10.0,
        [](void*) -> Eina_Bool {
            ecore_main_loop_quit();
            return ECORE_CALLBACK_CANCEL;
        },
        nullptr);
    ecore_main_loop_begin();
    const double seconds = Now() - start;
    if (round.done)
        ecore_timer_del(guard);
    return round.done && round.ok ? seconds : -1;
}

void Report(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    if (samples.empty() || samples.front() < 0) {
        printf("%-40s failed\n", what);
        return;
    }
    const auto at = [&](double q) { return samples[size_t(q * double(samples.size() - 1))]; };
    printf("%-40s n=%zu median %.2f ms  p95 %.2f ms  max %.2f ms\n", what, samples.size(),
           at(0.5) * 1000, at(0.95) * 1000, samples.back() * 1000);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    char tmpl[] = "/tmp/watch-bench-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    setenv("WATCH_ROOT", tmpl, 1);
    setenv("ECORE_NO_SYSTEM_MODULES", "1", 1);
    setenv("ELM_DISPLAY", "buffer", 1);
    setenv("WATCH_LOG_STDERR", "0", 1);
    int status = 1;
    if (Watchctl(std::string("install ") + APPFW_TEST_STAGE) && Watchctl("boot")) {
        ecore_app_no_system_modules();
        ecore_init();
        Report("first request, service (started by bus)", {RoundTrip("test.appfw.service")});
        Report("first request, ui (started by bus)", {RoundTrip("test.appfw.ui")});
        for (const char* app : {"test.appfw.service", "test.appfw.ui"}) {
            std::vector<double> samples;
            for (int i = 0; i < rounds; ++i)
                samples.push_back(RoundTrip(app));
            Report((std::string("running ") + app).c_str(), samples);
        }
        watch::appfw::ShutdownLaunches();
        ecore_shutdown();
        status = 0;
    }
    Watchctl("shutdown");
    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
    return status;
}
