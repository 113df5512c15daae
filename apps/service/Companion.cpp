#include "Companion.h"

#include "dalvexa_palette.h"

#include <app.h>
#include <app_preference.h>
#include <dlog.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>

namespace dalvexa {

namespace {

const char* const kTag = "CLOCK-DALVEXA-SERVICE";

#define LOGI(...) dlog_print(DLOG_INFO, kTag, __VA_ARGS__)
#define LOGE(...) dlog_print(DLOG_ERROR, kTag, __VA_ARGS__)

std::string Take(char* text) {
    std::string out = text ? text : "";
    free(text);
    return out;
}

} // namespace

std::string NowIso8601() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char stamp[64];
    strftime(stamp, sizeof(stamp), "%Y-%m-%dT%H:%M:%S", &local);
    char zone[8];
    strftime(zone, sizeof(zone), "%z", &local); // +hhmm
    char out[96];
    snprintf(out, sizeof(out), "%s.%03ld%.3s:%.2s", stamp, now.tv_nsec / 1000000L, zone, zone + 3);
    return out;
}

bool AppendLine(const std::string& path, const std::string& line, std::string* error) {
    const int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = "cannot open " + path + ": " + strerror(errno);
        return false;
    }
    std::string data;
    struct stat st {};
    if (fstat(fd, &st) == 0 && st.st_size > 0) {
        char last = '\n';
        if (pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
            data = "\n";
    }
    data += line;
    data += '\n';
    const ssize_t written = write(fd, data.data(), data.size());
    bool ok = written == static_cast<ssize_t>(data.size());
    if (!ok) {
        *error = "cannot write " + path + ": " +
                 (written < 0 ? strerror(errno) : std::string("short write"));
        // Take back a partial line, so that the file stays as it was.
        if (written > 0 && ftruncate(fd, st.st_size) != 0)
            *error += " (and the partial line stays)";
    } else if (fsync(fd) != 0) {
        *error = "cannot sync " + path + ": " + strerror(errno);
        ok = false;
    }
    close(fd);
    return ok;
}

bool ParseBand(const char* text, int* band) {
    if (!text || text[0] < '0' || text[0] > '9' || text[1] != '\0')
        return false;
    const int value = text[0] - '0';
    if (value >= DALVEXA_BAND_COUNT)
        return false;
    *band = value;
    return true;
}

void Companion::HandleRequest(app_control_h request) {
    char* raw = nullptr;
    const std::string operation =
        app_control_get_operation(request, &raw) == APP_CONTROL_ERROR_NONE ? Take(raw) : "";
    raw = nullptr;
    const std::string caller =
        app_control_get_caller(request, &raw) == APP_CONTROL_ERROR_NONE ? Take(raw) : "";
    raw = nullptr;
    const std::string message =
        app_control_get_extra_data(request, kPhoneMessageExtra, &raw) == APP_CONTROL_ERROR_NONE
            ? Take(raw)
            : std::string();

    const bool phoneSets =
        operation != APP_CONTROL_OPERATION_SETTINGS && message == kSetColorStyleMessage;
    Answer answer;
    Told told;
    if (!phoneSets)
        told = TellStoredBand(operation, caller);
    if (operation == APP_CONTROL_OPERATION_SETTINGS) {
        answer = Settings(operation, caller, told);
    } else if (phoneSets) {
        answer = SetColorStyle(request);
        // A refused message leaves the stored band as it was: tell it like any request.
        if (answer.result != APP_CONTROL_RESULT_SUCCEEDED)
            TellStoredBand(operation, caller);
    } else {
        answer.error = message.empty() ? "unknown request (operation \"" + operation + "\")"
                                       : "unknown phone message \"" + message + "\"";
        LOGE("refused a request from %s: %s", caller.empty() ? "?" : caller.c_str(),
             answer.error.c_str());
    }
    Reply(request, answer);
}

Companion::Companion(std::string outboxPath) : mOutboxPath(std::move(outboxPath)) {
    std::ifstream kept(mOutboxPath + ".band");
    if (kept >> mLastTold) {
        mHasLastTold = true;
        return;
    }
    std::ifstream in(mOutboxPath);
    size_t skipped = 0;
    for (const OutboxEntry& entry : ReadOutbox(in, &skipped)) {
        if (entry.record.hasBand) {
            mHasLastTold = true;
            mLastTold = entry.record.band;
        }
    }
    if (skipped)
        LOGE("%zu damaged line(s) in %s left out", skipped, mOutboxPath.c_str());
}

Companion::Told Companion::TellStoredBand(const std::string& operation, const std::string& caller) {
    Told told;
    const int rc = preference_get_int(kColorBandKey, &told.band);
    if (rc != PREFERENCE_ERROR_NONE) {
        if (rc != PREFERENCE_ERROR_NO_KEY)
            LOGE("preference_get_int(%s) failed [0x%x]", kColorBandKey, rc);
        return told;
    }
    told.hasBand = true;
    if (mHasLastTold && mLastTold == told.band)
        return told;
    OutboxRecord record;
    record.time = NowIso8601();
    record.operation = operation;
    record.caller = caller;
    record.hasBand = true;
    record.band = told.band;
    if (!AppendLine(mOutboxPath, EncodeRecord(record), &told.error)) {
        LOGE("colour band %d not recorded for the phone: %s", told.band, told.error.c_str());
        return told;
    }
    SetLastTold(told.band);
    LOGI("request from %s: colour band %d recorded for the phone",
         caller.empty() ? "?" : caller.c_str(), told.band);
    return told;
}

void Companion::SetLastTold(int band) {
    mHasLastTold = true;
    mLastTold = band;
    // Written aside and renamed over the old file, so that it is always whole.
    const std::string path = mOutboxPath + ".band", temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << band << "\n";
        if (!out.flush()) {
            LOGE("cannot write %s: the outbox's last band stands in", temp.c_str());
            return;
        }
    }
    if (rename(temp.c_str(), path.c_str()) != 0)
        LOGE("cannot rename %s: %s", temp.c_str(), strerror(errno));
}

Companion::Answer Companion::Settings(const std::string& operation, const std::string& caller,
                                      const Told& told) {
    Answer answer;
    if (!told.error.empty()) {
        LOGE("settings request from %s not recorded: %s", caller.c_str(), told.error.c_str());
        answer.error = told.error;
        return answer;
    }
    if (!told.hasBand) {
        // The phone still hears that there is no band.
        OutboxRecord record;
        record.time = NowIso8601();
        record.operation = operation;
        record.caller = caller;
        std::string error;
        if (!AppendLine(mOutboxPath, EncodeRecord(record), &error)) {
            LOGE("settings request from %s not recorded: %s", caller.c_str(), error.c_str());
            answer.error = error;
            return answer;
        }
        LOGI("settings request from %s: no colour band stored, recorded for the phone",
             caller.empty() ? "?" : caller.c_str());
    } else {
        answer.band = std::to_string(told.band);
    }
    answer.result = APP_CONTROL_RESULT_SUCCEEDED;
    return answer;
}

Companion::Answer Companion::SetColorStyle(app_control_h request) {
    Answer answer;
    char* raw = nullptr;
    const int rc = app_control_get_extra_data(request, kColorStyleExtra, &raw);
    const std::string text = rc == APP_CONTROL_ERROR_NONE ? Take(raw) : std::string();
    int band = 0;
    if (rc != APP_CONTROL_ERROR_NONE) {
        answer.error = "the phone's message has no \"clock_color_style\"";
    } else if (!ParseBand(text.c_str(), &band)) {
        answer.error = "the phone sent the colour band \"" + text + "\", not one of 0.." +
                       std::to_string(DALVEXA_BAND_COUNT - 1);
    } else {
        const int set = preference_set_int(kColorBandKey, band);
        if (set != PREFERENCE_ERROR_NONE)
            answer.error = "preference_set_int failed [" + std::to_string(set) + "]";
    }
    if (!answer.error.empty()) {
        LOGE("phone message refused: %s", answer.error.c_str());
        return answer;
    }
    LOGI("the phone set colour band %d (%s)", band, dalvexa_band_get(band)->name);
    SetLastTold(band);
    answer.result = APP_CONTROL_RESULT_SUCCEEDED;
    answer.band = std::to_string(band);
    return answer;
}

void Companion::Reply(app_control_h request, const Answer& answer) {
    bool wanted = false;
    if (app_control_is_reply_requested(request, &wanted) != APP_CONTROL_ERROR_NONE || !wanted)
        return;
    app_control_h reply = nullptr;
    int rc = app_control_create(&reply);
    if (rc != APP_CONTROL_ERROR_NONE) {
        LOGE("app_control_create failed [%d]: the caller gets no answer", rc);
        return;
    }
    if (!answer.band.empty())
        app_control_add_extra_data(reply, kColorStyleExtra, answer.band.c_str());
    if (!answer.error.empty())
        app_control_add_extra_data(reply, kErrorExtra, answer.error.c_str());
    rc = app_control_reply_to_launch_request(reply, request, answer.result);
    if (rc != APP_CONTROL_ERROR_NONE)
        LOGE("app_control_reply_to_launch_request failed [%d]", rc);
    app_control_destroy(reply);
}

int CompanionMain(int argc, char** argv) {
    std::unique_ptr<Companion> companion;
    service_app_lifecycle_callback_s callbacks{};
    callbacks.create = [](void* data) {
        char* dir = app_get_data_path();
        if (!dir) {
            LOGE("no data folder: the companion does not start");
            return false;
        }
        const std::string outbox = std::string(dir) + kOutboxFile;
        free(dir);
        static_cast<std::unique_ptr<Companion>*>(data)->reset(new Companion(outbox));
        LOGI("started; messages for the phone go to %s", outbox.c_str());
        return true;
    };
    callbacks.app_control = [](app_control_h request, void* data) {
        auto* owner = static_cast<std::unique_ptr<Companion>*>(data);
        if (*owner)
            (*owner)->HandleRequest(request);
    };
    callbacks.terminate = [](void* data) {
        static_cast<std::unique_ptr<Companion>*>(data)->reset();
        LOGI("stopped");
    };
    return service_app_main(argc, argv, &callbacks, &companion);
}

} // namespace dalvexa
