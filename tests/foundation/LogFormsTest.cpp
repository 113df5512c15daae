// The logging forms write exactly the bytes the log readers rely on.
#define LOG_TAG "TEST-TAG"
#include "ClockLog.h"

#include "LogCapture.h"

#include <dlog.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

int LogFromNested();

namespace {

using watchtest::LogCapture;

int gLine = 0;
int gEvaluations = 0;

void PlainLog() {
    gLine = __LINE__ + 1;
    CLOCK_LOG("ColorBand: %d", 3);
}

void ReturnGuard(const char* pThis) {
    gLine = __LINE__ + 1;
    RETURN_IF(pThis == NULL);
    CLOCK_LOG("not reached");
}

int ReturnValueGuard(const char* parent) {
    gLine = __LINE__ + 1;
    RETURN_VALUE_IF(parent == NULL, -1);
    return 0;
}

int BreakGuard() {
    int steps = 0;
    do {
        ++steps;
        gLine = __LINE__ + 1;
        BREAK_IF(steps == 1);
        ++steps;
    } while (false);
    return steps;
}

void MessageGuard(int err) {
    gLine = __LINE__ + 1;
    RETURN_MESSAGE_IF(err != 0, "app_control_create failed, %d", err);
    CLOCK_LOG("not reached");
}

struct Outer {
    struct Inner {
        static void Member() {
            gLine = __LINE__ + 1;
            RETURN_IF(++gEvaluations > 0);
        }
    };
};

} // namespace

TEST(LogForms, EachFormWritesItsLineWithFileFunctionAndLine) {
    const std::string guard = "\033[0;40;31m";
    const struct {
        const char* function;
        std::function<void()> run;
        std::string text; // after "file: function(line) > "; @ stands for the line
    } cases[] = {
        {"PlainLog", PlainLog, "\033[1;40;31mColorBand: 3\033[0;m"},
        {"ReturnGuard", [] { ReturnGuard(nullptr); },
         guard + "[ReturnGuard(): @] (pThis == NULL) [return]\033[0;m"},
        {"ReturnValueGuard", [] { EXPECT_EQ(ReturnValueGuard(nullptr), -1); },
         guard + "[ReturnValueGuard(): @] (parent == NULL) [return]\033[0;m"},
        {"BreakGuard", [] { EXPECT_EQ(BreakGuard(), 1); },
         guard + "[BreakGuard(): @] (steps == 1) [break]\033[0;m"},
        {"MessageGuard", [] { MessageGuard(-12); },
         guard + "[MessageGuard(): @] app_control_create failed, -12 [return]\033[0;m"},
        // Undecorated name of a nested member; the condition is evaluated once.
        {"Member", [] { Outer::Inner::Member(); },
         guard + "[Member(): @] (++gEvaluations > 0) [return]\033[0;m"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        LogCapture log;
        gEvaluations = 0;
        c.run();
        ASSERT_EQ(log.Lines().size(), 1u) << log.Dump();
        const std::string line = std::to_string(gLine);
        std::string text = c.text;
        if (text.find('@') != std::string::npos)
            text.replace(text.find('@'), 1, line);
        EXPECT_EQ(log.Lines()[0].priority, DLOG_ERROR);
        EXPECT_EQ(log.Lines()[0].tag, "TEST-TAG");
        EXPECT_EQ(log.Lines()[0].message,
                  std::string("LogFormsTest.cpp: ") + c.function + "(" + line + ") > " + text);
    }
    EXPECT_EQ(gEvaluations, 1);

    // A guard that holds writes nothing and goes on.
    LogCapture log;
    EXPECT_EQ(ReturnValueGuard("p"), 0);
    EXPECT_TRUE(log.Lines().empty());
    // The base name of a file in another folder, and its own tag.
    int line = LogFromNested();
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].tag, "NESTED-TAG");
    EXPECT_EQ(log.Lines()[0].message, "LogFromNested.cpp: LogFromNested(" + std::to_string(line) +
                                          ") > \033[1;40;31mnested 7\033[0;m");
}
