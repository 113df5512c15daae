// Launch requests between processes on the device bus: activation, deferred replies,
// a running callee, callees that never answer.
#include "AppfwFixture.h"
#include "LoopUtil.h"
#include "watch_appfw.h"

using namespace appfwtest;

TEST_F(AppfwTest, RequestStartsTheAppAndLaterRequestsReachTheRunningProcess) {
    Prepare();
    auto reply = Launch(kUi, {{"reply_after_ms", "1500"}, {"colour", "mint"}});
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    ASSERT_TRUE(reply->hasReply);
    EXPECT_EQ(reply->extras["colour"], "mint");
    EXPECT_GE(reply->seconds, 1.5); // answered from a clone, well after app_control returned
    const int pid = std::stoi(reply->extras["pid"]);
    const auto lines = AppLines(pid);
    ASSERT_GE(lines.size(), 2u);
    for (const char* part : {"reply=yes", "caller=(none)", "colour=mint"})
        EXPECT_NE(lines[1].find(part), std::string::npos) << lines[1];

    auto second = Launch(kUi, {{"n", "2"}});
    EXPECT_EQ(second->extras["n"], "2");
    EXPECT_EQ(second->extras["pid"], reply->extras["pid"]);
    EXPECT_EQ(CreatedPids().size(), 1u);
    // The app answers inside app_control; its resume follows the reply.
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", pid, 2));
    EXPECT_EQ(Join(Lifecycle(AppLines(pid))), "create app_control resume app_control resume");
}

TEST_F(AppfwTest, AServiceAnswersWithEachResultAndRefusesASecondReply) {
    Prepare();
    const struct {
        const char* extra;
        const char* value;
        app_control_result_e result;
    } cases[] = {
        {"reply_after_ms", "300", APP_CONTROL_RESULT_SUCCEEDED},
        {"reply_result", "failed", APP_CONTROL_RESULT_FAILED}, // a real reply that says so
        {"reply_result", "canceled", APP_CONTROL_RESULT_CANCELED},
        {"reply_twice", "1", APP_CONTROL_RESULT_SUCCEEDED},
    };
    for (const auto& c : cases) {
        auto reply = Launch(kService, {{c.extra, c.value}});
        EXPECT_EQ(reply->result, c.result) << c.value;
        EXPECT_TRUE(reply->hasReply) << c.value;
    }
    const int pid = CreatedPids().at(0);
    EXPECT_EQ(CreatedPids().size(), 1u);
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "second reply", pid));
    EXPECT_EQ(CountLog("APPFW-TEST",
                       "second reply: " + std::to_string(APP_CONTROL_ERROR_INVALID_PARAMETER), pid),
              1);
    EXPECT_EQ(CountLog("WATCH-APPFW", "answered already", pid), 1);
    EXPECT_EQ(Join(Lifecycle(AppLines(pid))), "create app_control app_control app_control "
                                              "app_control");

    // An application id that is not a bus name as it stands.
    EXPECT_EQ(Launch(kOddService, {{"k", "v"}})->extras["k"], "v");
}

TEST_F(AppfwTest, CalleesThatDoNotAnswerFailTheCaller) {
    Prepare();
    for (const char* app : {kUi, kService}) {
        auto reply = Launch(app, {{"exit_without_reply", "1"}});
        EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED) << app;
        EXPECT_FALSE(reply->hasReply) << app;
    }
    // Each ended with terminate, and the caller's failure was logged once.
    EXPECT_EQ(CountLog("APPFW-TEST", "terminate"), 2);
    EXPECT_EQ(CountLog("WATCH-APPFW", "ended without replying", getpid()), 2);

    // Dropped without a clone: a failure at once; the callee runs on and says so once.
    auto dropped = Launch(kUi, {{"drop", "1"}});
    EXPECT_EQ(dropped->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_FALSE(dropped->hasReply);
    const int pid = CreatedPids().back();
    EXPECT_TRUE(Alive(pid));
    EXPECT_EQ(CountLog("WATCH-APPFW", "let go without a reply", pid), 1);
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

TEST_F(AppfwTest, TheSenderMayStopWaitingWithoutACrash) {
    Prepare();
    // A reply that comes after the caller has let go of the bus goes nowhere.
    auto reply = Send(kService, {{"reply_after_ms", "300"}});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "app_control"));
    watch::appfw::ShutdownLaunches();
    const int pid = CreatedPids().at(0);
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "reply: 0", pid));
    watchtest::RunLoopFor(0.2); // the reply's way back, were it still awaited
    EXPECT_FALSE(reply->called);
    EXPECT_TRUE(Alive(pid));
}
