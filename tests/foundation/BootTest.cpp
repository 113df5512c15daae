// `watchctl boot` and `shutdown`: the device's own bus.
#include "TestDevice.h"
#include "watch_bus.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <signal.h>

using watchtest::TestDevice;
using watchtest::Watchctl;

TEST(DeviceBus, BootStartsAReachableBusAndShutdownStopsIt) {
    TestDevice device;
    ecore_init();
    EXPECT_EQ(watch::bus::Address(), "");
    EXPECT_EQ(watch::bus::Connect(), nullptr); // no bus yet
    device.Boot();
    const std::string address = watch::bus::Address();
    ASSERT_NE(address, "");
    EXPECT_EQ(watchtest::ReadFile(device.Root() + "/run/bus.address"), address + "\n");
    const pid_t pid = atoi(watchtest::ReadFile(device.Root() + "/run/bus.pid").c_str());
    ASSERT_GT(pid, 0);

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
