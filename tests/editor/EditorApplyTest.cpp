// Applying a colour: OK, the companion service, the caller's reply, the idle-clock
// hand-over and the exits; and a colour changed from elsewhere while the editor is open.
#include "EditorAppTest.h"
#include "LoopUtil.h"

#include <app_control.h>
#include <vconf.h>

using editortest::EditorAppTest;
using watchtest::Now;

namespace {

const char* const IDLE_CLOCK_SHOW = "db/setting/idle_clock_show";
const char* const CLOCKS_SET_IDLE = "db/wms/clocks_set_idle";
const char* const COMPANION_REQUEST =
    "app_control op=watch://device.korvane/appcontrol/operation/settings "
    "caller=com.korvane.clock-dalvexa.editor reply=yes extras=";

} // namespace

class EditorApplyTest : public EditorAppTest {
  protected:
    // The editor has handed over to the idle clock.
    bool HandedOver() const {
        int show = 0;
        return vconf_get_int(IDLE_CLOCK_SHOW, &show) == 0 && show == 1 &&
               VconfString(CLOCKS_SET_IDLE) == "com.korvane.clock-dalvexa";
    }
    // Body of the shown notice.
    std::string NoticeText() const {
        Evas_Object* notice = Notice();
        const char* text = notice ? elm_object_part_text_get(notice, "elm.text") : nullptr;
        return text ? text : "";
    }
};

TEST_F(EditorApplyTest, OkStoresTellsTheCompanionAnswersAndExitsWhenTheIdleClockShows) {
    StoreBand(1);
    Launch();
    Step(
        "pages shown", [&] { return OkButtonInPlace(); },
        [&] {
            Rotary(true, 2);
            EXPECT_EQ(ShownPage(), 3);
            Screenshot("two-detents");
        });
    Do("tap", [&] { Tap(dalvexa::kOkButtonX, dalvexa::kOkButtonY); }); // the OK button
    Step(
        "answered", [&] { return Answered(); },
        [&] {
            Screenshot("ok-final-frame");
            Rotary(true); // the bezel has no say once OK is pressed
            EXPECT_EQ(View()->GetColorBand(), 3);
            EXPECT_EQ(StoredBand(), 3);
            EXPECT_EQ(Notice(), nullptr); // the editor's own store is no change from elsewhere
        });
    Step(
        "handed over", [&] { return HandedOver(); },
        [&] { SetVconfIntElsewhere(IDLE_CLOCK_SHOW, 0); });
    EXPECT_EQ(RunEditor(), 0);

    EXPECT_EQ(Answer().result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(Answer().extras,
              (std::map<std::string, std::string>{{"watch_editor_save", "true"},
                                                  {"watch_editor_tutorial", "true"}}));
    // The reply comes when the 0.2 s animation has ended.
    EXPECT_GE(StepTime("answered") - StepTime("tap"), 0.19);
    EXPECT_EQ(CompanionRequests(), std::vector<std::string>{COMPANION_REQUEST});
    EXPECT_EQ(StoredBand(), 3);
    // By the change notification, well before the 3 s check.
    EXPECT_LT(ExitTime() - StepTime("handed over"), 2.0);
}

TEST_F(EditorApplyTest, ReturnPressesOkAndTheThreeSecondCheckEndsTheEditor) {
    StoreBand(2);
    Launch();
    Step(
        "pages shown", [&] { return PagesShown(); }, [&] { Key("Return"); });
    Step("handed over", [&] { return HandedOver(); });
    // Cleared by a writer the editor does not hear, once the editor has heard its own
    // write of 1 (a change notice makes the listener read the key anew): only the check
    // can see it.
    Step(
        "cleared unheard", [&] { return Now() - StepTime("handed over") > 0.3; },
        [&] { SetVconfIntUnannounced(IDLE_CLOCK_SHOW, 0); });
    EXPECT_EQ(RunEditor(), 0);

    const double afterHandOver = ExitTime() - StepTime("handed over");
    EXPECT_GT(afterHandOver, 2.7);
    EXPECT_LT(afterHandOver, 4.0);
    EXPECT_EQ(StoredBand(), 2);
    EXPECT_EQ(Answer().extras,
              (std::map<std::string, std::string>{{"watch_editor_save", "true"},
                                                  {"watch_editor_tutorial", "true"}}));
}

TEST_F(EditorApplyTest, WithoutTheCompanionsReplyThereIsNoHandOverAndLaterChangesAreIgnored) {
    SilenceCompanion();
    StoreBand(0);
    Launch();
    Step(
        "pages shown", [&] { return OkButtonInPlace(); },
        [&] { Tap(dalvexa::kOkButtonX, dalvexa::kOkButtonY); });
    Step(
        "answered", [&] { return Answered() && !CompanionRequests().empty(); },
        [&] { StoreBand(4); });
    // Nothing is to happen: give the change time to arrive, then leave with the back key.
    Step(
        "quiet", [&] { return Now() - StepTime("answered") > 0.6; },
        [&] {
            EXPECT_EQ(Notice(), nullptr);
            Key("Escape");
        });
    EXPECT_EQ(RunEditor(), 0);

    int show = -1;
    EXPECT_NE(vconf_get_int(IDLE_CLOCK_SHOW, &show), 0);
    EXPECT_EQ(VconfString(CLOCKS_SET_IDLE), "");
    EXPECT_EQ(CompanionRequests(), std::vector<std::string>{COMPANION_REQUEST});
    EXPECT_EQ(Answer().extras.at("watch_editor_save"), "true");
}

// Each change from elsewhere shows a notice naming the phone app of the device's country,
// and the editor ends 3 s after the last one.
TEST_F(EditorApplyTest, EachChangeElsewhereShowsANoticeAndTheLastEndsTheEditor) {
    SetCountryCode("JP");
    const std::string korean = "New setting applied via Korvane Vosk app.";
    Launch();
    Step(
        "pages shown", [&] { return PagesShown(); }, [&] { StoreBand(2); });
    Step(
        "notice", [&] { return Notice() != nullptr; },
        [&] {
            EXPECT_EQ(NoticeText(), "New setting applied via Vosk Manager app.");
            EXPECT_EQ(View()->GetColorBand(), 0); // the editor keeps showing its band
        });
    // The picture once the toast has faded in.
    Step(
        "notice shown", [&] { return Now() - StepTime("notice") > 0.5; },
        [&] {
            Screenshot("notice");
            SetCountryCode("KR");
        });
    Step(
        "second change", [&] { return Now() - StepTime("pages shown") > 1.5; },
        [&] { StoreBand(4); });
    Step("second notice", [&] { return NoticeText() == korean; });
    EXPECT_EQ(RunEditor(), 0);

    // The count restarts with the second change.
    const double afterSecond = ExitTime() - StepTime("second change");
    EXPECT_GT(afterSecond, 2.9);
    EXPECT_LT(afterSecond, 4.0);
    EXPECT_EQ(StoredBand(), 4);
    EXPECT_EQ(Answer().extras.at("watch_editor_save"), "false");
}
