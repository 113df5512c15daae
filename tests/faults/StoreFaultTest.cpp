// The device settings under fault, through their C calls in a separate program on a booted
// device: a writer killed with SIGKILL, then the device bus killed while a writer runs.
// Nothing acknowledged is lost, the store stays usable by the next process, and the
// changes go on reaching other processes. (Several writers at once: SettingsStoreTest.)
#include "LogCapture.h"
#include "LoopUtil.h"
#include "TestDevice.h"
#include "vconf.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <map>
#include <sstream>

using watchtest::BackgroundProcess;
using watchtest::RunLoopUntil;
using watchtest::Watchctl;

namespace {

// The last value each watched key was heard changing to.
std::map<std::string, int> gHeard;

void OnChange(keynode_t* node, void*) {
    if (vconf_keynode_get_type(node) == VCONF_TYPE_INT)
        gHeard[vconf_keynode_get_name(node)] = vconf_keynode_get_int(node);
}

// The highest round the writer acknowledged ("ack N" lines), 0 for none.
int AckedRounds(const std::string& out) {
    std::istringstream in(out);
    int acked = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("ack ", 0) == 0)
            acked = std::max(acked, atoi(line.c_str() + 4));
    return acked;
}

} // namespace

TEST(StoreFault, AKilledWriterOrAKilledBusLosesNoAcknowledgedWrite) {
    struct EcoreScope {
        EcoreScope() { ecore_init(); }
        ~EcoreScope() { ecore_shutdown(); }
    } ecore; // outlives the device
    watchtest::TestDevice device;
    device.Boot();
    watchtest::LogCapture log;
    const std::string last = "db/fault/w/last";
    ASSERT_EQ(vconf_set_int(last.c_str(), 0), 0);
    ASSERT_EQ(vconf_notify_key_changed(last.c_str(), OnChange, nullptr), 0);

    // Killed right after an acknowledgement, most likely inside its next write.
    BackgroundProcess writer({FAULT_STORE_WRITER, "w"});
    ASSERT_TRUE(writer.WaitForOutput("ack 300\n", 30)) << writer.Out() << writer.Err();
    writer.Stop(SIGKILL);
    const int acked = AckedRounds(writer.Out());
    ASSERT_GE(acked, 300);
    EXPECT_EQ(writer.Out().find("fail"), std::string::npos) << writer.Out();
    int value = -1;
    ASSERT_EQ(vconf_get_int(last.c_str(), &value), 0);
    EXPECT_GE(value, acked);
    EXPECT_LE(value, acked + 1);
    for (int k = 0; k < 50; ++k) {
        // The newest acknowledged round that wrote k<k>, or the one in flight.
        const int expected = acked - ((acked - k) % 50 + 50) % 50;
        ASSERT_EQ(vconf_get_int(("db/fault/w/k" + std::to_string(k)).c_str(), &value), 0) << k;
        EXPECT_TRUE(value == expected || value == acked + 1) << "k" << k << " = " << value;
    }
    // The writes of the writer were heard here while it ran.
    EXPECT_TRUE(RunLoopUntil([&] { return gHeard[last] >= 300; }, 10));
    // Nothing of the killed writer stands in the way of the next one, nor of the news.
    auto r = Watchctl({"vconf", "set", last, "-7"}, {}, 10);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(RunLoopUntil([&] { return gHeard[last] == -7; }, 10));

    // The bus killed while a writer runs: its calls go on succeeding and nothing it
    // acknowledged is lost; only the news stops travelling, and this process says so once.
    BackgroundProcess second({FAULT_STORE_WRITER, "w"});
    ASSERT_TRUE(second.WaitForOutput("ack 50\n", 30)) << second.Err();
    ASSERT_TRUE(RunLoopUntil([&] { return gHeard[last] > 0; }, 10));
    const int daemon = atoi(watchtest::ReadFile(device.Root() + "/run/bus.pid").c_str());
    ASSERT_GT(daemon, 0);
    ASSERT_EQ(kill(daemon, SIGKILL), 0);
    EXPECT_TRUE(RunLoopUntil([&] { return log.Contains("lost the device bus"); }, 10))
        << log.Dump();
    const int before = AckedRounds(second.Out());
    ASSERT_TRUE(second.WaitForOutput("ack " + std::to_string(before + 200) + "\n", 30))
        << second.Out() << second.Err();
    second.Stop(SIGKILL);
    EXPECT_EQ(second.Out().find("fail"), std::string::npos) << second.Out();
    ASSERT_EQ(vconf_get_int(last.c_str(), &value), 0);
    EXPECT_GE(value, AckedRounds(second.Out()));
    // This process's own writes still reach its own callbacks, with no bus to echo them.
    ASSERT_EQ(vconf_set_int(last.c_str(), -1), 0);
    EXPECT_TRUE(RunLoopUntil([&] { return gHeard[last] == -1; }, 10));
    EXPECT_EQ(log.Count("lost the device bus"), 1) << log.Dump();
}
