#include "LogCapture.h"

#include <dlog_hook.h>

#include <algorithm>

namespace watchtest {

LogCapture::LogCapture() {
    dlog_set_hook(
        [](log_id_t, int prio, const char* tag, const char* msg, void* data) {
            LogCapture* self = static_cast<LogCapture*>(data);
            std::lock_guard<std::mutex> lock(self->mMutex);
            self->mLines.push_back({prio, tag ? tag : "", msg ? msg : ""});
        },
        this);
}

LogCapture::~LogCapture() {
    dlog_set_hook(nullptr, nullptr);
}

std::vector<LogLine> LogCapture::Lines() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mLines;
}

std::vector<std::string> LogCapture::Messages(const std::string& tag) const {
    std::vector<std::string> out;
    for (const LogLine& l : Lines()) {
        if (tag.empty() || l.tag == tag)
            out.push_back(l.message);
    }
    return out;
}

int LogCapture::Count(const std::string& part) const {
    const std::vector<std::string> all = Messages();
    return static_cast<int>(std::count_if(all.begin(), all.end(), [&](const std::string& m) {
        return m.find(part) != std::string::npos;
    }));
}

std::vector<std::string> LogCapture::Bodies(const std::string& tag) const {
    std::vector<std::string> bodies;
    for (const std::string& message : Messages(tag)) {
        const std::string body = LogBody(message);
        const size_t guard = body.find("] (");
        const bool isGuard = body.rfind('[', 0) == 0 && guard != std::string::npos;
        bodies.push_back(isGuard ? body.substr(guard + 2) : body);
    }
    return bodies;
}

int LogCapture::CountBody(const std::string& tag, const std::string& body) const {
    const std::vector<std::string> bodies = Bodies(tag);
    return static_cast<int>(std::count(bodies.begin(), bodies.end(), body));
}

void LogCapture::Clear() {
    std::lock_guard<std::mutex> lock(mMutex);
    mLines.clear();
}

std::string LogCapture::Dump() const {
    std::string out;
    for (const LogLine& l : Lines())
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
