// The editor's resources missing or damaged in the installed package: its layout file, its
// preview images, the theme's colour and font tables. The installed editor runs as a
// program of its own on a booted device, so that a crash shows in its exit status. A
// missing layout or table is logged where it is found (missing previews only leave their
// pages empty); the editor ends cleanly, its caller is answered, and the stored band is
// what the user chose, or what it was.
#include "InstalledEditorTest.h"
#include "dalvexa_palette.h"
#include "watch_bus.h"

#include <Ecore_Evas.h>
#include <gtest/gtest.h>
#include <vconf.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

using appstest::Image;
using watchtest::RunLoopUntil;
using watchtest::Watchctl;

namespace {

const char kEditorTag[] = "CLOCK-DALVEXA-EDITOR";
const char kCommonTag[] = "CLOCK-COMMON";
const char kThemeTag[] = "WATCH-UXT";
const std::string kShotDir = WATCH_TEST_BINARY_DIR "/fault-shots/";

class EditorFaultTest : public appstest::InstalledEditorTest {
  protected:
    EditorFaultTest() : InstalledEditorTest(kShotDir) {}

    // The lines of a tag of the running editor that contain part.
    int CountLogOfEditor(const std::string& tag, const std::string& part) {
        return appstest::CountLog(tag, part, mEditor->Pid());
    }

    // The front window once the editor is interactive: the OK button, which comes with
    // the pages at the end of the opening zoom, is on the screen.
    Image WaitForPages(const std::string& name) {
        Image shot;
        const std::string path = kShotDir + name + ".png";
        const bool shown = WaitSlowly([&] {
            return Watchctl({"screenshot", path}).status == 0 && appstest::LoadPng(path, &shot) &&
                   shot.width == 360 && shot.height == 360 &&
                   appstest::ColorDistance(shot.At(kOkX, kOkY), 0xFF000000u) > 64;
        });
        EXPECT_TRUE(shown) << "no OK button on the screen; last picture in " << path << "\n"
                           << appstest::DumpLog();
        return shot;
    }

    // The theme library's one error line in the editor's run, which starts with `line`.
    void ExpectTableError(const std::string& line) {
        std::vector<std::string> errors;
        for (const appstest::LogEntry& e : appstest::DeviceLog(kThemeTag, mEditor->Pid()))
            if (e.priority == 'E')
                errors.push_back(e.message);
        ASSERT_EQ(errors.size(), 1u) << appstest::DumpLog(kThemeTag);
        EXPECT_EQ(errors[0].rfind(line, 0), 0u) << errors[0];
    }

    // One detent clockwise, then OK: the caller hears that the band was saved, the band is
    // stored and goes to the phone in one more message, and the editor hands over to the
    // face and ends by itself, cleanly.
    void ApplyNextBand(const std::shared_ptr<appstest::Reply>& reply, int expected) {
        const size_t told = Outbox().size();
        ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
        ASSERT_EQ(Watchctl({"input", "tap", std::to_string(kOkX), std::to_string(kOkY)}).status, 0);
        ASSERT_TRUE(RunLoopUntil([&] { return reply->called; }, 10)) << appstest::DumpLog();
        EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
        EXPECT_EQ(reply->extras["watch_editor_save"], "true");
        EXPECT_EQ(StoredBandText(), std::to_string(expected) + "\n");
        EXPECT_TRUE(appstest::WaitForLog("CLOCK-DALVEXA-SERVICE",
                                         "colour band " + std::to_string(expected) + " recorded"))
            << appstest::DumpLog();
        const std::vector<std::string> outbox = Outbox();
        ASSERT_EQ(outbox.size(), told + 1);
        EXPECT_NE(outbox.back().find("\"clock_color_style\":" + std::to_string(expected) + ","),
                  std::string::npos)
            << outbox.back();
        ASSERT_TRUE(RunLoopUntil([&] { return EditorStatus() != -1; }, 10))
            << "the editor still runs after the hand-over\n"
            << appstest::DumpLog();
        EXPECT_EQ(EditorStatus(), 0) << mEditor->Err();
        // The face comes in front once its launch is delivered; an editor started before
        // that would be paused by it, and a pause ends the editor.
        EXPECT_TRUE(WaitSlowly([] { return appstest::InFront(appstest::kFace); }))
            << appstest::DumpLog();
    }
};

// The share of near-black pixels in a disc of the picture.
double DarkShare(const Image& image, int cx, int cy, int radius) {
    long inside = 0, dark = 0;
    for (int y = cy - radius; y <= cy + radius; ++y) {
        for (int x = cx - radius; x <= cx + radius; ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius)
                continue;
            ++inside;
            dark += appstest::ColorDistance(image.At(x, y), 0xFF000000u) <= 24;
        }
    }
    return inside ? double(dark) / inside : 0;
}

} // namespace

// Without its layout file the editor cannot build its screen: a line names the file it
// lacks, and the empty application stays up until it is sent away (`watchctl app pause`,
// then, in a second run, `... terminate`). Then it ends by itself with status 0, its caller
// gets a failure (nobody was there to answer), and the stored band and the hand-over keys
// are as they were.
TEST_F(EditorFaultTest, WithoutItsLayoutTheEditorSaysWhyEndsCleanlyAndFailsItsCaller) {
    StoreBand(3);
    const std::string edj = mDevice->PackagePath("res/") + "/edje/ClockEditor.edj";
    ASSERT_TRUE(std::filesystem::remove(edj));

    for (const char* sentAway : {"pause", "terminate"}) {
        SCOPED_TRACE(sentAway);
        auto reply = LaunchEditor();
        ASSERT_TRUE(WaitSlowly([&] {
            return CountLogOfEditor(kEditorTag, "(baseLayout == NULL) [return]") > 0;
        })) << appstest::DumpLog();
        EXPECT_EQ(CountLogOfEditor(kCommonTag, "elm_layout_file_set is failed. file: " + edj +
                                                   ", group: MainViewLayout"),
                  1)
            << appstest::DumpLog();
        // The opening, which reads and may store the band, never began.
        EXPECT_EQ(CountLogOfEditor(kEditorTag, "ViewStartAnimator"), 0) << appstest::DumpLog();
        EXPECT_EQ(EditorStatus(), -1) << mEditor->Err();
        EXPECT_FALSE(reply->called);

        auto r = Watchctl({"app", sentAway, appstest::kEditor});
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(RunLoopUntil([&] { return reply->called; }, 10))
            << "the caller is still waiting\n"
            << appstest::DumpLog();
        EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
        EXPECT_FALSE(reply->hasReply);
        ASSERT_TRUE(RunLoopUntil([&] { return EditorStatus() != -1; }, 10));
        EXPECT_EQ(EditorStatus(), 0) << mEditor->Err();
        EXPECT_EQ(CountLogOfEditor(kEditorTag, "no screen to pause: the application ends"), 1)
            << appstest::DumpLog();
    }
    EXPECT_EQ(StoredBandText(), "3\n");
    EXPECT_TRUE(Outbox().empty());
    char* idle = vconf_get_str("db/wms/clocks_set_idle");
    EXPECT_EQ(idle, nullptr);
    free(idle);
}

// Without the preview images the pages are empty, and with a damaged font table the
// theme's own fonts are used; without the colour table as well, the theme's own colours
// (and no font table is read: the theme gives up at the first table it lacks). Each time
// one error line from the theme library names the table and what is wrong with it, and
// that is all. The bezel, OK, the store, the companion and the hand-over work as ever.
TEST_F(EditorFaultTest, MissingPreviewsAndBadTablesLeaveEmptyPagesAndOkStillApplies) {
    StoreBand(1);
    for (int band = 0; band < DALVEXA_BAND_COUNT; ++band) {
        const std::string preview =
            mDevice->PackagePath("shared/res/") + dalvexa_band_get(band)->preview;
        ASSERT_TRUE(std::filesystem::remove(preview)) << preview;
    }
    const std::string tables = mDevice->PackagePath("shared/res/tables/");
    std::ofstream(tables + "changeableColorInfo_font.xml", std::ios::trunc)
        << "<font-table>\n  <font code=\"T0111\" family=\"Sans\" size=\"0\"/>\n</font-table>\n";

    auto reply = LaunchEditor();
    const Image shown = WaitForPages("no-previews");
    // The white page would cover the middle of the screen with its light dial.
    EXPECT_GT(DarkShare(shown, 180, 180, 100), 0.95);
    ExpectTableError("font table not loaded: " + tables +
                     "changeableColorInfo_font.xml:2: code \"T0111\": bad size \"0\"");
    ApplyNextBand(reply, 2);

    ASSERT_TRUE(std::filesystem::remove(tables + "changeableColorInfo.xml"));
    reply = LaunchEditor();
    WaitForPages("no-colour-table");
    ExpectTableError("colour table not loaded: " + tables +
                     "changeableColorInfo.xml: No such file or directory");
    ApplyNextBand(reply, 3);
}
