// The back key, the more key, the end of a transition and the fan-out of lifecycle
// events: only the top screen hears of them.
#include "StackFixture.h"

using namespace watchtest;
using NSClockEditor::ViewManager;

namespace {

class ViewStackKeys : public StackTest {
  protected:
    // The hardware back key, as the window receives it.
    void Back() { PressKey("Escape"); }
    void More() { PressKey("Menu"); }
};

class ViewStackFanOut : public StackTest {};

ScreenOptions Refusing() {
    ScreenOptions options;
    options.popAnswer = false;
    return options;
}

} // namespace

TEST_F(ViewStackKeys, OnTheOnlyScreenLowersTheWindowAndPausesIt) {
    Push("A");
    mLog.Clear();
    Back();

    std::vector<std::string> lines = StackLines();
    ASSERT_EQ(lines.size(), 2u) << mLog.Dump();
    EXPECT_EQ(lines[0], "ViewPopCb, Back called");
    EXPECT_EQ(lines[1], "elm_win_lower");
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pop", "Pause"}));
    EXPECT_EQ(StackNames(), Strings({"A"}));
    ExpectStackMatchesNaviframe();
    EXPECT_FALSE(ViewManager::IsTransiting());
}

TEST_F(ViewStackKeys, OverAnotherScreenPopsTheTopOne) {
    Push("A");
    std::weak_ptr<RecordingController> b = Push("B");
    ASSERT_TRUE(FinishTransition());
    Back();

    EXPECT_EQ(StackNames(), Strings({"A"}));
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pause", "UpdatedByPop"}));
    // The popped screen goes only after the uncovered one has been told.
    EXPECT_TRUE(b.expired());
    EXPECT_EQ(CallsOf("B"),
              Strings({"CreateViewAndData", "Create", "TransitionFinished", "Pop", "Released"}));
    EXPECT_LT(JournalIndex("A.UpdatedByPop"), JournalIndex("B.Released"));
    // The pop animates without raising the flag; its end arrives as any other.
    EXPECT_FALSE(ViewManager::IsTransiting());
    ASSERT_EQ(NaviframeItems().size(), 1u);
    EXPECT_EQ(
        NaviframeItems()[0],
        std::dynamic_pointer_cast<RecordingController>(mManager->GetViewList().back())->Item());
}

// A screen that refuses the pop keeps the stack as it is, alone or over another.
TEST_F(ViewStackKeys, OnAScreenThatRefusesChangesNothing) {
    Push("A", 1);
    Push("B", 2, Refusing());
    ASSERT_TRUE(FinishTransition());
    for (const char* where : {"over another", "alone"}) {
        SCOPED_TRACE(where);
        mLog.Clear();
        Back();
        EXPECT_EQ(StackLines(), Strings({"ViewPopCb, Back called"}));
        EXPECT_EQ(StackNames(), where[0] == 'o' ? Strings({"A", "B"}) : Strings({"B"}));
        ExpectStackMatchesNaviframe();
        EXPECT_EQ(CallsOf("B").back(), "Pop");
        mManager->DeleteView(1);
    }
}

// The back key during a transition is lost; PopView, which acts as the back key, waits for
// its end and two frames.
TEST_F(ViewStackKeys, DuringATransitionTheKeyIsLostAndPopViewWaits) {
    Push("A");
    Push("B");
    mLog.Clear();
    Back();
    EXPECT_EQ(CountStackLines("(ViewManager::mIsTransiting == true) [return]"), 1) << mLog.Dump();
    mManager->PopView();
    EXPECT_TRUE(ViewManager::HasPendingRequest());
    EXPECT_EQ(CountStackLines("ViewPopCb, Back called"), 0);
    ASSERT_TRUE(FinishTransition());
    Frame();
    Frame();
    EXPECT_EQ(CountStackLines("PopViewAnimator"), 2) << mLog.Dump();
    // Once, for PopView: the lost key is not repeated.
    EXPECT_EQ(CountStackLines("ViewPopCb, Back called"), 1);
    EXPECT_EQ(StackNames(), Strings({"A"}));
    EXPECT_EQ(CallsOf("B"),
              Strings({"CreateViewAndData", "Create", "TransitionFinished", "Pop", "Released"}));
    EXPECT_EQ(CallsOf("A").back(), "UpdatedByPop");
}

TEST_F(ViewStackKeys, MoreKeyClicksTheTopItemsMoreButton) {
    auto a = Push("A");
    mLog.Clear();
    // Without a more button nothing happens.
    ASSERT_EQ(elm_object_item_part_content_get(a->Item(), "toolbar_more_btn"), nullptr);
    More();
    EXPECT_TRUE(StackLines().empty()) << mLog.Dump();

    // An item style that has the button.
    elm_theme_extension_add(nullptr, MORE_BUTTON_EDJ);
    elm_object_item_style_set(a->Item(), "moretest");
    Evas_Object* button = elm_button_add(mNaviframe);
    int clicks = 0;
    evas_object_smart_callback_add(
        button, "clicked", [](void* data, Evas_Object*, void*) { ++*static_cast<int*>(data); },
        &clicks);
    elm_object_item_part_content_set(a->Item(), "toolbar_more_btn", button);
    ASSERT_EQ(elm_object_item_part_content_get(a->Item(), "toolbar_more_btn"), button);
    More();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create"}));
    EXPECT_TRUE(StackLines().empty()) << mLog.Dump();
}

TEST_F(ViewStackFanOut, ReachesOnlyTheTopScreenAlsoDuringATransition) {
    Push("A");
    Push("B");
    ASSERT_TRUE(ViewManager::IsTransiting());
    mManager->ResumeView(true);
    mManager->ResumeView(false);
    mManager->TimeTicView();
    mManager->UpdatedViewByPop();
    mManager->PauseView();
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pause"}));
    EXPECT_EQ(CallsOf("B"), Strings({"CreateViewAndData", "Create", "Resume(true)", "Resume(false)",
                                     "TimeTick", "UpdatedByPop", "Pause"}));
}

TEST_F(ViewStackFanOut, TerminateDestroysEveryScreenBottomFirstAndKeepsThem) {
    Push("A");
    Push("B");
    ASSERT_TRUE(FinishTransition());
    mManager->InsertView(MakeScreen("C"), 0, 5, false, false);
    mLog.Clear();
    mManager->TerminateView();
    EXPECT_TRUE(StackLines().empty()) << mLog.Dump();
    ASSERT_LT(JournalIndex("A.Destroy"), JournalIndex("B.Destroy"));
    ASSERT_LT(JournalIndex("B.Destroy"), JournalIndex("C.Destroy"));
    EXPECT_NE(JournalIndex("A.Destroy"), -1);
    EXPECT_EQ(StackNames(), Strings({"A", "B", "C"}));
    ExpectStackMatchesNaviframe();
}

TEST_F(ViewStackFanOut, TerminateDuringATransitionWaitsForItsEndAndOneFrame) {
    Push("A");
    Push("B");
    mManager->TerminateView();
    EXPECT_TRUE(ViewManager::HasPendingRequest());
    Frame();
    EXPECT_EQ(JournalIndex("A.Destroy"), -1);
    ASSERT_TRUE(FinishTransition());
    int frames = CountStackLines("TerminateViewAnimator");
    ASSERT_LE(frames, 1);
    while (frames < 2) {
        EXPECT_EQ(JournalIndex("A.Destroy"), -1);
        Frame();
        frames = CountStackLines("TerminateViewAnimator");
    }
    EXPECT_LT(JournalIndex("A.Destroy"), JournalIndex("B.Destroy"));
    EXPECT_LT(JournalIndex("B.TransitionFinished"), JournalIndex("A.Destroy"));
    EXPECT_EQ(StackNames(), Strings({"A", "B"}));
}
