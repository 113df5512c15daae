// The lifecycle of one application: the order of its calls, how it ends, how it starts
// without a request or without a bus.
#include "AppfwFixture.h"
#include "LoopUtil.h"

#include <signal.h>

using namespace appfwtest;
using watchtest::BackgroundProcess;

TEST_F(AppfwTest, SigtermAndSigintRunTerminateAndExitCleanly) {
    Prepare();
    struct {
        const char* program;
        int signal;
        const char* order;
    } cases[] = {
        {"appfw-test-ui", SIGTERM, "create app_control resume pause terminate"},
        {"appfw-test-ui2", SIGINT, "create app_control resume pause terminate"},
        {"appfw-test-service", SIGTERM, "create app_control terminate"},
    };
    for (const auto& c : cases) {
        BackgroundProcess app({ProgramPath(c.program)});
        ASSERT_TRUE(WaitForLog("APPFW-TEST", "app_control", app.Pid())) << c.program;
        // Started by hand: an empty request that expects no reply.
        const auto lines = AppLines(app.Pid());
        EXPECT_NE(lines.at(1).find("reply=no"), std::string::npos) << lines.at(1);
        EXPECT_NE(lines.at(1).find("extras="), std::string::npos);
        EXPECT_EQ(app.Stop(c.signal), 0) << c.program << app.Err();
        EXPECT_EQ(Join(Lifecycle(AppLines(app.Pid()))), c.order) << c.program;
        EXPECT_EQ(CountLog("APPFW-TEST", "main returns 0", app.Pid()), 1);
    }
}

TEST_F(AppfwTest, CreateAnsweringFalseOrASecondInstanceEndsTheProgram) {
    Prepare();
    BackgroundProcess app({ProgramPath("appfw-test-ui")}, {"APPFW_TEST_CREATE=false"});
    EXPECT_EQ(app.Wait(10), 1);
    EXPECT_EQ(Join(Lifecycle(AppLines(app.Pid()))), "create");
    EXPECT_EQ(CountLog("WATCH-APPFW", "create answered false", app.Pid()), 1);
    // It never became reachable: a request starts a fresh instance.
    EXPECT_TRUE(Launch(kUi, {})->hasReply);

    // A second instance started by hand ends; the running one stays.
    auto reply = Launch(kService, {});
    BackgroundProcess second({ProgramPath("appfw-test-service")});
    EXPECT_EQ(second.Wait(10), 1);
    EXPECT_EQ(CountLog("WATCH-APPFW", "is already running", second.Pid()), 1);
    EXPECT_TRUE(Alive(std::stoi(reply->extras.at("pid"))));
}

TEST_F(AppfwTest, WithoutABusAnApplicationStillRunsAndItsRequestsFail) {
    Prepare(false);
    BackgroundProcess app({ProgramPath("appfw-test-ui")},
                          {"APPFW_TEST_SEND_TO=test.appfw.service"});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", app.Pid()));
    EXPECT_EQ(
        CountLog("APPFW-TEST",
                 "send to test.appfw.service: " + std::to_string(APP_CONTROL_ERROR_LAUNCH_FAILED),
                 app.Pid()),
        1);
    EXPECT_EQ(CountLog("WATCH-APPFW", "no device bus", app.Pid()), 1);
    EXPECT_EQ(app.Stop(SIGTERM), 0);
    EXPECT_EQ(Join(Lifecycle(AppLines(app.Pid()))), "create app_control resume pause terminate");

    // Started by the bus but unable to connect to it, a program exits before create.
    BackgroundProcess activated(
        {ProgramPath("appfw-test-service")},
        {"DBUS_STARTER_ADDRESS=unix:path=/nonexistent", "DBUS_STARTER_BUS_TYPE=session"});
    EXPECT_EQ(activated.Wait(10), 1);
    EXPECT_EQ(CountLog("WATCH-APPFW", "cannot connect to it: exiting", activated.Pid()), 1);
    EXPECT_EQ(Join(Lifecycle(AppLines(activated.Pid()))), ""); // no create
}

TEST_F(AppfwTest, ScreenshotsWithoutDisplayOrEngineComeFromTheBufferEngine) {
    Prepare();
    auto r = watchtest::Watchctl({"screenshot", mDevice->Root() + "/none.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no application is in front"), std::string::npos) << r.err;
    EXPECT_EQ(watchtest::Watchctl({"screenshot", "shot.jpg"}).status, 2);
    // Neither ELM_DISPLAY nor a display: the framework picks the buffer engine itself.
    BackgroundProcess app(
        {ProgramPath("appfw-test-ui")},
        {"ELM_DISPLAY=", "ELM_ENGINE=", "ELM_ACCEL=", "DISPLAY=", "WAYLAND_DISPLAY="});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", app.Pid()));
    const std::string shot = mDevice->Root() + "/headless.png";
    r = watchtest::Watchctl({"screenshot", shot});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, shot + " 360x360\n");
    EXPECT_EQ(app.Stop(SIGTERM), 0);
}

TEST_F(AppfwTest, DeviceShutdownEndsItsApplications) {
    Prepare();
    const int ui = std::stoi(Launch(kUi, {})->extras.at("pid"));
    const int service = std::stoi(Launch(kService, {})->extras.at("pid"));
    mDevice->Shutdown();
    EXPECT_TRUE(WaitForExit(ui));
    EXPECT_TRUE(WaitForExit(service));
    EXPECT_EQ(Join(Lifecycle(AppLines(ui))), "create app_control resume pause terminate");
    EXPECT_EQ(Join(Lifecycle(AppLines(service))), "create app_control terminate");
}

TEST_F(AppfwTest, ABusThatGoesAwayEndsItsApplications) {
    Prepare();
    const int pid = std::stoi(Launch(kUi, {})->extras.at("pid"));
    const int daemon = atoi(watchtest::ReadFile(mDevice->Root() + "/run/bus.pid").c_str());
    ASSERT_GT(daemon, 0);
    kill(daemon, SIGKILL);
    ASSERT_TRUE(WaitForExit(pid));
    EXPECT_EQ(Join(Lifecycle(AppLines(pid))), "create app_control resume pause terminate");
    EXPECT_EQ(CountLog("WATCH-APPFW", "the device bus went away: the application ends", pid), 1);
    // This process's sends notice it too, and fail with a logged error.
    int sent = 0;
    watchtest::RunLoopUntil([&] { return CountLog("WATCH-APPFW", "went away", getpid()) > 0; });
    Send(kService, {}, &sent);
    EXPECT_EQ(sent, APP_CONTROL_ERROR_LAUNCH_FAILED);
}
