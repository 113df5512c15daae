// The editor screen in the running program: the opening, the bezel, the tutorial overlay,
// and the ways it ends without applying a colour.
#include "EditorAppTest.h"
#include "LoopUtil.h"

#include <app_control.h>
#include <app_preference.h>

#include <algorithm>

using editortest::EditorAppTest;

namespace {

// A rotary callback after the editor's own on its layout: it sees every detent the editor
// does not consume.
struct DetentCounter {
    int count = 0;
    static Eina_Bool Cb(void* data, Evas_Object*, Eext_Rotary_Event_Info*) {
        ++static_cast<DetentCounter*>(data)->count;
        return EINA_FALSE;
    }
};

// The lines of log that are among bodies, in order.
std::vector<std::string> Only(const std::vector<std::string>& log,
                              const std::vector<std::string>& bodies) {
    std::vector<std::string> out;
    for (const std::string& line : log) {
        if (std::find(bodies.begin(), bodies.end(), line) != bodies.end())
            out.push_back(line);
    }
    return out;
}

} // namespace

TEST_F(EditorAppTest, FirstLaunchOpensOnBlueAndAPauseEndsItWithOneFalseReply) {
    Launch();
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
            Background({"app", "pause", appstest::kEditor});
        });
    EXPECT_EQ(RunEditor(), 0);

    // Two animator frames, the band read, the zoom's end; the pause; nothing sent.
    EXPECT_EQ(Only(mLog.Bodies(editortest::kEditorTag),
                   {"ViewStartAnimator", "ColorBand: 0", "ViewStartAnimatorIdler", "OnAppPaused",
                    "SendXMLToMobile"}),
              (std::vector<std::string>{"ViewStartAnimator", "ViewStartAnimator", "ColorBand: 0",
                                        "ViewStartAnimatorIdler", "OnAppPaused"}))
        << mLog.Dump();
    EXPECT_EQ(StoredBand(), 0); // first launch: the band shown is stored

    ASSERT_TRUE(Answered());
    EXPECT_EQ(Answer().result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(Answer().extras,
              (std::map<std::string, std::string>{{"watch_editor_save", "false"},
                                                  {"watch_editor_tutorial", "true"}}));

    // The request is answered: a second teardown sends nothing and logs nothing.
    mLog.Clear();
    View()->Destroy();
    EXPECT_TRUE(mLog.Lines().empty()) << mLog.Dump();
    EXPECT_TRUE(CompanionRequests().empty());
}

// A stored band out of range is shown as blue; the bezel steps from there.
TEST_F(EditorAppTest, BezelStepsOneBandPerDetentClampedAtBothEndsAndOnlyOkStores) {
    StoreBand(7);
    DetentCounter after;
    std::vector<std::pair<int, int>> seen; // (band, page) after each detent
    Launch();
    Step(
        "pages shown", [&] { return PagesShown(); },
        [&] {
            seen.push_back({View()->GetColorBand(), ShownPage()});
            eext_rotary_object_event_callback_priority_add(Layout(), EEXT_CALLBACK_PRIORITY_AFTER,
                                                           DetentCounter::Cb, &after);
            // Detents arrive as real wheel notches on the window and are handled at once.
            for (bool clockwise : {false, true, true, true, true, true, false}) {
                Rotary(clockwise);
                seen.push_back({View()->GetColorBand(), ShownPage()});
            }
            Key("Escape"); // back: the only screen leaves, which ends the editor
        });
    EXPECT_EQ(RunEditor(), 0);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{
                        {0, 0}, {0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {4, 4}, {3, 3}}));
    EXPECT_EQ(after.count, 7); // never consumed, also when nothing changed
    EXPECT_EQ(CountEditorLog("stored ColorBand 7 is out of range, showing 0"), 1) << mLog.Dump();
    EXPECT_EQ(StoredBand(), 7);
    EXPECT_EQ(Answer().extras.at("watch_editor_save"), "false");
}

TEST_F(EditorAppTest, TutorialBlocksTheBezelUntilTappedAndIsReportedSeen) {
    DetentCounter after;
    bool done = false;
    Launch({{"watch_editor_tutorial", "true"}});
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
            Tap(60, 300);  // anywhere, also near the rim, away from the guide
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
        "answered", [&] { return Answered(); },
        [&] {
            Background({"app", "pause", appstest::kEditor});
        });
    EXPECT_EQ(RunEditor(), 0);
    EXPECT_EQ(Answer().extras,
              (std::map<std::string, std::string>{{"watch_editor_save", "true"},
                                                  {"watch_editor_tutorial", "false"}}));
    EXPECT_EQ(StoredBand(), 1);
}
