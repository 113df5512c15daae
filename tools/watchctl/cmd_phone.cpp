// watchctl phone: plays the paired phone of the Dalvexa face's companion service.
#include "watch_appfw.h"
#include "watch_device.h"
#include "watchctl.h"

#include <app_control.h>

#include <Ecore.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const char* const kPackage = "com.korvane.clock-dalvexa";
const char* const kService = "com.korvane.clock-dalvexa.service";
const char* const kOutboxFile = "phone-outbox.jsonl";

const char kUsage[] =
    "Usage: watchctl phone set-band N [--timeout S]\n"
    "       watchctl phone outbox\n"
    "set-band: sends the companion service com.korvane.clock-dalvexa.service the message the\n"
    "paired phone sends when its user picks colour band N (0 blue, 1 white, 2 orange,\n"
    "3 purple, 4 mint). The service stores the band in the package preferences, and every\n"
    "process of the package hears of it. Prints the service's answer (KEY=VALUE lines and\n"
    "result=succeeded|failed); exit status 0 only when the band was stored.\n"
    "outbox: prints the messages the service has recorded for the phone, oldest first\n"
    "(one JSON object per line, from <root>/apps/com.korvane.clock-dalvexa/data/"
    "phone-outbox.jsonl).\n";

int Run(int argc, char** argv);
const watchctl::Command kCommand = {"phone", "play the paired phone: set the colour band, outbox",
                                    kUsage, Run};

struct Outcome {
    bool done = false;
    bool replied = false;
    bool succeeded = false;
    bool timedOut = false;
};

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
    printf("result=%s\n", result == APP_CONTROL_RESULT_SUCCEEDED ? "succeeded" : "failed");
    outcome->done = true;
    outcome->replied = reply != nullptr;
    outcome->succeeded = result == APP_CONTROL_RESULT_SUCCEEDED;
    ecore_main_loop_quit();
}

Eina_Bool OnTimeout(void* data) {
    static_cast<Outcome*>(data)->timedOut = true;
    ecore_main_loop_quit();
    return ECORE_CALLBACK_CANCEL;
}

int SetBand(const std::string& band, double timeout) {
    ecore_app_no_system_modules();
    ecore_init();
    app_control_h request = nullptr;
    int rc = app_control_create(&request);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_set_app_id(request, kService);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_add_extra_data(request, "phone_message", "set_clock_color_style");
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_add_extra_data(request, "clock_color_style", band.c_str());
    Outcome outcome;
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_send_launch_request(request, OnReply, &outcome);
    if (request)
        app_control_destroy(request);
    int status = 0;
    if (rc == APP_CONTROL_ERROR_APP_NOT_FOUND) {
        status = watchctl::Fail("phone: %s is not installed (watchctl install)", kService);
    } else if (rc == APP_CONTROL_ERROR_LAUNCH_FAILED) {
        status = watchctl::Fail("phone: the device is not booted (watchctl boot)");
    } else if (rc != APP_CONTROL_ERROR_NONE) {
        status = watchctl::Fail("phone: the message could not be sent [%d]", rc);
    } else {
        Ecore_Timer* timer = ecore_timer_add(timeout, OnTimeout, &outcome);
        ecore_main_loop_begin();
        if (!outcome.timedOut)
            ecore_timer_del(timer);
        if (!outcome.done)
            status = watchctl::Fail("phone: no answer from %s within %g s", kService, timeout);
        else if (!outcome.replied)
            status =
                watchctl::Fail("phone: %s ended without answering; see `watchctl log`", kService);
        else if (!outcome.succeeded)
            status = 1;
    }
    fflush(stdout);
    watch::appfw::ShutdownLaunches();
    ecore_shutdown();
    return status;
}

int Outbox() {
    const std::string path =
        watch::PackageFolderPath(kPackage, watch::PackageFolder::Data) + kOutboxFile;
    std::ifstream in(path);
    if (!in) {
        // Nothing sent yet is not a fault.
        if (errno == ENOENT)
            return 0;
        return watchctl::Fail("phone outbox: cannot read %s", path.c_str());
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty())
            printf("%s\n", line.c_str());
    }
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 2)
        return watchctl::UsageError(kCommand, "set-band or outbox?");
    const std::string action = argv[1];
    if (action == "outbox") {
        if (argc != 2)
            return watchctl::UsageError(kCommand, "outbox takes no arguments");
        return Outbox();
    }
    if (action != "set-band")
        return watchctl::UsageError(kCommand, "unknown action \"%s\"", action.c_str());
    std::string band;
    bool haveBand = false;
    double timeout = 10;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--timeout" && i + 1 < argc) {
            char* end = nullptr;
            errno = 0;
            timeout = strtod(argv[++i], &end);
            if (errno || !end || *end || !(timeout > 0) || !std::isfinite(timeout))
                return watchctl::UsageError(kCommand, "--timeout takes a positive number of "
                                                      "seconds");
        } else if (!haveBand) {
            // Passed on as the phone would send it: the service judges it.
            band = arg;
            haveBand = true;
        } else {
            return watchctl::UsageError(kCommand, "one band only");
        }
    }
    if (!haveBand)
        return watchctl::UsageError(kCommand, "which band (0..4)?");
    return SetBand(band, timeout);
}

} // namespace

WATCHCTL_REGISTER(kCommand);
