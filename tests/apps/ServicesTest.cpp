// The device's services: the package's companion service (the record of the settings
// request, the phone's band changes travelling through it, and what bad messages and a
// damaged outbox get) and the idle-clock component (started and stopped with the device,
// the hand-over it plays, and what it does with requests it cannot serve).
#include "AppsTestUtil.h"
#include "Companion.h"
#include "InstalledEditorTest.h"
#include "LoopUtil.h"
#include "TestDevice.h"

#include <app_preference.h>
#include <gtest/gtest.h>
#include <vconf.h>

#include <Ecore.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>

using appstest::CountLog;
using appstest::kBandKey;
using appstest::kFace;
using appstest::kService;
using appstest::WaitForLog;
using watchtest::Watchctl;

TEST(CompanionRecord, EncodesOneLineOfJsonAndReadsBackOnlyRecords) {
    dalvexa::OutboxRecord record;
    record.time = "t";
    record.operation = "op";
    record.hasBand = false; // and no caller
    const std::string noBand = dalvexa::EncodeRecord(record);
    EXPECT_NE(noBand.find("\"caller\":null,\"clock_color_style\":null,\"color\":null"),
              std::string::npos)
        << noBand;
    // A band the palette does not know is passed on, without a colour name.
    record.hasBand = true;
    record.band = 7;
    EXPECT_NE(dalvexa::EncodeRecord(record).find("\"clock_color_style\":7,\"color\":null"),
              std::string::npos);

    // The outbox reader keeps records and skips what is not one.
    record.caller = std::string("a\"b\\\n\x01\x7f caf\xc3\xa9 \x80", 15); // a stray byte at the end
    record.band = 2;
    const std::string good = dalvexa::EncodeRecord(record);
    std::string bad[] = {
        good.substr(0, good.size() / 2), // cut short by a crash
        "[1,2]",
        "null",
        "{}",
        "\xff",
        // A field of the wrong kind, a record of another message or package.
        std::string(good).replace(good.find(":2,"), 3, ":\"2\","),
        std::string(good).replace(good.find(":2,"), 3, ":2.5,"),
        std::string(good).replace(good.find(":2,"), 3, ":99999999999,"),
        std::string(good).replace(good.find("\"t\""), 3, "7"),
        std::string(good).replace(good.find("clock_color_style\",\""), 17, "other"),
        std::string(good).replace(good.find("com.korvane"), 11, "org.else"),
    };
    std::string text = good + "\n\n";
    for (const std::string& line : bad)
        text += line + "\n";
    std::istringstream in(text + good); // the last line without its newline
    size_t skipped = 0;
    const std::vector<dalvexa::OutboxEntry> entries = dalvexa::ReadOutbox(in, &skipped);
    EXPECT_EQ(skipped, std::size(bad));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].json, good);
    EXPECT_EQ(entries[0].record.caller, record.caller.substr(0, 14) + "\xef\xbf\xbd");
    EXPECT_TRUE(entries[1].record.hasBand);
    EXPECT_EQ(entries[1].record.band, 2);
    EXPECT_EQ(entries[1].record.operation, "op");
}

namespace {

// A booted device with the package installed; requests come from this process.
class ServicesTest : public appstest::InstalledEditorTest {
  protected:
    ServicesTest() : InstalledEditorTest(WATCH_TEST_BINARY_DIR) {}
};

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

int ServiceLog(const std::string& part) {
    return appstest::CountLog("CLOCK-DALVEXA-SERVICE", part);
}

} // namespace

// Bad messages are refused and the band stays: the band is stored while the service does
// not run, so its first request (a bad one) tells the phone, once, however many follow. The
// phone's band reaches every process of the package; the settings request is recorded.
TEST_F(ServicesTest, TheCompanionTakesThePhonesMessagesAndTheSettingsRequest) {
    StoreBand(1);
    for (const char* bad : {"5", "-1", "two", "", "1.0", "01"}) {
        SCOPED_TRACE(std::string("band '") + bad + "'");
        auto r = Watchctl({"phone", "set-band", bad});
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE(r.out.find("error=the phone sent the colour band \"" + std::string(bad) +
                             "\", not one of 0..4\n"),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("result=failed"), std::string::npos);
    }
    EXPECT_EQ(ServiceLog("phone message refused"), 6);

    // A message without its band, an unknown message, a request of no known kind.
    auto refusal = [](std::vector<std::pair<std::string, std::string>> extras, const char* op) {
        auto reply = appstest::Launch(kService, extras, op);
        EXPECT_TRUE(reply->called);
        EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
        return reply->extras["error"];
    };
    EXPECT_EQ(refusal({{"phone_message", "set_clock_color_style"}}, nullptr),
              "the phone's message has no \"clock_color_style\"");
    EXPECT_EQ(refusal({{"phone_message", "factory_reset"}}, nullptr),
              "unknown phone message \"factory_reset\"");
    EXPECT_EQ(refusal({}, APP_CONTROL_OPERATION_VIEW),
              "unknown request (operation \"" APP_CONTROL_OPERATION_VIEW "\")");
    EXPECT_EQ(StoredBandText(), "1\n");
    std::vector<std::string> lines = Outbox();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"clock_color_style\":1,"), std::string::npos) << lines[0];

    // Usage faults never reach the service.
    EXPECT_EQ(Watchctl({"phone", "set-band"}).status, 2);
    EXPECT_EQ(Watchctl({"phone", "set-band", "1", "2"}).status, 2);
    EXPECT_EQ(Watchctl({"phone", "set-band", "1", "--timeout", "0"}).status, 2);
    EXPECT_EQ(Watchctl({"phone", "dial"}).status, 2);

    // A good band: this process joins the package to watch its preferences, as the face does,
    // and hears it once.
    setenv("WATCH_APP_ID", appstest::kFace, 1);
    struct Heard {
        int calls = 0;
        int band = -1;
    } heard;
    ASSERT_EQ(preference_set_changed_cb(
                  kBandKey,
                  [](const char* key, void* data) {
                      Heard* h = static_cast<Heard*>(data);
                      ++h->calls;
                      preference_get_int(key, &h->band);
                  },
                  &heard),
              PREFERENCE_ERROR_NONE);
    auto r = Watchctl({"phone", "set-band", "3"});
    EXPECT_EQ(r.status, 0) << r.err << appstest::DumpLog();
    EXPECT_EQ(r.out, "clock_color_style=3\nresult=succeeded\n");
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return heard.band == 3; }));
    EXPECT_EQ(heard.calls, 1);
    EXPECT_EQ(StoredBandText(), "3\n");
    EXPECT_EQ(ServiceLog("the phone set colour band 3 (purple)"), 1);
    EXPECT_EQ(Outbox().size(), 1u); // the phone knows its own band
    preference_unset_changed_cb(kBandKey);
    unsetenv("WATCH_APP_ID");

    // The settings request: answered, and recorded when the band is new to the phone.
    StoreBand(2);
    auto reply = appstest::Launch(kService, {}, APP_CONTROL_OPERATION_SETTINGS);
    ASSERT_TRUE(reply->called) << appstest::DumpLog();
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(reply->extras["clock_color_style"], "2");
    lines = Outbox();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(
        lines[1],
        std::regex(R"(\{"time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d",)"
                   R"("message":"clock_color_style","app_id":"com\.korvane\.clock-dalvexa",)"
                   R"("operation":"watch://device\.korvane/appcontrol/operation/settings",)"
                   R"("caller":null,"clock_color_style":2,"color":"orange"\})")))
        << lines[1];
    EXPECT_EQ(ServiceLog("colour band 2 recorded for the phone"), 1);

    // An outbox that cannot be written fails the request; the service goes on.
    StoreBand(4);
    const std::string kept = OutboxPath() + ".kept";
    ASSERT_EQ(rename(OutboxPath().c_str(), kept.c_str()), 0);
    ASSERT_EQ(mkdir(OutboxPath().c_str(), 0755), 0);
    reply = appstest::Launch(kService, {}, APP_CONTROL_OPERATION_SETTINGS);
    ASSERT_TRUE(reply->called);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_NE(reply->extras["error"].find("cannot open"), std::string::npos);
    EXPECT_EQ(ServiceLog("not recorded: cannot open"), 1);
    const int pid = appstest::PidOf(kService);
    EXPECT_GT(pid, 0);

    // Each request is one more message, in order.
    ASSERT_EQ(rmdir(OutboxPath().c_str()), 0);
    ASSERT_EQ(rename(kept.c_str(), OutboxPath().c_str()), 0);
    reply = appstest::Launch(kService, {}, APP_CONTROL_OPERATION_SETTINGS);
    ASSERT_TRUE(reply->called);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(appstest::PidOf(kService), pid); // the same process served both
    lines = Outbox();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[2].find("\"clock_color_style\":4,\"color\":\"mint\""), std::string::npos);
    auto printed = Watchctl({"phone", "outbox"});
    EXPECT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.out, lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n");
}

// One booted device plays the component's life: requests it cannot serve, one withdrawn,
// two hand-overs, then the shutdown.
TEST_F(ServicesTest, TheIdleClockServesTheShowKeyFromBootToShutdown) {
    const std::string pidFile = mDevice->Root() + "/run/idle-clock.pid";
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    ASSERT_TRUE(Alive(pid));
    EXPECT_NE(
        watchtest::ReadFile("/proc/" + std::to_string(pid) + "/cmdline").find("watch-idle-clock"),
        std::string::npos);
    EXPECT_EQ(CountLog(kTag, "serving " + mDevice->Root()), 1) << appstest::DumpLog();

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
    ASSERT_TRUE(WaitForLog(kTag, "the idle clock comes in", 0, 3)); // after the two above
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
    EXPECT_TRUE(WaitForLog(kTag, "brought to the front", 0, 2));
    EXPECT_EQ(appstest::PidOf(kFace), face);
    EXPECT_TRUE(appstest::InFront(kFace));

    mDevice->Shutdown();
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return !Alive(pid); }));
    EXPECT_EQ(access(pidFile.c_str(), F_OK), -1);
    EXPECT_EQ(CountLog(kTag, "stopped after 2 hand-overs"), 1);
    EXPECT_EQ(watchtest::Watchctl({"shutdown"}).status, 0); // nothing left to stop
}
