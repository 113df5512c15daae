// The companion service: the record of the settings request, the phone's band changes
// travelling through it, and what bad messages and a damaged outbox get.
#include "AppsTestUtil.h"
#include "Companion.h"
#include "LoopUtil.h"
#include "TestDevice.h"

#include <app_preference.h>
#include <gtest/gtest.h>

#include <Ecore.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

using appstest::kBandKey;
using appstest::kService;
using watchtest::Watchctl;

namespace {

// "2026-03-01T09:15:02.047+01:00": digits where the pattern has 'd', a sign where it has 's'.
bool LooksLikeTime(const std::string& text) {
    const std::string pattern = "dddd-dd-ddTdd:dd:dd.ddds dd:dd";
    std::string compact = pattern;
    compact.erase(compact.find(' '), 1);
    if (text.size() != compact.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char p = compact[i], t = text[i];
        if (p == 'd'   ? !isdigit(static_cast<unsigned char>(t))
            : p == 's' ? (t != '+' && t != '-')
                       : t != p)
            return false;
    }
    return true;
}

// The record with its time replaced by "TIME", when the time looks right.
std::string WithoutTime(const std::string& line) {
    const std::string head = "{\"time\":\"";
    if (line.rfind(head, 0) != 0)
        return line;
    const size_t end = line.find('"', head.size());
    if (end == std::string::npos || !LooksLikeTime(line.substr(head.size(), end - head.size())))
        return line;
    return head + "TIME" + line.substr(end);
}

} // namespace

TEST(CompanionRecord, EncodesOneLineOfJson) {
    dalvexa::OutboxRecord record;
    record.time = "2026-03-01T09:15:02.047+01:00";
    record.operation = APP_CONTROL_OPERATION_SETTINGS;
    record.hasBand = false; // and no caller
    const std::string noBand = dalvexa::EncodeRecord(record);
    EXPECT_NE(noBand.find("\"caller\":null"), std::string::npos) << noBand;
    EXPECT_NE(noBand.find("\"clock_color_style\":null,\"color\":null"), std::string::npos);

    // A band the palette does not know is passed on, without a colour name.
    record.hasBand = true;
    record.band = 7;
    EXPECT_NE(dalvexa::EncodeRecord(record).find("\"clock_color_style\":7,\"color\":null"),
              std::string::npos);
}

TEST(CompanionRecord, TheOutboxReaderKeepsRecordsAndSkipsWhatIsNot) {
    dalvexa::OutboxRecord odd;
    odd.time = "t";
    odd.operation = "op";
    odd.caller = std::string("a\"b\\\n\x01\x7f caf\xc3\xa9 \x80", 15); // a stray byte at the end
    odd.hasBand = true;
    odd.band = 2;
    const std::string good = dalvexa::EncodeRecord(odd);
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
    EXPECT_EQ(entries[0].record.caller, odd.caller.substr(0, 14) + "\xef\xbf\xbd");
    EXPECT_TRUE(entries[1].record.hasBand);
    EXPECT_EQ(entries[1].record.band, 2);
    EXPECT_EQ(entries[1].record.operation, "op");
}

namespace {

// A booted device with the package installed; requests come from this process.
class CompanionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ecore_app_no_system_modules();
        ecore_init();
        mDevice.reset(new watchtest::TestDevice());
        mDevice->Boot();
    }
    void TearDown() override {
        appstest::ForgetLaunches();
        mDevice.reset();
        ecore_shutdown();
    }
    std::string Outbox() const { return mDevice->PackagePath("data") + "/phone-outbox.jsonl"; }
    std::vector<std::string> OutboxLines() const {
        std::vector<std::string> lines;
        std::ifstream in(Outbox());
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
        return lines;
    }
    void StoreBand(const std::string& band) {
        auto r = Watchctl({"pref", appstest::kPackage, "set", kBandKey, band, "--type", "int"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    std::string StoredBand() {
        auto r = Watchctl({"pref", appstest::kPackage, "get", kBandKey});
        return r.status == 0 ? r.out : "(" + r.err + ")";
    }
    std::unique_ptr<watchtest::TestDevice> mDevice;
};

} // namespace

TEST_F(CompanionTest, TheSettingsRequestIsAnsweredAndRecordedForThePhone) {
    StoreBand("2");
    auto reply = appstest::Launch(kService, {}, APP_CONTROL_OPERATION_SETTINGS);
    ASSERT_TRUE(reply->called) << appstest::DumpLog();
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(reply->extras["clock_color_style"], "2");

    std::vector<std::string> lines = OutboxLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(WithoutTime(lines[0]),
              "{\"time\":\"TIME\",\"message\":\"clock_color_style\","
              "\"app_id\":\"com.korvane.clock-dalvexa\","
              "\"operation\":\"watch://device.korvane/appcontrol/operation/settings\","
              "\"caller\":null,\"clock_color_style\":2,\"color\":\"orange\"}");
    EXPECT_EQ(appstest::CountLog("CLOCK-DALVEXA-SERVICE", "colour band 2 recorded for the phone"),
              1);

    // Each request is one more message, in order.
    StoreBand("4");
    reply = appstest::Launch(kService, {}, APP_CONTROL_OPERATION_SETTINGS);
    ASSERT_TRUE(reply->called);
    lines = OutboxLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("\"clock_color_style\":4,\"color\":\"mint\""), std::string::npos);

    auto printed = Watchctl({"phone", "outbox"});
    EXPECT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.out, lines[0] + "\n" + lines[1] + "\n");
}

TEST_F(CompanionTest, ThePhoneSetsTheBandAndEveryProcessOfThePackageHears) {
    StoreBand("0");
    // This process joins the package to watch its preferences, as the face does.
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
    EXPECT_EQ(StoredBand(), "3\n");
    EXPECT_EQ(appstest::CountLog("CLOCK-DALVEXA-SERVICE", "the phone set colour band 3 (purple)"),
              1);
    preference_unset_changed_cb(kBandKey);
    unsetenv("WATCH_APP_ID");
}

// The band is stored while the service does not run: its first request (a bad one) tells
// the phone, once, however many requests follow.
TEST_F(CompanionTest, BadMessagesAreRefusedAndTheBandStays) {
    StoreBand("1");
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
    EXPECT_EQ(StoredBand(), "1\n");
    EXPECT_EQ(appstest::CountLog("CLOCK-DALVEXA-SERVICE", "phone message refused"), 6);

    // A message without its band, an unknown message, a request of no known kind.
    auto reply = appstest::Launch(kService, {{"phone_message", "set_clock_color_style"}});
    ASSERT_TRUE(reply->called);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_EQ(reply->extras["error"], "the phone's message has no \"clock_color_style\"");
    reply = appstest::Launch(kService, {{"phone_message", "factory_reset"}});
    ASSERT_TRUE(reply->called);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_EQ(reply->extras["error"], "unknown phone message \"factory_reset\"");
    reply = appstest::Launch(kService, {}, APP_CONTROL_OPERATION_VIEW);
    ASSERT_TRUE(reply->called);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_EQ(StoredBand(), "1\n");
    const std::vector<std::string> lines = OutboxLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"clock_color_style\":1,"), std::string::npos) << lines[0];
    EXPECT_EQ(Watchctl({"phone", "outbox"}).out, lines[0] + "\n");

    // Usage faults never reach the service.
    EXPECT_EQ(Watchctl({"phone", "set-band"}).status, 2);
    EXPECT_EQ(Watchctl({"phone", "set-band", "1", "2"}).status, 2);
    EXPECT_EQ(Watchctl({"phone", "set-band", "1", "--timeout", "0"}).status, 2);
    EXPECT_EQ(Watchctl({"phone", "dial"}).status, 2);
}

TEST_F(CompanionTest, AnOutboxThatCannotBeWrittenFailsTheRequestAndTheServiceGoesOn) {
    StoreBand("2");
    ASSERT_EQ(mkdir(Outbox().c_str(), 0755), 0);
    auto reply = appstest::Launch(kService, {}, APP_CONTROL_OPERATION_SETTINGS);
    ASSERT_TRUE(reply->called);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_NE(reply->extras["error"].find("cannot open"), std::string::npos);
    EXPECT_EQ(appstest::CountLog("CLOCK-DALVEXA-SERVICE", "not recorded: cannot open"), 1);
    const int pid = appstest::PidOf(kService);
    EXPECT_GT(pid, 0);

    ASSERT_EQ(rmdir(Outbox().c_str()), 0);
    reply = appstest::Launch(kService, {}, APP_CONTROL_OPERATION_SETTINGS);
    ASSERT_TRUE(reply->called);
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(appstest::PidOf(kService), pid); // the same process served both
    EXPECT_EQ(OutboxLines().size(), 1u);
}
