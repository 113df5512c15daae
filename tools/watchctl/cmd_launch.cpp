// watchctl launch: sends a launch request and prints the reply.
#include "app_control.h"
#include "watch_appfw.h"
#include "watchctl.h"

#include <Ecore.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: watchctl launch APPID [-o OPERATION] [-u URI] [-d KEY=VALUE]... [--timeout S]\n"
    "Sends a launch request to the application APPID (starting it when it does not run)\n"
    "and waits for its reply, however late, or until S seconds have passed.\n"
    "Prints the reply's extra data as KEY=VALUE lines, then result=succeeded|failed|canceled.\n"
    "Exit status: 0 when a reply came, 1 when none came (or the request could not be sent).\n";

int Run(int argc, char** argv);
const watchctl::Command kCommand = {"launch", "send a launch request and print the reply", kUsage,
                                    Run};

struct Outcome {
    bool done = false;
    bool replied = false;
    bool timedOut = false;
};

const char* ResultName(app_control_result_e result) {
    switch (result) {
    case APP_CONTROL_RESULT_SUCCEEDED:
        return "succeeded";
    case APP_CONTROL_RESULT_CANCELED:
        return "canceled";
    case APP_CONTROL_RESULT_APP_STARTED:
        return "started";
    default:
        return "failed";
    }
}

bool PrintExtra(app_control_h reply, const char* key, void*) {
    char* value = nullptr;
    if (app_control_get_extra_data(reply, key, &value) == APP_CONTROL_ERROR_NONE) {
        printf("%s=%s\n", key, value);
        free(value);
    }
    return true;
}

void OnReply(app_control_h, app_control_h reply, app_control_result_e result, void* data) {
    Outcome* outcome = static_cast<Outcome*>(data);
    if (reply)
        app_control_foreach_extra_data(reply, PrintExtra, nullptr);
    printf("result=%s\n", ResultName(result));
    outcome->done = true;
    outcome->replied = reply != nullptr;
    ecore_main_loop_quit();
}

const char* SendError(int code) {
    switch (code) {
    case APP_CONTROL_ERROR_APP_NOT_FOUND:
        return "no such application is installed";
    case APP_CONTROL_ERROR_LAUNCH_FAILED:
        return "the device is not booted (no device bus)";
    case APP_CONTROL_ERROR_LAUNCH_REJECTED:
        return "the application cannot be reached on the bus";
    case APP_CONTROL_ERROR_INVALID_PARAMETER:
        return "the request is invalid or too large";
    default:
        return "the request could not be sent";
    }
}

int Run(int argc, char** argv) {
    std::string appId, operation, uri;
    std::vector<std::pair<std::string, std::string>> extras;
    double timeout = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if ((arg == "-o" || arg == "--operation") && hasValue) {
            operation = argv[++i];
        } else if ((arg == "-u" || arg == "--uri") && hasValue) {
            uri = argv[++i];
        } else if ((arg == "-d" || arg == "--data") && hasValue) {
            const std::string pair = argv[++i];
            const size_t eq = pair.find('=');
            if (eq == std::string::npos || eq == 0)
                return watchctl::UsageError(kCommand, "expected KEY=VALUE, got \"%s\"",
                                            pair.c_str());
            extras.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        } else if (arg == "--timeout" && hasValue) {
            char* end = nullptr;
            errno = 0;
            timeout = strtod(argv[++i], &end);
            if (errno || !end || *end || !(timeout > 0) || !std::isfinite(timeout))
                return watchctl::UsageError(kCommand, "--timeout takes a positive number of "
                                                      "seconds");
        } else if (!arg.empty() && arg[0] == '-') {
            return watchctl::UsageError(kCommand, "unknown or incomplete option %s", arg.c_str());
        } else if (appId.empty()) {
            appId = arg;
        } else {
            return watchctl::UsageError(kCommand, "one application id only");
        }
    }
    if (appId.empty())
        return watchctl::UsageError(kCommand, "which application?");

    ecore_app_no_system_modules();
    ecore_init();
    app_control_h request = nullptr;
    int rc = app_control_create(&request);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_set_app_id(request, appId.c_str());
    if (rc == APP_CONTROL_ERROR_NONE && !operation.empty())
        rc = app_control_set_operation(request, operation.c_str());
    if (rc == APP_CONTROL_ERROR_NONE && !uri.empty())
        rc = app_control_set_uri(request, uri.c_str());
    for (const auto& extra : extras) {
        if (rc == APP_CONTROL_ERROR_NONE)
            rc = app_control_add_extra_data(request, extra.first.c_str(), extra.second.c_str());
    }
    Outcome outcome;
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_send_launch_request(request, OnReply, &outcome);
    // The request travels on its own: the handle is not needed any more.
    if (request)
        app_control_destroy(request);
    int status = 0;
    if (rc != APP_CONTROL_ERROR_NONE) {
        status = watchctl::Fail("launch: %s: %s", appId.c_str(), SendError(rc));
    } else {
        Ecore_Timer* timer = nullptr;
        if (timeout > 0)
            timer = ecore_timer_add(
                timeout,
                [](void* data) -> Eina_Bool {
                    static_cast<Outcome*>(data)->timedOut = true;
                    ecore_main_loop_quit();
                    return ECORE_CALLBACK_CANCEL;
                },
                &outcome);
        ecore_main_loop_begin();
        if (timer && !outcome.timedOut)
            ecore_timer_del(timer);
        if (!outcome.done)
            status = watchctl::Fail("launch: no reply from %s within %g s", appId.c_str(), timeout);
        else if (!outcome.replied)
            status = watchctl::Fail("launch: no reply came from %s (it ended or let go of the "
                                    "request, or the bus gave up); see `watchctl log`",
                                    appId.c_str());
    }
    fflush(stdout);
    watch::appfw::ShutdownLaunches();
    ecore_shutdown();
    return status;
}

} // namespace

WATCHCTL_REGISTER(kCommand);
