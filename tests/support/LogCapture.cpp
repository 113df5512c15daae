#include "LogCapture.h"

#include <dlog_hook.h>

namespace watchtest {

LogCapture::LogCapture() {
    dlog_set_hook([](log_id_t id, int prio, const char* tag, const char* msg,
                     void* data) { Hook(id, prio, tag, msg, data); },
                  this);
}

LogCapture::~LogCapture() {
    dlog_set_hook(nullptr, nullptr);
}

void LogCapture::Hook(int, int prio, const char* tag, const char* msg, void* data) {
    LogCapture* self = static_cast<LogCapture*>(data);
    std::lock_guard<std::mutex> lock(self->mMutex);
    self->mLines.push_back({prio, tag ? tag : "", msg ? msg : ""});
}

std::vector<LogLine> LogCapture::Lines() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mLines;
}

std::vector<std::string> LogCapture::Messages(const std::string& tag) const {
    std::lock_guard<std::mutex> lock(mMutex);
    std::vector<std::string> out;
    for (const LogLine& l : mLines) {
        if (tag.empty() || l.tag == tag)
            out.push_back(l.message);
    }
    return out;
}

int LogCapture::Count(const std::string& part) const {
    std::lock_guard<std::mutex> lock(mMutex);
    int n = 0;
    for (const LogLine& l : mLines) {
        if (l.message.find(part) != std::string::npos)
            ++n;
    }
    return n;
}

void LogCapture::Clear() {
    std::lock_guard<std::mutex> lock(mMutex);
    mLines.clear();
}

std::string LogCapture::Dump() const {
    std::lock_guard<std::mutex> lock(mMutex);
    std::string out;
    for (const LogLine& l : mLines)
        out += l.tag + ": " + LogBody(l.message) + "\n";
    return out;
}

std::string LogBody(const std::string& message) {
    size_t start = message.find("m", message.find("\033["));
    size_t end = message.rfind("\033[0;m");
    if (start == std::string::npos || end == std::string::npos || end <= start)
        return message;
    return message.substr(start + 1, end - start - 1);
}

} // namespace watchtest
