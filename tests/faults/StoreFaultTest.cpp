// The settings stores under fault, through their C calls in separate programs on a booted
// device: a writer killed with SIGKILL, four writers at once, the device bus killed while
// a writer runs. Nothing acknowledged is lost, every writer succeeds, the store stays
// usable by the next process, and the changes go on reaching other processes.
#include "FaultsTestUtil.h"
#include "LogCapture.h"
#include "app_preference.h"
#include "vconf.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using faultstest::AckedRounds;
using faultstest::EcoreScope;
using watchtest::BackgroundProcess;
using watchtest::RunLoopUntil;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

const char kPackage[] = "com.korvane.clock-dalvexa";

// Reads and watches one store through its C calls, as an application does.
class StoreUnderTest {
  public:
    explicit StoreUnderTest(bool vconf) : mVconf(vconf) {}
    bool IsVconf() const { return mVconf; }
    const char* Name() const { return mVconf ? "vconf" : "pref"; }
    // Where the writer program puts its keys.
    std::string Prefix() const { return mVconf ? "db/fault/" : "fault/"; }
    std::string Key(const std::string& writer, const std::string& leaf) const {
        return Prefix() + writer + "/" + leaf;
    }
    int Set(const std::string& key, int value) const {
        return mVconf ? vconf_set_int(key.c_str(), value) : preference_set_int(key.c_str(), value);
    }
    int Get(const std::string& key, int* value) const {
        return mVconf ? vconf_get_int(key.c_str(), value) : preference_get_int(key.c_str(), value);
    }
    // Every change of key from now on lands in Heard()[key], read back from the store.
    bool Watch(const std::string& key) {
        mWatched.push_back(std::make_unique<Watched>(Watched{this, key}));
        void* data = mWatched.back().get();
        return mVconf ? vconf_notify_key_changed(key.c_str(), OnVconf, data) == 0
                      : preference_set_changed_cb(key.c_str(), OnPreference, data) == 0;
    }
    std::map<std::string, std::vector<int>>& Heard() { return mHeard; }
    int LastHeard(const std::string& key) {
        const auto& values = mHeard[key];
        return values.empty() ? -1 : values.back();
    }
    // `watchctl vconf ...` or `watchctl pref <package> ...`.
    std::vector<std::string> Command(const std::vector<std::string>& args) const {
        std::vector<std::string> all =
            mVconf ? std::vector<std::string>{"vconf"} : std::vector<std::string>{"pref", kPackage};
        all.insert(all.end(), args.begin(), args.end());
        return all;
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
    static void OnPreference(const char* key, void* data) {
        Watched* w = static_cast<Watched*>(data);
        int value = -1;
        if (preference_get_int(key, &value) == PREFERENCE_ERROR_NONE)
            w->self->mHeard[w->key].push_back(value);
    }

    bool mVconf;
    std::vector<std::unique_ptr<Watched>> mWatched;
    std::map<std::string, std::vector<int>> mHeard;
};

// The writer's environment: its device, and for preferences the watch face's package.
std::vector<std::string> WriterEnv(const StoreUnderTest& store) {
    return {std::string("WATCH_APP_ID=") + (store.IsVconf() ? "" : kPackage)};
}

class StoreFaultTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        // This process reads and watches the watch face package's preferences.
        setenv("WATCH_APP_ID", kPackage, 1);
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
TEST_P(StoreFaultTest, AKilledWriterLosesNoAcknowledgedWrite) {
    StoreUnderTest store(GetParam());
    const std::string last = store.Key("w", "last");
    ASSERT_EQ(store.Set(last, 0), 0);
    ASSERT_TRUE(store.Watch(last));

    BackgroundProcess writer({faultstest::WriterPath(), store.Name(), "w", "0"}, WriterEnv(store));
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
    auto r = Watchctl(store.Command({"set", last, "-7"}), {}, 10);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(RunLoopUntil([&] { return store.LastHeard(last) == -7; }, 10));
    r = Watchctl(store.Command({"list"}), {}, 10);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(last + "\tint\t-7\n"), std::string::npos) << r.out;
}

// Four programs write 500 values each at the same moment: every write succeeds, every
// value lands, and the last value of each is heard by this process.
TEST_P(StoreFaultTest, FourProcessesWritingAtOnceAllSucceed) {
    StoreUnderTest store(GetParam());
    const int kWriters = 4, kRounds = 250; // two writes a round
    const std::string go = mDevice->Root() + "/go";
    std::vector<std::unique_ptr<BackgroundProcess>> writers;
    for (int p = 0; p < kWriters; ++p) {
        const std::string name = "p" + std::to_string(p);
        ASSERT_EQ(store.Set(store.Key(name, "last"), 0), 0);
        ASSERT_TRUE(store.Watch(store.Key(name, "last")));
        std::vector<std::string> env = WriterEnv(store);
        env.push_back("FAULT_GO_FILE=" + go);
        writers.push_back(std::make_unique<BackgroundProcess>(
            std::vector<std::string>{faultstest::WriterPath(), store.Name(), name,
                                     std::to_string(kRounds)},
            env));
    }
    for (auto& writer : writers)
        ASSERT_TRUE(writer->WaitForOutput("ready\n", 20)) << writer->Err();
    std::ofstream(go).put('\n');

    EXPECT_TRUE(RunLoopUntil(
        [&] {
            bool done = true;
            for (auto& writer : writers)
                done = writer->Wait(0) >= 0 && done;
            for (int p = 0; p < kWriters; ++p)
                done =
                    store.LastHeard(store.Key("p" + std::to_string(p), "last")) == kRounds && done;
            return done;
        },
        90));
    for (int p = 0; p < kWriters; ++p) {
        const std::string name = "p" + std::to_string(p);
        EXPECT_EQ(writers[p]->Wait(10), 0) << name << ": " << writers[p]->Out();
        EXPECT_EQ(AckedRounds(writers[p]->Out()), kRounds) << name;
        EXPECT_EQ(store.LastHeard(store.Key(name, "last")), kRounds) << name;
        int value = -1;
        for (int k = 0; k < 50; ++k) {
            // Rounds 201..250 wrote these last.
            const int expected = k == 0 ? 250 : 200 + k;
            ASSERT_EQ(store.Get(store.Key(name, "k" + std::to_string(k)), &value), 0);
            EXPECT_EQ(value, expected) << name << " k" << k;
        }
    }
    auto r = Watchctl(store.Command({"list", store.Prefix()}), {}, 10);
    ASSERT_EQ(r.status, 0) << r.err;
    size_t lines = 0;
    for (char c : r.out)
        lines += c == '\n';
    EXPECT_EQ(lines, size_t(kWriters * 51)) << r.out;
}

// The device bus is killed while a writer runs: the writer's calls go on succeeding
// and nothing it acknowledged is lost; only the news stops travelling, and this process
// says so once.
TEST_P(StoreFaultTest, TheBusGoneMidFlowLosesNoWrite) {
    StoreUnderTest store(GetParam());
    const std::string last = store.Key("b", "last");
    ASSERT_EQ(store.Set(last, 0), 0);
    ASSERT_TRUE(store.Watch(last));
    watchtest::LogCapture log;

    BackgroundProcess writer({faultstest::WriterPath(), store.Name(), "b", "0"}, WriterEnv(store));
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

INSTANTIATE_TEST_SUITE_P(Stores, StoreFaultTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Vconf" : "Preference";
                         });
