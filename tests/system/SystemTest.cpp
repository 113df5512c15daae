// The whole package on a booted device, with real processes: the editor launched by a
// caller and driven by `watchctl input`, the companion service, the idle-clock component
// and the watch face. Pictures of each step are compared with the references in
// tests/system/reference/ (WATCH_UPDATE_REFERENCES=1 writes them anew instead).
#include "InstalledEditorTest.h"
#include "dalvexa_palette.h"

#include <Ecore.h>
#include <Ecore_Evas.h>
#include <gtest/gtest.h>
#include <vconf.h>

#include <signal.h>
#include <sys/stat.h>

#include <fstream>

using appstest::Image;
using watchtest::Watchctl;

namespace {

const std::string kReferenceDir = WATCH_SOURCE_DIR "/tests/system/reference/";
const std::string kShotDir = WATCH_TEST_BINARY_DIR "/system-shots/";

class SystemTest : public appstest::InstalledEditorTest {
  protected:
    SystemTest() : InstalledEditorTest(kShotDir) {}

    // The front window's picture.
    Image Shot(const std::string& name) {
        Image image;
        const std::string path = kShotDir + name + ".png";
        auto r = Watchctl({"screenshot", path});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(appstest::LoadPng(path, &image)) << path;
        return image;
    }
    // The front window's picture once it has stopped changing: different from `before`
    // (when given) and the same in two pictures in a row.
    Image SettledShot(const std::string& name, const Image* before = nullptr) {
        Image previous, current;
        const bool settled = WaitSlowly(
            [&] {
                current = Shot(name);
                const bool same = !previous.pixels.empty() && current.pixels == previous.pixels;
                previous = current;
                return same && (!before || current.pixels != before->pixels);
            },
            10);
        EXPECT_TRUE(settled) << name << " kept changing (or never changed)";
        return current;
    }
    // Compares with the reference of that name.
    void ExpectLike(const Image& shot, const std::string& name,
                    appstest::Compare compare = appstest::Compare()) {
        const std::string reference = kReferenceDir + name + ".png";
        if (getenv("WATCH_UPDATE_REFERENCES")) {
            ASSERT_TRUE(appstest::SavePng(reference, shot)) << reference;
            return;
        }
        Image expected;
        ASSERT_TRUE(appstest::LoadPng(reference, &expected)) << "no reference " << reference;
        std::string why;
        EXPECT_TRUE(appstest::MatchesReference(shot, expected, compare,
                                               kShotDir + name + ".diff.png", &why))
            << name << ": " << why;
    }
};

constexpr int kOkX = 180, kOkY = 330;

} // namespace

TEST_F(SystemTest, OkAppliesOrangeAndHandsTheScreenToTheWatchFace) {
    auto reply = LaunchEditor();
    Image opening = SettledShot("01-opening-blue");
    ExpectLike(opening, "editor-blue");

    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    Image white = SettledShot("02-white", &opening);
    ExpectLike(white, "editor-white");
    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    Image orange = SettledShot("03-orange", &white);
    ExpectLike(orange, "editor-orange");
    EXPECT_FALSE(reply->called);

    ASSERT_EQ(Watchctl({"input", "tap", std::to_string(kOkX), std::to_string(kOkY)}).status, 0);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return reply->called; }, 10)) << appstest::DumpLog();
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(reply->extras["watch_editor_save"], "true");
    EXPECT_EQ(reply->extras["watch_editor_tutorial"], "true");
    // The reply leaves at the end of the OK animation: the chosen face fills the screen.
    ExpectLike(Shot("04-ok-animation-end"), "editor-ok-end-orange");

    EXPECT_EQ(StoredBand(), "2\n");
    EXPECT_TRUE(appstest::WaitForLog("CLOCK-DALVEXA-SERVICE", "colour band 2 recorded"));
    const std::vector<std::string> outbox = Outbox();
    ASSERT_EQ(outbox.size(), 1u);
    EXPECT_NE(outbox[0].find("\"caller\":\"com.korvane.clock-dalvexa.editor\","
                             "\"clock_color_style\":2,\"color\":\"orange\""),
              std::string::npos)
        << outbox[0];

    EXPECT_TRUE(WaitSlowly([] { return appstest::InFront(appstest::kFace); }))
        << appstest::DumpLog();
    char* idle = vconf_get_str("db/wms/clocks_set_idle");
    EXPECT_STREQ(idle, appstest::kFace);
    free(idle);
    int show = -1;
    EXPECT_EQ(vconf_get_int("db/setting/idle_clock_show", &show), VCONF_OK);
    EXPECT_EQ(show, 0);

    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; }, 10));
    EXPECT_EQ(EditorStatus(), 0) << mEditor->Err();

    // The face in orange: its ring and indices as the reference, the hands left out.
    Image face = SettledShot("05-watch-face");
    appstest::Compare ring;
    ring.skipX = ring.skipY = 180;
    ring.skipRadius = 152;
    ExpectLike(face, "face-orange", ring);
    const dalvexa_band_colors* orangeBand = dalvexa_band_get(2);
    EXPECT_LE(appstest::ColorDistance(face.At(186, 180), 0xFF000000u | orangeBand->accent), 8);
}

TEST_F(SystemTest, ABandChangedFromThePhoneEndsTheEditorWithoutSaving) {
    auto reply = LaunchEditor();
    SettledShot("10-opening");

    auto r = Watchctl({"phone", "set-band", "3"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const double changed = watchtest::Now();
    // The notice: a toast over the unchanged editor.
    Image notice = SettledShot("11-notice");
    ExpectLike(notice, "editor-notice");

    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; },
                                        4.0 - (watchtest::Now() - changed)))
        << "the editor still runs 4 s after the change";
    EXPECT_EQ(EditorStatus(), 0) << mEditor->Err();
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return reply->called; }, 5));
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(reply->extras["watch_editor_save"], "false");
    EXPECT_EQ(StoredBand(), "3\n");
    EXPECT_TRUE(Outbox().empty());
}

TEST_F(SystemTest, AKilledEditorFailsItsCallerAndLeavesTheStoreIntact) {
    ASSERT_EQ(
        Watchctl({"pref", appstest::kPackage, "set", appstest::kBandKey, "1", "--type", "int"})
            .status,
        0);
    auto reply = LaunchEditor();
    Image opening = SettledShot("20-opening-white");
    ExpectLike(opening, "editor-white");
    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    SettledShot("21-orange", &opening);

    ASSERT_EQ(kill(mEditor->Pid(), SIGKILL), 0);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return reply->called; }, 10));
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_FALSE(reply->hasReply);
    // The bus sees the connection close a moment before the process is reaped.
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; }));
    EXPECT_EQ(EditorStatus(), 128 + SIGKILL);

    // Nothing of the unfinished choice was kept, and the stores read cleanly.
    EXPECT_EQ(StoredBand(), "1\n");
    EXPECT_TRUE(Outbox().empty());
    char* idle = vconf_get_str("db/wms/clocks_set_idle");
    EXPECT_EQ(idle, nullptr);
    free(idle);
    auto list = Watchctl({"pref", appstest::kPackage, "list"});
    EXPECT_EQ(list.status, 0) << list.err;

    // The editor starts again as before, on the stored band.
    mEditor.reset();
    auto again = LaunchEditor();
    ExpectLike(SettledShot("22-again-white"), "editor-white");
    ASSERT_EQ(Watchctl({"app", "terminate", appstest::kEditor}).status, 0);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return again->called; }, 10));
    EXPECT_EQ(again->extras["watch_editor_save"], "false");
}
