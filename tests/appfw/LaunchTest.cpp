// Launch requests between processes on the device bus: activation, deferred replies,
// a running callee, callees that never answer.
#include "AppfwFixture.h"
#include "LoopUtil.h"
#include "watch_appfw.h"

#include <signal.h>

using namespace appfwtest;

TEST_F(AppfwTest, RequestStartsTheAppAndTheDeferredReplyComesBack) {
    Prepare();
    auto reply = Launch(kUi, {{"reply_after_ms", "1500"}, {"colour", "mint"}});
    ASSERT_TRUE(reply->called);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    ASSERT_TRUE(reply->hasReply);
    EXPECT_EQ(reply->extras["colour"], "mint");
    EXPECT_GE(reply->seconds, 1.5); // answered from a clone, well after app_control returned
    const int pid = std::stoi(reply->extras["pid"]);
    EXPECT_TRUE(Alive(pid));

    const auto lines = AppLines(pid);
    EXPECT_EQ(Join(Lifecycle(lines)), "create app_control resume");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[1].find("reply=yes"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("caller=(none)"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("colour=mint"), std::string::npos) << lines[1];
}

TEST_F(AppfwTest, ASecondRequestReachesTheRunningProcess) {
    Prepare();
    auto first = Launch(kUi, {{"n", "1"}});
    ASSERT_TRUE(first->hasReply);
    auto second = Launch(kUi, {{"n", "2"}});
    ASSERT_TRUE(second->hasReply);
    EXPECT_EQ(second->extras["n"], "2");
    EXPECT_EQ(first->extras["pid"], second->extras["pid"]);
    const int pid = std::stoi(first->extras["pid"]);
    EXPECT_EQ(CreatedPids().size(), 1u);
    // The app answers inside app_control; its resume follows the reply.
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", pid, 2));
    EXPECT_EQ(Join(Lifecycle(AppLines(pid))), "create app_control resume app_control resume");
}

TEST_F(AppfwTest, ServiceGetsCreateAndAppControlOnly) {
    Prepare();
    auto reply = Launch(kService, {{"reply_after_ms", "300"}});
    ASSERT_TRUE(reply->hasReply);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    const int pid = std::stoi(reply->extras["pid"]);
    auto again = Launch(kService, {});
    EXPECT_EQ(again->extras["pid"], reply->extras["pid"]);
    EXPECT_EQ(Join(Lifecycle(AppLines(pid))), "create app_control app_control");

    // An application id that is not a bus name as it stands.
    auto odd = Launch(kOddService, {{"k", "v"}});
    ASSERT_TRUE(odd->hasReply);
    EXPECT_EQ(odd->extras["k"], "v");
}

TEST_F(AppfwTest, ResultsOtherThanSuccessReachTheCaller) {
    Prepare();
    auto failed = Launch(kService, {{"reply_result", "failed"}});
    EXPECT_EQ(failed->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_TRUE(failed->hasReply); // a real reply that says "failed"
    auto canceled = Launch(kService, {{"reply_result", "canceled"}});
    EXPECT_EQ(canceled->result, APP_CONTROL_RESULT_CANCELED);
}

TEST_F(AppfwTest, CalleeThatExitsWithoutReplyingGivesAFailure) {
    Prepare();
    for (const char* app : {kUi, kService}) {
        auto reply = Launch(app, {{"exit_without_reply", "1"}});
        ASSERT_TRUE(reply->called) << app;
        EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED) << app;
        EXPECT_FALSE(reply->hasReply) << app;
    }
    // Each ended with terminate, and the caller's failure was logged once.
    EXPECT_EQ(CountLog("APPFW-TEST", "terminate"), 2);
    EXPECT_EQ(CountLog("WATCH-APPFW", "ended without replying", getpid()), 2);
}

TEST_F(AppfwTest, RequestDroppedWithoutACloneFailsAtOnce) {
    Prepare();
    auto reply = Launch(kUi, {{"drop", "1"}});
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_FALSE(reply->hasReply);
    // The callee keeps running, and says what happened in one line.
    const int pid = CreatedPids().at(0);
    EXPECT_TRUE(Alive(pid));
    EXPECT_EQ(CountLog("WATCH-APPFW", "let go without a reply", pid), 1);
}

TEST_F(AppfwTest, SecondReplyIsAnErrorAndOneLogLine) {
    Prepare();
    auto reply = Launch(kService, {{"reply_twice", "1"}});
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "second reply"));
    const int pid = CreatedPids().at(0);
    EXPECT_EQ(CountLog("APPFW-TEST",
                       "second reply: " + std::to_string(APP_CONTROL_ERROR_INVALID_PARAMETER), pid),
              1);
    EXPECT_EQ(CountLog("WATCH-APPFW", "answered already", pid), 1);
    EXPECT_TRUE(Alive(pid));
}

TEST_F(AppfwTest, ApplicationsSendRequestsToEachOther) {
    Prepare();
    // The ui application asks the service, and answers when the service has.
    auto reply = Launch(kUi, {{"send_to", kService}});
    ASSERT_TRUE(reply->hasReply);
    EXPECT_EQ(reply->extras["nested_result"], std::to_string(APP_CONTROL_RESULT_SUCCEEDED));
    const std::string servicePid = reply->extras["nested_pid"];
    ASSERT_FALSE(servicePid.empty());
    EXPECT_NE(servicePid, reply->extras["pid"]);
    // The service saw who asked.
    const auto lines = AppLines(std::stoi(servicePid));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[1].find("caller=test.appfw.ui"), std::string::npos) << lines[1];
}

TEST_F(AppfwTest, UnknownApplicationIsRefusedAtSend) {
    Prepare();
    int sent = 0;
    auto reply = Send("test.appfw.missing", {}, &sent);
    EXPECT_EQ(sent, APP_CONTROL_ERROR_APP_NOT_FOUND);
    Send("../etc", {}, &sent);
    EXPECT_EQ(sent, APP_CONTROL_ERROR_APP_NOT_FOUND);
    watchtest::RunLoopFor(0.1);
    EXPECT_FALSE(reply->called);
    EXPECT_EQ(CountLog("WATCH-APPFW", "is installed", getpid()), 2);
}

TEST_F(AppfwTest, TheSenderMayStopWaitingWithoutACrash) {
    Prepare();
    // A reply that comes after the caller has let go of the bus goes nowhere.
    auto reply = Send(kService, {{"reply_after_ms", "300"}});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "app_control"));
    watch::appfw::ShutdownLaunches();
    watchtest::RunLoopFor(0.5);
    EXPECT_FALSE(reply->called);
    const int pid = CreatedPids().at(0);
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "reply: 0", pid));
    EXPECT_TRUE(Alive(pid));
}
