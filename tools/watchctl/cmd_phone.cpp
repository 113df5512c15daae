// watchctl phone: plays the paired phone of the Dalvexa face's companion service.
#include "DalvexaNames.h"
#include "Outbox.h"
#include "dalvexa_palette.h"
#include "launch_reply.h"
#include "watch_device.h"
#include "watchctl.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace watchctl {

namespace {

using dalvexa::kOutboxFile;
using dalvexa::kServiceAppId;

// "0 blue, 1 white, ...": the bands of the palette.
std::string BandList() {
    std::string list;
    for (int band = 0; band < DALVEXA_BAND_COUNT; ++band)
        list += (band ? ", " : "") + std::to_string(band) + " " + dalvexa_band_get(band)->name;
    return list;
}

const std::string kUsage =
    std::string("Usage: watchctl phone set-band N [--timeout S]\n"
                "       watchctl phone outbox\n"
                "set-band: sends the companion service ") +
    kServiceAppId + " the message the paired phone\nsends when its user picks colour band N (" +
    BandList() +
    ").\nThe service stores the band in the package preferences, and every process of the\n"
    "package hears of it. Prints the service's answer (KEY=VALUE lines and\n"
    "result=succeeded|failed); exit status 0 only when the band was stored.\n"
    "outbox: prints the messages the service has recorded for the phone, oldest first\n"
    "(one JSON object per line, from <root>/apps/" +
    dalvexa::kFaceAppId + "/data/" + kOutboxFile +
    "); damaged lines are\nleft out and counted on standard error.\n";

int Run(int argc, char** argv);
const Command kCommand = {"phone", "play the paired phone: set the colour band, outbox",
                          kUsage.c_str(), Run};

int SetBand(const std::string& band, double timeout) {
    app_control_h request = nullptr;
    int rc = app_control_create(&request);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_set_app_id(request, kServiceAppId);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_add_extra_data(request, dalvexa::kPhoneMessageExtra,
                                        dalvexa::kSetColorStyleMessage);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_add_extra_data(request, dalvexa::kColorStyleExtra, band.c_str());
    LaunchOutcome outcome;
    if (rc == APP_CONTROL_ERROR_NONE)
        outcome = SendAndWait(request, timeout);
    if (request)
        app_control_destroy(request);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = outcome.sendError;
    if (rc == APP_CONTROL_ERROR_APP_NOT_FOUND)
        return Fail("phone: %s is not installed (watchctl install)", kServiceAppId);
    if (rc == APP_CONTROL_ERROR_LAUNCH_FAILED)
        return Fail("phone: the device is not booted (watchctl boot)");
    if (rc != APP_CONTROL_ERROR_NONE)
        return Fail("phone: the message could not be sent [%d]", rc);
    if (!outcome.done)
        return Fail("phone: no answer from %s within %g s", kServiceAppId, timeout);
    if (!outcome.replied)
        return Fail("phone: %s ended without answering; see `watchctl log`", kServiceAppId);
    return outcome.result == APP_CONTROL_RESULT_SUCCEEDED ? 0 : 1;
}

int Outbox() {
    const std::string path =
        watch::PackageFolderPath(dalvexa::kFaceAppId, watch::PackageFolder::Data) + kOutboxFile;
    std::ifstream in(path);
    if (!in) {
        // Nothing sent yet is not a fault.
        if (errno == ENOENT)
            return 0;
        return Fail("phone outbox: cannot read %s", path.c_str());
    }
    size_t skipped = 0;
    for (const dalvexa::OutboxEntry& entry : dalvexa::ReadOutbox(in, &skipped))
        printf("%s\n", entry.json.c_str());
    if (skipped)
        fprintf(stderr, "phone outbox: %zu damaged line(s) of %s left out\n", skipped,
                path.c_str());
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 2)
        return UsageError(kCommand, "set-band or outbox?");
    const std::string action = argv[1];
    if (action == "outbox") {
        if (argc != 2)
            return UsageError(kCommand, "outbox takes no arguments");
        return Outbox();
    }
    if (action != "set-band")
        return UsageError(kCommand, "unknown action \"%s\"", action.c_str());
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
                return UsageError(kCommand, "--timeout takes a positive number of "
                                            "seconds");
        } else if (!haveBand) {
            // Passed on as the phone would send it: the service judges it.
            band = arg;
            haveBand = true;
        } else {
            return UsageError(kCommand, "one band only");
        }
    }
    if (!haveBand)
        return UsageError(kCommand, "which band (0..%d)?", DALVEXA_BAND_COUNT - 1);
    return SetBand(band, timeout);
}

} // namespace

WATCHCTL_REGISTER(kCommand);

} // namespace watchctl
