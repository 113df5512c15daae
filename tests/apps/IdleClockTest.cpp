// The idle-clock component: started and stopped with the device, the hand-over it plays,
// and what it does with requests it cannot serve.
#include "AppsTestUtil.h"
#include "LoopUtil.h"
#include "TestDevice.h"

#include <gtest/gtest.h>
#include <vconf.h>

#include <Ecore.h>

#include <signal.h>
#include <unistd.h>

#include <fstream>

using watchtest::Watchctl;

namespace {

constexpr const char* kTag = "WATCH-IDLE-CLOCK";
constexpr const char* kShow = "db/setting/idle_clock_show";
constexpr const char* kClock = "db/wms/clocks_set_idle";

class IdleClockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ecore_app_no_system_modules();
        ecore_init();
        mDevice.reset(new watchtest::TestDevice());
    }
    void TearDown() override {
        mDevice.reset();
        ecore_shutdown();
    }
    pid_t ComponentPid() const {
        std::ifstream in(mDevice->Root() + "/run/idle-clock.pid");
        pid_t pid = 0;
        in >> pid;
        return pid;
    }
    static bool Alive(pid_t pid) {
        const std::string stat = watchtest::ReadFile("/proc/" + std::to_string(pid) + "/stat");
        const size_t paren = stat.rfind(')');
        return pid > 0 && paren != std::string::npos && paren + 2 < stat.size() &&
               stat[paren + 2] != 'Z';
    }
    static int Show() {
        int value = -1;
        return vconf_get_int(kShow, &value) == VCONF_OK ? value : -1;
    }
    // Runs the loop until the key reads 0 again.
    static bool WaitForShowCleared(double timeout = 10) {
        return watchtest::RunLoopUntil([] { return Show() == 0; }, timeout);
    }
    // Checks a condition that runs processes at most every 100 ms.
    static bool WaitSlowly(const std::function<bool()>& done, double timeout = 10) {
        return watchtest::RunLoopUntilEvery(done, 0.1, timeout);
    }
    std::unique_ptr<watchtest::TestDevice> mDevice;
};

} // namespace

TEST_F(IdleClockTest, BootStartsOneComponentAndShutdownStopsIt) {
    mDevice->Boot();
    const pid_t pid = ComponentPid();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(Alive(pid));
    EXPECT_NE(
        watchtest::ReadFile("/proc/" + std::to_string(pid) + "/cmdline").find("watch-idle-clock"),
        std::string::npos);
    EXPECT_EQ(appstest::CountLog(kTag, "serving " + mDevice->Root()), 1) << appstest::DumpLog();

    // Booting again keeps it; a second one started by hand gives way.
    auto again = Watchctl({"boot"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ComponentPid(), pid);
    auto second = watchtest::RunProcess({BUILD_BIN "/watch-idle-clock"});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(appstest::CountLog(kTag, "another idle-clock component serves"), 1);

    mDevice->Shutdown();
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return !Alive(pid); }));
    EXPECT_EQ(access((mDevice->Root() + "/run/idle-clock.pid").c_str(), F_OK), -1);
    EXPECT_EQ(appstest::CountLog(kTag, "stopped after 0 hand-overs"), 1);
    EXPECT_EQ(Watchctl({"shutdown"}).status, 0); // nothing left to stop
}

TEST_F(IdleClockTest, ShowingBringsTheNamedClockToTheFrontAndClearsTheKey) {
    mDevice->Boot();
    ASSERT_EQ(vconf_set_str(kClock, appstest::kFace), VCONF_OK);
    ASSERT_EQ(vconf_set_int(kShow, 1), VCONF_OK);
    EXPECT_TRUE(WaitForShowCleared()) << appstest::DumpLog();
    EXPECT_TRUE(appstest::WaitForLog(kTag, "idle clock com.korvane.clock-dalvexa brought to the "
                                           "front"));
    EXPECT_TRUE(WaitSlowly([] { return appstest::InFront(appstest::kFace); }))
        << appstest::AppListLine(appstest::kFace) << appstest::DumpLog();

    // Another request while the clock is in front: served again, nothing else changes.
    const int pid = appstest::PidOf(appstest::kFace);
    ASSERT_EQ(vconf_set_int(kShow, 1), VCONF_OK);
    EXPECT_TRUE(appstest::WaitForLog(kTag, "brought to the front", 2));
    EXPECT_TRUE(WaitForShowCleared());
    EXPECT_EQ(appstest::PidOf(appstest::kFace), pid);
    EXPECT_TRUE(appstest::InFront(appstest::kFace));
}

TEST_F(IdleClockTest, ARequestWithoutAUsableClockIsLoggedAndStillCleared) {
    mDevice->Boot();
    ASSERT_EQ(vconf_set_int(kShow, 1), VCONF_OK);
    EXPECT_TRUE(WaitForShowCleared());
    EXPECT_TRUE(appstest::WaitForLog(kTag, "names no clock: nothing to show"));

    ASSERT_EQ(vconf_set_str(kClock, "com.example.nowhere"), VCONF_OK);
    ASSERT_EQ(vconf_set_int(kShow, 1), VCONF_OK);
    EXPECT_TRUE(WaitForShowCleared());
    EXPECT_TRUE(appstest::WaitForLog(
        kTag, "cannot bring the idle clock com.example.nowhere to the front: launch request "
              "failed"));

    // Values other than 1, and a value of another type, are left alone.
    ASSERT_EQ(vconf_set_int(kShow, 2), VCONF_OK);
    ASSERT_EQ(vconf_unset(kShow), VCONF_OK);
    ASSERT_EQ(vconf_set_str(kShow, "1"), VCONF_OK);
    EXPECT_TRUE(appstest::WaitForLog(kTag, "not an integer: ignored"));
    char* text = vconf_get_str(kShow);
    EXPECT_STREQ(text, "1");
    free(text);
    EXPECT_EQ(appstest::CountLog(kTag, "brought to the front"), 0);
    EXPECT_TRUE(Alive(ComponentPid()));
}

TEST_F(IdleClockTest, ARequestWithdrawnDuringTheTransitionLeavesTheClockAlone) {
    mDevice->Boot();
    ASSERT_EQ(vconf_set_str(kClock, appstest::kFace), VCONF_OK);
    ASSERT_EQ(vconf_set_int(kShow, 1), VCONF_OK);
    ASSERT_TRUE(appstest::WaitForLog(kTag, "the idle clock comes in"));
    // Withdrawn within the component's transition.
    ASSERT_EQ(vconf_set_int(kShow, 0), VCONF_OK);
    EXPECT_TRUE(appstest::WaitForLog(kTag, "was set to 0 meanwhile: the clock stays as it is"))
        << appstest::DumpLog(kTag);
    EXPECT_EQ(appstest::CountLog(kTag, "brought to the front"), 0);
    EXPECT_EQ(appstest::PidOf(appstest::kFace), 0);
}
