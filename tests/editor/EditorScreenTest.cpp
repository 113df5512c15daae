// The editor screen in the running program: the opening, the bezel, the tutorial overlay,
// and the ways it ends without applying a colour.
#include "EditorAppTest.h"
#include "LoopUtil.h"
#include "ViewBasicElements.h"

#include <app_control.h>
#include <app_preference.h>

using editortest::EditorAppTest;

namespace {

bool Launched() {
    return NSClockEditor::ViewBasicElements::GetWindow() != nullptr;
}

// A rotary callback after the editor's own on its layout: it sees every detent the editor
// does not consume.
struct DetentCounter {
    int count = 0;
    static Eina_Bool Cb(void* data, Evas_Object*, Eext_Rotary_Event_Info*) {
        ++static_cast<DetentCounter*>(data)->count;
        return EINA_FALSE;
    }
};

// Index of the first line equal to body at or after `from`, or -1.
int Find(const std::vector<std::string>& lines, const std::string& body, int from = 0) {
    for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i) {
        if (lines[i] == body)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

TEST_F(EditorAppTest, FirstLaunchOpensOnBlueAndAPauseEndsItWithOneFalseReply) {
    Step("launched", Launched, [&] { SendLaunchRequest(); });
    Step(
        "zooming", [&] { return CountEditorLog("ViewStartAnimatorIdler") == 1; },
        [&] {
            EXPECT_FALSE(PagesShown());
            Screenshot("opening-zoom");
            Key("Return"); // no OK before the pages are there
        });
    Step(
        "pages shown", [&] { return PagesShown(); },
        [&] {
            Screenshot("opening");
            EXPECT_STREQ(elm_object_part_text_get(Layout(), "part_title"), "Colour");
            EXPECT_EQ(ShownPage(), 0);
            EXPECT_EQ(View()->GetColorBand(), 0);
            EXPECT_FALSE(TutorialShown());
            EXPECT_EQ(Notice(), nullptr); // the first store is the editor's own
            Background({"app", "pause", "com.korvane.clock-dalvexa.editor"});
        });
    EXPECT_EQ(RunEditor(), 0);

    const std::vector<std::string> log = EditorLog();
    const int first = Find(log, "ViewStartAnimator");
    const int second = Find(log, "ViewStartAnimator", first + 1);
    const int band = Find(log, "ColorBand: 0", second + 1);
    const int idler = Find(log, "ViewStartAnimatorIdler", band + 1);
    EXPECT_TRUE(first >= 0 && second > first && band > second && idler > band) << mLog.Dump();
    EXPECT_EQ(CountEditorLog("ViewStartAnimator"), 2);
    EXPECT_EQ(CountEditorLog("ColorBand: 0"), 1);
    EXPECT_EQ(CountEditorLog("ViewStartAnimatorIdler"), 1);
    EXPECT_EQ(CountEditorLog("OnAppPaused"), 1);
    EXPECT_EQ(CountEditorLog("SendXMLToMobile"), 0);
    EXPECT_EQ(StoredBand(), 0); // first launch: the band shown is stored

    ASSERT_EQ(Replies().size(), 1u);
    EXPECT_EQ(Replies()[0].result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(Replies()[0].extras,
              (std::map<std::string, std::string>{{"watch_editor_save", "false"},
                                                  {"watch_editor_tutorial", "true"}}));

    // The request is answered: a second teardown sends nothing and logs nothing.
    mLog.Clear();
    View()->Destroy();
    EXPECT_TRUE(mLog.Lines().empty()) << mLog.Dump();
    EXPECT_TRUE(CompanionRequests().empty());
}

TEST_F(EditorAppTest, BezelStepsOneBandPerDetentClampedAtBothEnds) {
    StoreBand(4);
    DetentCounter after;
    std::vector<std::pair<int, int>> seen; // (band, page) after each detent
    auto record = [&] { seen.push_back({View()->GetColorBand(), ShownPage()}); };
    Step("launched", Launched, [&] { SendLaunchRequest(); });
    Step(
        "pages shown", [&] { return PagesShown(); },
        [&] {
            EXPECT_EQ(ShownPage(), 4);
            eext_rotary_object_event_callback_priority_add(Layout(), EEXT_CALLBACK_PRIORITY_AFTER,
                                                           DetentCounter::Cb, &after);
            // Detents arrive as real wheel notches on the window and are handled at once.
            for (bool clockwise : {true, false, false, false, false, false, true}) {
                Rotary(clockwise);
                record();
            }
            Key("Escape"); // back: the only screen leaves, which ends the editor
        });
    EXPECT_EQ(RunEditor(), 0);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{
                        {4, 4}, {3, 3}, {2, 2}, {1, 1}, {0, 0}, {0, 0}, {1, 1}}));
    EXPECT_EQ(after.count, 7);  // never consumed, also when nothing changed
    EXPECT_EQ(StoredBand(), 4); // only OK stores
    // Once by the back key, once more by the framework as the lowered window leaves.
    EXPECT_GE(CountEditorLog("OnAppPaused"), 1);
    ASSERT_EQ(Replies().size(), 1u);
    EXPECT_EQ(Replies()[0].extras.at("watch_editor_save"), "false");
}

TEST_F(EditorAppTest, StoredBandOutOfRangeIsShownAsBlueAndKeptUntilOk) {
    StoreBand(7);
    Step("launched", Launched, [&] { SendLaunchRequest(); });
    Step(
        "pages shown", [&] { return PagesShown(); },
        [&] {
            EXPECT_EQ(View()->GetColorBand(), 0);
            EXPECT_EQ(ShownPage(), 0);
            EXPECT_EQ(StoredBand(), 7);
            Rotary(false); // already at the lower end
            EXPECT_EQ(View()->GetColorBand(), 0);
            Rotary(true);
            EXPECT_EQ(View()->GetColorBand(), 1);
            Key("Escape");
        });
    EXPECT_EQ(RunEditor(), 0);
    EXPECT_EQ(CountEditorLog("stored ColorBand 7 is out of range, showing 0"), 1) << mLog.Dump();
    EXPECT_EQ(CountEditorLog("ColorBand: 0"), 1);
    EXPECT_EQ(StoredBand(), 7);
}

TEST_F(EditorAppTest, TutorialBlocksTheBezelUntilTappedAndIsReportedSeen) {
    DetentCounter after;
    bool done = false;
    Step("launched", Launched, [&] { SendLaunchRequest({{"watch_editor_tutorial", "true"}}); });
    Step(
        "pages shown", [&] { return TutorialFadedIn(); },
        [&] {
            EXPECT_TRUE(PagesShown());
            Screenshot("tutorial");
            eext_rotary_object_event_callback_priority_add(Layout(), EEXT_CALLBACK_PRIORITY_AFTER,
                                                           DetentCounter::Cb, &after);
            Rotary(true, 2);
            EXPECT_EQ(View()->GetColorBand(), 0);
            EXPECT_EQ(after.count, 0);
            Key("Return"); // OK stays under the overlay
            Tap(180, 180);
        });
    Step(
        "tutorial dismissed",
        [&] {
            return !TutorialShown() &&
                   preference_get_boolean("tarquil_pref_tutorial_done", &done) == 0 && done;
        },
        [&] {
            EXPECT_EQ(CountEditorLog("SendXMLToMobile"), 0);
            Rotary(true);
            EXPECT_EQ(View()->GetColorBand(), 1);
            EXPECT_EQ(after.count, 1);
            Key("Return");
        });
    Step(
        "answered", [&] { return !Replies().empty(); },
        [&] {
            Background({"app", "pause", "com.korvane.clock-dalvexa.editor"});
        });
    EXPECT_EQ(RunEditor(), 0);
    ASSERT_EQ(Replies().size(), 1u);
    EXPECT_EQ(Replies()[0].extras,
              (std::map<std::string, std::string>{{"watch_editor_save", "true"},
                                                  {"watch_editor_tutorial", "false"}}));
    EXPECT_EQ(StoredBand(), 1);
}
