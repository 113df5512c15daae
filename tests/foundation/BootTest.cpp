// `watchctl boot` and `shutdown`: the device's own bus.
#include "LogCapture.h"
#include "TestDevice.h"
#include "watch_bus.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <signal.h>

using watchtest::TestDevice;
using watchtest::Watchctl;

TEST(DeviceBus, BootStartsAReachableBusAndShutdownStopsIt) {
    TestDevice device;
    EXPECT_EQ(watch::bus::Address(), "");
    device.Boot();
    const std::string address = watch::bus::Address();
    ASSERT_NE(address, "");
    EXPECT_EQ(watchtest::ReadFile(device.Root() + "/run/bus.address"), address + "\n");
    const pid_t pid = atoi(watchtest::ReadFile(device.Root() + "/run/bus.pid").c_str());
    ASSERT_GT(pid, 0);

    ecore_init();
    Eldbus_Connection* conn = watch::bus::Connect();
    ASSERT_NE(conn, nullptr);
    EXPECT_NE(eldbus_connection_unique_name_get(conn), nullptr);
    watch::bus::Release(conn);
    ecore_shutdown();

    // Booting again keeps the running bus.
    auto again = Watchctl({"boot"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(watch::bus::Address(), address);

    device.Shutdown();
    EXPECT_EQ(watch::bus::Address(), "");
    EXPECT_EQ(watchtest::ReadFile("/proc/" + std::to_string(pid) + "/cmdline").find("dbus-daemon"),
              std::string::npos);                // the daemon is gone (or a zombie)
    EXPECT_EQ(Watchctl({"shutdown"}).status, 0); // nothing to stop is fine
}

TEST(DeviceBus, NoBusGivesNullAndOneLogLine) {
    TestDevice device(false);
    watchtest::LogCapture log;
    ecore_init();
    EXPECT_EQ(watch::bus::Connect(), nullptr);
    EXPECT_EQ(watch::bus::Connect(), nullptr);
    ecore_shutdown();
    EXPECT_EQ(log.Messages("WATCH-BUS").size(), 1u) << log.Dump();
}
