// The lifecycle of one application: the order of its calls, how it ends, how it starts
// without a request or without a bus; the activation files that install and boot write.
#include "AppfwFixture.h"
#include "watch_appfw.h"

#include <filesystem>
#include <fstream>

using namespace appfwtest;
using watchtest::BackgroundProcess;

TEST_F(AppfwTest, ProgramsStartedByHandEndCleanlyOnSignalsOrRefuseToStart) {
    Prepare();
    const std::vector<std::string> headless = {
        "ELM_DISPLAY=", "ELM_ENGINE=", "ELM_ACCEL=", "DISPLAY=", "WAYLAND_DISPLAY="};
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
        // Neither ELM_DISPLAY nor a display: the framework picks the buffer engine itself.
        BackgroundProcess app({ProgramPath(c.program)}, headless);
        ASSERT_TRUE(WaitForLog("APPFW-TEST", "app_control", app.Pid())) << c.program;
        // Started by hand: an empty request that expects no reply.
        EXPECT_NE(AppLines(app.Pid()).at(1).find("reply=no extras="), std::string::npos);
        if (c.signal == SIGINT) {
            ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", app.Pid()));
            const std::string shot = mDevice->Root() + "/headless.png";
            auto r = watchtest::Watchctl({"screenshot", shot});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, shot + " 360x360\n");
        }
        EXPECT_EQ(app.Stop(c.signal), 0) << c.program << app.Err(); // main returned 0
        EXPECT_EQ(Order(app.Pid()), c.order) << c.program;
    }

    BackgroundProcess refused({ProgramPath("appfw-test-ui")}, {"APPFW_TEST_CREATE=false"});
    EXPECT_EQ(refused.Wait(10), 1);
    EXPECT_EQ(Order(refused.Pid()), "create");
    EXPECT_EQ(CountLog("WATCH-APPFW", "create answered false", refused.Pid()), 1);
    // It never became reachable: a request starts a fresh instance.
    EXPECT_TRUE(Launch(kUi)->hasReply);

    // A second instance started by hand ends; the running one stays.
    const int running = LaunchPid(kService);
    BackgroundProcess second({ProgramPath("appfw-test-service")});
    EXPECT_EQ(second.Wait(10), 1);
    EXPECT_EQ(CountLog("WATCH-APPFW", "is already running", second.Pid()), 1);
    EXPECT_TRUE(Alive(running));
}

TEST_F(AppfwTest, BeforeBootAnApplicationRunsWithoutABusAndBootRewritesTheActivationFiles) {
    Prepare(false);
    // Install wrote one activation file per application.
    const std::string dir = mDevice->Root() + "/run/services/";
    const std::string file = dir + watch::appfw::BusName(kOddService) + ".service";
    EXPECT_EQ(watchtest::ReadFile(file),
              "[D-BUS Service]\nName=watch.app.test.appfw._39_5fodd_20service\nExec=" +
                  ProgramPath("appfw-test-service2") + "\n");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files += entry.path().extension() == ".service";
    EXPECT_EQ(files, 4);
    // Commands that need the device bus refuse.
    for (const auto& args : {std::vector<std::string>{"launch", kService},
                             std::vector<std::string>{"input", "key", "back"}}) {
        auto r = watchtest::Watchctl(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("not booted"), std::string::npos) << r.err;
    }

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
    EXPECT_EQ(Order(app.Pid()), "create app_control resume pause terminate");

    // Started by the bus but unable to connect to it, a program exits before create.
    BackgroundProcess activated(
        {ProgramPath("appfw-test-service")},
        {"DBUS_STARTER_ADDRESS=unix:path=/nonexistent", "DBUS_STARTER_BUS_TYPE=session"});
    EXPECT_EQ(activated.Wait(10), 1);
    EXPECT_EQ(CountLog("WATCH-APPFW", "cannot connect to it: exiting", activated.Pid()), 1);
    EXPECT_EQ(Order(activated.Pid()), "");

    // Boot writes the files again and drops those of applications that are gone.
    std::filesystem::remove(file);
    std::ofstream(dir + "watch.app.gone.service") << "[D-BUS Service]\nName=watch.app.gone\n";
    mDevice->Boot();
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(dir + "watch.app.gone.service"));
}

TEST_F(AppfwTest, DeviceShutdownOrABusThatGoesAwayEndsItsApplications) {
    Prepare();
    int ui = LaunchPid(kUi);
    const int service = LaunchPid(kService);
    mDevice->Shutdown();
    EXPECT_TRUE(WaitForExit(ui));
    EXPECT_TRUE(WaitForExit(service));
    EXPECT_EQ(Order(ui), "create app_control resume pause terminate");
    EXPECT_EQ(Order(service), "create app_control terminate");

    appstest::ForgetLaunches(); // this process's connection to the old bus
    mDevice->Boot();
    ui = LaunchPid(kUi);
    const int daemon = atoi(watchtest::ReadFile(mDevice->Root() + "/run/bus.pid").c_str());
    ASSERT_GT(daemon, 0);
    kill(daemon, SIGKILL);
    ASSERT_TRUE(WaitForExit(ui));
    EXPECT_EQ(Order(ui), "create app_control resume pause terminate");
    EXPECT_EQ(CountLog("WATCH-APPFW", "the device bus went away: the application ends", ui), 1);
    // This process's sends notice it too, and fail.
    watchtest::RunLoopUntil([&] { return CountLog("WATCH-APPFW", "went away", getpid()) > 0; });
    int sent = 0;
    appstest::Send(kService, {}, nullptr, &sent);
    EXPECT_EQ(sent, APP_CONTROL_ERROR_LAUNCH_FAILED);
}
