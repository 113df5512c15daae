// Launch requests between processes on the device bus: activation, deferred replies,
// a running callee, applications asking each other, callees that never answer.
#include "AppfwFixture.h"

using namespace appfwtest;

TEST_F(AppfwTest, RequestStartsTheAppLaterRequestsReachItAndAppsAskEachOther) {
    Prepare();
    // Answered from a clone, after app_control.
    auto reply = Launch(kUi, {{"reply_after_ms", "500"}, {"colour", "mint"}});
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    ASSERT_TRUE(reply->hasReply);
    EXPECT_EQ(reply->extras["colour"], "mint");
    const int pid = atoi(reply->extras["pid"].c_str());
    const auto lines = AppLines(pid);
    ASSERT_GE(lines.size(), 2u);
    for (const char* part : {"reply=yes", "caller=(none)", "colour=mint"})
        EXPECT_NE(lines[1].find(part), std::string::npos) << lines[1];

    auto second = Launch(kUi, {{"n", "2"}});
    EXPECT_EQ(second->extras["n"], "2");
    EXPECT_EQ(second->extras["pid"], reply->extras["pid"]);
    // The app answers inside app_control; its resume follows the reply.
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", pid, 2));
    EXPECT_EQ(Order(pid), "create app_control resume app_control resume");

    // The ui application asks the service, and answers when the service has.
    auto nested = Launch(kUi, {{"send_to", kService}});
    EXPECT_EQ(nested->extras["nested_result"], std::to_string(APP_CONTROL_RESULT_SUCCEEDED));
    const int servicePid = atoi(nested->extras["nested_pid"].c_str());
    ASSERT_NE(servicePid, 0);
    EXPECT_NE(servicePid, pid);
    ASSERT_GE(AppLines(servicePid).size(), 2u);
    EXPECT_NE(AppLines(servicePid)[1].find("caller=test.appfw.ui"), std::string::npos);
}

TEST_F(AppfwTest, AServiceAnswersWithEachResultAndRefusesASecondReply) {
    Prepare();
    const struct {
        const char* extra;
        const char* value;
        app_control_result_e result;
    } cases[] = {
        {"reply_result", "failed", APP_CONTROL_RESULT_FAILED}, // a real reply that says so
        {"reply_result", "canceled", APP_CONTROL_RESULT_CANCELED},
        {"reply_twice", "1", APP_CONTROL_RESULT_SUCCEEDED},
    };
    for (const auto& c : cases) {
        auto reply = Launch(kService, {{c.extra, c.value}});
        EXPECT_EQ(reply->result, c.result) << c.value;
        EXPECT_TRUE(reply->hasReply) << c.value;
    }
    ASSERT_EQ(CreatedPids().size(), 1u);
    const int pid = CreatedPids()[0];
    EXPECT_TRUE(WaitForLog(
        "APPFW-TEST", "second reply: " + std::to_string(APP_CONTROL_ERROR_INVALID_PARAMETER), pid));
    EXPECT_EQ(CountLog("WATCH-APPFW", "the request was answered already", pid), 1);
    EXPECT_EQ(Order(pid), "create app_control app_control app_control");

    // An application id that is not a bus name as it stands.
    EXPECT_EQ(Launch(kOddService, {{"k", "v"}})->extras["k"], "v");
}

TEST_F(AppfwTest, CalleesThatDoNotAnswerFailTheCallerWhoMayStopWaiting) {
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

    // A reply that comes after the caller has let go of the bus goes nowhere.
    auto late = appstest::Send(kService, {{"reply_after_ms", "300"}});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "app_control", 0, 4));
    appstest::ForgetLaunches();
    const int service = CreatedPids().back();
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "reply: 0", service));
    watchtest::RunLoopFor(0.2); // the reply's way back, were it still awaited
    EXPECT_FALSE(late->called);
    EXPECT_TRUE(Alive(service));
}
