// The idle-clock component: started and stopped with the device, the hand-over it plays,
// and what it does with requests it cannot serve.
#include "AppsTestUtil.h"
#include "LoopUtil.h"
#include "TestDevice.h"

#include <gtest/gtest.h>
#include <vconf.h>

#include <Ecore.h>

#include <unistd.h>

#include <fstream>

using appstest::CountLog;
using appstest::kFace;
using appstest::WaitForLog;

namespace {

constexpr const char* kTag = "WATCH-IDLE-CLOCK";
constexpr const char* kShow = "db/setting/idle_clock_show";
constexpr const char* kClock = "db/wms/clocks_set_idle";

bool Alive(pid_t pid) {
    const std::string stat = watchtest::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = stat.rfind(')');
    return pid > 0 && paren != std::string::npos && paren + 2 < stat.size() &&
           stat[paren + 2] != 'Z';
}

// Sets the key to 1 and runs the loop until it reads 0 again.
bool RequestAndWaitForClear() {
    int show = -1;
    return vconf_set_int(kShow, 1) == VCONF_OK &&
           watchtest::RunLoopUntil(
               [&] { return vconf_get_int(kShow, &show) == VCONF_OK && show == 0; }, 10);
}

// Checks a condition that runs processes at most every 100 ms.
bool WaitSlowly(const std::function<bool()>& done) {
    return watchtest::RunLoopUntilEvery(done, 0.1, 10);
}

} // namespace

// One booted device plays the component's life: requests it cannot serve, one withdrawn,
// two hand-overs, then the shutdown.
TEST(IdleClockTest, ServesTheShowKeyFromBootToShutdown) {
    ecore_app_no_system_modules();
    ecore_init();
    watchtest::TestDevice device;
    device.Boot();
    const std::string pidFile = device.Root() + "/run/idle-clock.pid";
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    ASSERT_TRUE(Alive(pid));
    EXPECT_NE(
        watchtest::ReadFile("/proc/" + std::to_string(pid) + "/cmdline").find("watch-idle-clock"),
        std::string::npos);
    EXPECT_EQ(CountLog(kTag, "serving " + device.Root()), 1) << appstest::DumpLog();

    // Booting again keeps it; a second one started by hand gives way.
    auto again = watchtest::Watchctl({"boot"});
    EXPECT_EQ(again.status, 0) << again.err;
    pid_t kept = 0;
    std::ifstream(pidFile) >> kept;
    EXPECT_EQ(kept, pid);
    auto second = watchtest::RunProcess({BUILD_BIN "/watch-idle-clock"});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(CountLog(kTag, "another idle-clock component serves"), 1);

    // Requests without a usable clock are logged and still cleared.
    EXPECT_TRUE(RequestAndWaitForClear());
    EXPECT_TRUE(WaitForLog(kTag, "names no clock: nothing to show"));
    ASSERT_EQ(vconf_set_str(kClock, "com.example.nowhere"), VCONF_OK);
    EXPECT_TRUE(RequestAndWaitForClear());
    EXPECT_TRUE(WaitForLog(
        kTag, "cannot bring the idle clock com.example.nowhere to the front: launch request "
              "failed"));

    // Values other than 1, and a value of another type, are left alone.
    ASSERT_EQ(vconf_set_int(kShow, 2), VCONF_OK);
    ASSERT_EQ(vconf_unset(kShow), VCONF_OK);
    ASSERT_EQ(vconf_set_str(kShow, "1"), VCONF_OK);
    EXPECT_TRUE(WaitForLog(kTag, "not an integer: ignored"));
    char* text = vconf_get_str(kShow);
    EXPECT_STREQ(text, "1");
    free(text);
    ASSERT_EQ(vconf_unset(kShow), VCONF_OK);

    // A request withdrawn within the component's transition leaves the clock alone.
    ASSERT_EQ(vconf_set_str(kClock, kFace), VCONF_OK);
    ASSERT_EQ(vconf_set_int(kShow, 1), VCONF_OK);
    ASSERT_TRUE(WaitForLog(kTag, "the idle clock comes in", 3)); // after the two above
    ASSERT_EQ(vconf_set_int(kShow, 0), VCONF_OK);
    EXPECT_TRUE(WaitForLog(kTag, "was set to 0 meanwhile: the clock stays as it is"))
        << appstest::DumpLog(kTag);
    EXPECT_EQ(CountLog(kTag, "brought to the front"), 0);
    EXPECT_EQ(appstest::PidOf(kFace), 0);

    // Showing brings the named clock to the front; another request while it is in front is
    // served again and changes nothing else.
    EXPECT_TRUE(RequestAndWaitForClear()) << appstest::DumpLog();
    EXPECT_TRUE(WaitForLog(kTag, "idle clock com.korvane.clock-dalvexa brought to the front"));
    EXPECT_TRUE(WaitSlowly([] { return appstest::InFront(kFace); })) << appstest::DumpLog();
    const int face = appstest::PidOf(kFace);
    EXPECT_TRUE(RequestAndWaitForClear());
    EXPECT_TRUE(WaitForLog(kTag, "brought to the front", 2));
    EXPECT_EQ(appstest::PidOf(kFace), face);
    EXPECT_TRUE(appstest::InFront(kFace));

    device.Shutdown();
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return !Alive(pid); }));
    EXPECT_EQ(access(pidFile.c_str(), F_OK), -1);
    EXPECT_EQ(CountLog(kTag, "stopped after 2 hand-overs"), 1);
    EXPECT_EQ(watchtest::Watchctl({"shutdown"}).status, 0); // nothing left to stop
    ecore_shutdown();
}
