// The companion service of the Dalvexa face: the watch's end of the link with the paired
// phone. What it would send to the phone it records, one JSON object per line, in
// <data>/phone-outbox.jsonl; what the phone sends it arrives as launch requests.
//
// Requests it serves:
//   operation APP_CONTROL_OPERATION_SETTINGS (from the editor after OK): records a
//     "clock_color_style" message with the stored band and answers SUCCEEDED at once.
//   extra "phone_message" = "set_clock_color_style" with extra "clock_color_style" = N
//     (what the phone sends when its user picks band N): stores N (a band of the palette) in the
//     package preferences, so every process of the package hears of it, and answers SUCCEEDED with
//     "clock_color_style" = N; anything else is refused with FAILED and "error".
#pragma once

#include "DalvexaNames.h"
#include "Outbox.h"

#include <app_control.h>

#include <string>

namespace dalvexa {

// The current local time as EncodeRecord writes it.
std::string NowIso8601();

// Appends line and a newline to path with one write, then syncs it. A file whose last
// line was cut short (a crash mid-write) gets a newline first, so that every record
// stays on a line of its own. False with a reason on failure; the file is then as before
// or holds the whole new line.
bool AppendLine(const std::string& path, const std::string& line, std::string* error);

// Parses a band as the phone sends it: one decimal digit naming a band of the palette.
bool ParseBand(const char* text, int* band);

class Companion {
  public:
    // outboxPath: where the messages for the phone go.
    explicit Companion(std::string outboxPath) : mOutboxPath(std::move(outboxPath)) {}

    // Serves one launch request (the handle is valid during the call) and answers it
    // when its caller waits for an answer.
    void HandleRequest(app_control_h request);

    const std::string& OutboxPath() const { return mOutboxPath; }

  private:
    // The answer: result and optional extras.
    struct Answer {
        app_control_result_e result = APP_CONTROL_RESULT_FAILED;
        std::string band; // "clock_color_style", when set
        std::string error;
    };
    Answer Settings(const std::string& operation, const std::string& caller);
    Answer SetColorStyle(app_control_h request);
    void Reply(app_control_h request, const Answer& answer);

    std::string mOutboxPath;
};

// The program's entry: runs the companion under service_app_main.
int CompanionMain(int argc, char** argv);

} // namespace dalvexa
