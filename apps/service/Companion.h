// The companion service of the Dalvexa face: the watch's end of the link with the paired
// phone. What it would send to the phone it records, one JSON object per line, in
// <data>/phone-outbox.jsonl; what the phone sends it arrives as launch requests.
//
// Requests it serves:
//   operation APP_CONTROL_OPERATION_SETTINGS (from the editor after OK): makes sure the
//     phone is told the stored band ("clock_color_style" message) and answers SUCCEEDED at
//     once with it.
//   extra "phone_message" = "set_clock_color_style" with extra "clock_color_style" = N
//     (what the phone sends when its user picks band N): stores N (a band of the palette)
//     in the package preferences, so every process of the package hears of it, and answers
//     SUCCEEDED with "clock_color_style" = N; anything else is refused with FAILED and
//     "error".
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
    // outboxPath: where the messages for the phone go. The band last told to the phone is
    // kept beside it (outboxPath + ".band"); without that file, it is the band of the
    // outbox's last record with one.
    explicit Companion(std::string outboxPath);

    // Serves one launch request (the handle is valid during the call) and answers it
    // when its caller waits for an answer. Before serving it, the stored band is recorded
    // for the phone when it is not the band last told, so that a band stored while the
    // service did not run reaches the phone, and never twice in a row. A band the phone
    // sets is one it knows: it becomes the band last told.
    void HandleRequest(app_control_h request);

    const std::string& OutboxPath() const { return mOutboxPath; }

  private:
    // The answer: result and optional extras.
    struct Answer {
        app_control_result_e result = APP_CONTROL_RESULT_FAILED;
        std::string band; // "clock_color_style", when set
        std::string error;
    };
    // What telling the stored band came to.
    struct Told {
        bool hasBand = false; // a band is stored
        int band = 0;
        std::string error; // the outbox could not be written
    };
    Told TellStoredBand(const std::string& operation, const std::string& caller);
    Answer Settings(const std::string& operation, const std::string& caller, const Told& told);
    Answer SetColorStyle(app_control_h request);
    // Remembers band as the one the phone knows, in memory and in the data folder.
    void SetLastTold(int band);
    void Reply(app_control_h request, const Answer& answer);

    std::string mOutboxPath;
    bool mHasLastTold = false;
    int mLastTold = 0;
};

// The program's entry: runs the companion under service_app_main.
int CompanionMain(int argc, char** argv);

} // namespace dalvexa
