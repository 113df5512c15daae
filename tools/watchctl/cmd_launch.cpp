// watchctl launch: sends a launch request and prints the reply.
#include "app_control.h"
#include "launch_reply.h"
#include "watchctl.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace watchctl {

namespace {

const char kUsage[] =
    "Usage: watchctl launch APPID [-o OPERATION] [-u URI] [-d KEY=VALUE]... [--timeout S]\n"
    "Sends a launch request to the application APPID (starting it when it does not run)\n"
    "and waits for its reply, however late, or until S seconds have passed.\n"
    "Prints the reply's extra data as KEY=VALUE lines, then result=succeeded|failed|canceled.\n"
    "Exit status: 0 when a reply came, 1 when none came (or the request could not be sent).\n";

int Run(int argc, char** argv);
const Command kCommand = {"launch", "send a launch request and print the reply", kUsage, Run};

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
                return UsageError(kCommand, "expected KEY=VALUE, got \"%s\"", pair.c_str());
            extras.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        } else if (arg == "--timeout" && hasValue) {
            char* end = nullptr;
            errno = 0;
            timeout = strtod(argv[++i], &end);
            if (errno || !end || *end || !(timeout > 0) || !std::isfinite(timeout))
                return UsageError(kCommand, "--timeout takes a positive number of "
                                            "seconds");
        } else if (!arg.empty() && arg[0] == '-') {
            return UsageError(kCommand, "unknown or incomplete option %s", arg.c_str());
        } else if (appId.empty()) {
            appId = arg;
        } else {
            return UsageError(kCommand, "one application id only");
        }
    }
    if (appId.empty())
        return UsageError(kCommand, "which application?");

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
    LaunchOutcome outcome;
    if (rc == APP_CONTROL_ERROR_NONE)
        outcome = SendAndWait(request, timeout);
    if (request)
        app_control_destroy(request);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = outcome.sendError;
    if (rc != APP_CONTROL_ERROR_NONE)
        return Fail("launch: %s: %s", appId.c_str(), SendError(rc));
    if (!outcome.done)
        return Fail("launch: no reply from %s within %g s", appId.c_str(), timeout);
    if (!outcome.replied)
        return Fail("launch: no reply came from %s (it ended or let go of the "
                    "request, or the bus gave up); see `watchctl log`",
                    appId.c_str());
    return 0;
}

} // namespace

WATCHCTL_REGISTER(kCommand);

} // namespace watchctl
