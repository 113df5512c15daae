// The five logging forms write exactly the bytes the log readers rely on.
#define LOG_TAG "TEST-TAG"
#include "ClockLog.h"

#include "LogCapture.h"

#include <dlog.h>
#include <gtest/gtest.h>

#include <string>

int LogFromNested();

namespace {

using watchtest::LogCapture;

std::string Frame(const char* function, int line) {
    return std::string("LogFormsTest.cpp: ") + function + "(" + std::to_string(line) + ") > ";
}

int gLine = 0;
int gEvaluations = 0;

bool CountedTrue() {
    ++gEvaluations;
    return true;
}

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

int BreakGuard(int* after) {
    int steps = 0;
    do {
        ++steps;
        gLine = __LINE__ + 1;
        BREAK_IF(steps == 1);
        ++steps;
    } while (false);
    *after = steps;
    return 0;
}

void MessageGuard(int err) {
    gLine = __LINE__ + 1;
    RETURN_MESSAGE_IF(err != 0, "app_control_create failed, %d", err);
    CLOCK_LOG("not reached");
}

void GuardEvaluatedOnce() {
    RETURN_IF(CountedTrue());
}

struct Outer {
    struct Inner {
        static void Member() { RETURN_IF(1 + 1 == 2); }
    };
};

} // namespace

TEST(LogForms, PlainLogLine) {
    LogCapture log;
    PlainLog();
    ASSERT_EQ(log.Lines().size(), 1u);
    const watchtest::LogLine line = log.Lines()[0];
    EXPECT_EQ(line.priority, DLOG_ERROR);
    EXPECT_EQ(line.tag, "TEST-TAG");
    EXPECT_EQ(line.message, Frame("PlainLog", gLine) + "\033[1;40;31mColorBand: 3\033[0;m");
}

TEST(LogForms, ReturnGuardLineAndEarlyReturn) {
    LogCapture log;
    ReturnGuard(nullptr);
    ASSERT_EQ(log.Lines().size(), 1u) << log.Dump();
    EXPECT_EQ(log.Lines()[0].message, Frame("ReturnGuard", gLine) +
                                          "\033[0;40;31m[ReturnGuard(): " + std::to_string(gLine) +
                                          "] (pThis == NULL) [return]\033[0;m");

    log.Clear();
    ReturnGuard("x");
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_NE(log.Messages()[0].find("not reached"), std::string::npos);
}

TEST(LogForms, ReturnValueGuardWritesTheReturnLineWithoutTheValue) {
    LogCapture log;
    EXPECT_EQ(ReturnValueGuard(nullptr), -1);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].message,
              Frame("ReturnValueGuard", gLine) + "\033[0;40;31m[ReturnValueGuard(): " +
                  std::to_string(gLine) + "] (parent == NULL) [return]\033[0;m");
    log.Clear();
    EXPECT_EQ(ReturnValueGuard("p"), 0);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(LogForms, BreakGuardLeavesTheBlockOnly) {
    LogCapture log;
    int after = 0;
    BreakGuard(&after);
    EXPECT_EQ(after, 1); // the block was left before the second increment
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].message, Frame("BreakGuard", gLine) + "\033[0;40;31m[BreakGuard(): " +
                                          std::to_string(gLine) + "] (steps == 1) [break]\033[0;m");
}

TEST(LogForms, GuardWithMessage) {
    LogCapture log;
    MessageGuard(-12);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].message, Frame("MessageGuard", gLine) +
                                          "\033[0;40;31m[MessageGuard(): " + std::to_string(gLine) +
                                          "] app_control_create failed, -12 [return]\033[0;m");
}

TEST(LogForms, ConditionIsEvaluatedOnce) {
    LogCapture log;
    gEvaluations = 0;
    GuardEvaluatedOnce();
    EXPECT_EQ(gEvaluations, 1);
    EXPECT_EQ(log.Count("(CountedTrue()) [return]"), 1);
}

TEST(LogForms, FunctionNameIsUndecorated) {
    LogCapture log;
    Outer::Inner::Member();
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].message.rfind("LogFormsTest.cpp: Member(", 0), 0u)
        << log.Lines()[0].message;
    EXPECT_NE(log.Lines()[0].message.find("[Member(): "), std::string::npos);
}

TEST(LogForms, FileBaseNameAndTagOfANestedFile) {
    LogCapture log;
    int line = LogFromNested();
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].tag, "NESTED-TAG");
    EXPECT_EQ(log.Lines()[0].message, "LogFromNested.cpp: LogFromNested(" + std::to_string(line) +
                                          ") > \033[1;40;31mnested 7\033[0;m");
}
