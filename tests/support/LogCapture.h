// Catches the platform log's lines in this process through the log layer's hook.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace watchtest {

struct LogLine {
    int priority;
    std::string tag;
    std::string message;
};

class LogCapture {
  public:
    LogCapture();  // installs the hook
    ~LogCapture(); // removes it

    std::vector<LogLine> Lines() const;
    // Messages only, optionally of one tag, in order.
    std::vector<std::string> Messages(const std::string& tag = std::string()) const;
    // Number of messages that contain `part`.
    int Count(const std::string& part) const;
    bool Contains(const std::string& part) const { return Count(part) > 0; }
    // The bodies (LogBody) of one tag's messages, in order, a guard line cut down to its
    // "(condition) [kind]"; and how many of them equal `body`.
    std::vector<std::string> Bodies(const std::string& tag) const;
    int CountBody(const std::string& tag, const std::string& body) const;
    void Clear();
    // Every message, one per line, for failure output.
    std::string Dump() const;

  private:
    mutable std::mutex mMutex;
    std::vector<LogLine> mLines;
};

// The body of a clock log line: the text between the colour switch and the reset,
// e.g. "ColorBand: 2" out of "EditorView.cpp: ViewStartAnimator(412) > \e[1;40;31mColorBand:
// 2\e[0;m".
std::string LogBody(const std::string& message);

} // namespace watchtest
