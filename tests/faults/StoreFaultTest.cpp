// The device settings under fault, through their C calls in separate programs on a booted
// device: a writer killed with SIGKILL, the device bus killed while a writer runs. Nothing
// acknowledged is lost, the store stays usable by the next process, and the changes go on
// reaching other processes. (Several writers at once: SettingsStoreTest.)
#include "FaultsTestUtil.h"
#include "LogCapture.h"
#include "app_preference.h"
#include "vconf.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <map>
#include <memory>

using faultstest::AckedRounds;
using faultstest::EcoreScope;
using watchtest::BackgroundProcess;
using watchtest::RunLoopUntil;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

// Reads and watches the device settings through their C calls, as an application does.
class StoreUnderTest {
  public:
    std::string Key(const std::string& writer, const std::string& leaf) const {
        return "db/fault/" + writer + "/" + leaf;
    }
    int Set(const std::string& key, int value) const { return vconf_set_int(key.c_str(), value); }
    int Get(const std::string& key, int* value) const { return vconf_get_int(key.c_str(), value); }
    // Every change of key from now on lands in LastHeard(key).
    bool Watch(const std::string& key) {
        mWatched.push_back(std::make_unique<Watched>(Watched{this, key}));
        return vconf_notify_key_changed(key.c_str(), OnVconf, mWatched.back().get()) == 0;
    }
    int LastHeard(const std::string& key) {
        const auto& values = mHeard[key];
        return values.empty() ? -1 : values.back();
    }

  private:
    struct Watched {
        StoreUnderTest* self;
        std::string key;
    };
    static void OnVconf(keynode_t* node, void* data) {
        Watched* w = static_cast<Watched*>(data);
        if (vconf_keynode_get_type(node) == VCONF_TYPE_INT)
            w->self->mHeard[w->key].push_back(vconf_keynode_get_int(node));
    }

    std::vector<std::unique_ptr<Watched>> mWatched;
    std::map<std::string, std::vector<int>> mHeard;
};

class StoreFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mDevice.reset(new TestDevice());
        mDevice->Boot();
    }
    void TearDown() override { mDevice.reset(); }

    EcoreScope mEcore;
    std::unique_ptr<TestDevice> mDevice;
};

} // namespace

// The writer is killed right after an acknowledgement, most likely inside its next
// write. Every acknowledged value is there, the next process writes at once, and the
// changes still reach this process.
TEST_F(StoreFaultTest, AKilledWriterLosesNoAcknowledgedWrite) {
    StoreUnderTest store;
    const std::string last = store.Key("w", "last");
    ASSERT_EQ(store.Set(last, 0), 0);
    ASSERT_TRUE(store.Watch(last));

    BackgroundProcess writer({faultstest::WriterPath(), "vconf", "w", "0"});
    ASSERT_TRUE(writer.WaitForOutput("ack 300\n", 30)) << writer.Out() << writer.Err();
    writer.Stop(SIGKILL);
    const long acked = AckedRounds(writer.Out());
    ASSERT_GE(acked, 300);
    EXPECT_EQ(writer.Out().find("fail"), std::string::npos) << writer.Out();

    int value = -1;
    ASSERT_EQ(store.Get(last, &value), 0);
    EXPECT_GE(value, acked);
    EXPECT_LE(value, acked + 1);
    for (int k = 0; k < 50; ++k) {
        // The newest acknowledged round that wrote k<k>, or the one in flight.
        const long expected = acked - ((acked - k) % 50 + 50) % 50;
        ASSERT_EQ(store.Get(store.Key("w", "k" + std::to_string(k)), &value), 0) << k;
        EXPECT_TRUE(value == expected || value == acked + 1) << "k" << k << " = " << value;
    }
    // The writes of the writer were heard here while it ran.
    EXPECT_TRUE(RunLoopUntil([&] { return store.LastHeard(last) >= 300; }, 10));

    // Nothing of the killed writer stands in the way of the next one, nor of the news.
    auto r = Watchctl({"vconf", "set", last, "-7"}, {}, 10);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(RunLoopUntil([&] { return store.LastHeard(last) == -7; }, 10));
    r = Watchctl({"vconf", "list"}, {}, 10);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(last + "\tint\t-7\n"), std::string::npos) << r.out;
}

// The device bus is killed while a writer runs: the writer's calls go on succeeding
// and nothing it acknowledged is lost; only the news stops travelling, and this process
// says so once.
TEST_F(StoreFaultTest, TheBusGoneMidFlowLosesNoWrite) {
    StoreUnderTest store;
    const std::string last = store.Key("b", "last");
    ASSERT_EQ(store.Set(last, 0), 0);
    ASSERT_TRUE(store.Watch(last));
    watchtest::LogCapture log;

    BackgroundProcess writer({faultstest::WriterPath(), "vconf", "b", "0"});
    ASSERT_TRUE(writer.WaitForOutput("ack 50\n", 30)) << writer.Err();
    ASSERT_TRUE(RunLoopUntil([&] { return store.LastHeard(last) > 0; }, 10));
    const int daemon = atoi(watchtest::ReadFile(mDevice->Root() + "/run/bus.pid").c_str());
    ASSERT_GT(daemon, 0);
    ASSERT_EQ(kill(daemon, SIGKILL), 0);
    EXPECT_TRUE(RunLoopUntil([&] { return log.Contains("lost the device bus"); }, 10))
        << log.Dump();

    // The writer carries on without the bus.
    const long before = AckedRounds(writer.Out());
    ASSERT_TRUE(writer.WaitForOutput("ack " + std::to_string(before + 200) + "\n", 30))
        << writer.Out() << writer.Err();
    writer.Stop(SIGKILL);
    const long acked = AckedRounds(writer.Out());
    EXPECT_EQ(writer.Out().find("fail"), std::string::npos) << writer.Out();
    int value = -1;
    ASSERT_EQ(store.Get(last, &value), 0);
    EXPECT_GE(value, acked);

    // This process's own writes still reach its own callbacks.
    ASSERT_EQ(store.Set(last, -1), 0);
    EXPECT_TRUE(RunLoopUntil([&] { return store.LastHeard(last) == -1; }, 10));
    EXPECT_EQ(log.Count("lost the device bus"), 1) << log.Dump();
}
