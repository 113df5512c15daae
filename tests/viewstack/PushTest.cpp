// Push and its deferral: what runs at once, what waits for the end of a transition, and
// the one frame it then waits.
#include "StackFixture.h"

#include "LoopUtil.h"

using namespace watchtest;
using NSClockEditor::ViewManager;

namespace {

class ViewStackPush : public StackTest {};

const char* const TRANSIT_GUARD = "(ViewManager::mIsTransiting == true) [return]";

} // namespace

TEST_F(ViewStackPush, OnEmptyStackRunsAtOnceAndOverAScreenPausesItUntilTheTransitionEnds) {
    auto a = Push("A", 3, ScreenOptions{false, false, true, "Title A"});
    EXPECT_FALSE(ViewManager::IsTransiting());
    EXPECT_FALSE(ViewManager::HasPendingRequest());
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create"}));
    ASSERT_NE(a->Item(), nullptr);
    EXPECT_EQ(a->GetViewData()->mViewType, 3);
    EXPECT_STREQ(elm_object_item_part_text_get(a->Item(), "elm.text.title"), "Title A");
    EXPECT_EQ(elm_naviframe_item_title_enabled_get(a->Item()), EINA_FALSE);

    auto b = Push("B", 1);
    EXPECT_TRUE(ViewManager::IsTransiting());
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pause"}));
    // The old top is paused after the new screen is built.
    EXPECT_LT(JournalIndex("B.Create"), JournalIndex("A.Pause"));
    EXPECT_EQ(StackNames(), Strings({"A", "B"}));
    ExpectStackMatchesNaviframe();
    EXPECT_STREQ(elm_object_item_style_get(b->Item()), "empty");

    ASSERT_TRUE(FinishTransition()) << mLog.Dump();
    EXPECT_EQ(CountStackLines("TransitionFinishedCb"), 1);
    EXPECT_EQ(CallsOf("B"), Strings({"CreateViewAndData", "Create", "TransitionFinished"}));
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pause"}));
}

TEST_F(ViewStackPush, DuringATransitionWaitsForItsEndAndThenOneFrame) {
    Push("A");
    Push("B");
    ASSERT_TRUE(ViewManager::IsTransiting());
    Push("C");
    EXPECT_TRUE(ViewManager::HasPendingRequest());
    EXPECT_TRUE(CallsOf("C").empty());

    // Frames during the transition: the runner only logs that it waits.
    Frame();
    Frame();
    EXPECT_EQ(CountStackLines(TRANSIT_GUARD), 2) << mLog.Dump();
    EXPECT_EQ(CountStackLines("PushViewAnimator"), 0);
    // No frame, no progress: loop time alone does not run the request.
    RunLoopFor(0.05);
    EXPECT_EQ(CountStackLines(TRANSIT_GUARD), 2);

    ASSERT_TRUE(FinishTransition()) << mLog.Dump();
    EXPECT_TRUE(CallsOf("C").empty());
    // The frame that delivered the end of the transition may already be the first
    // frame without transit; either way the request runs on the second such frame.
    int frames = CountStackLines("PushViewAnimator");
    ASSERT_LE(frames, 1);
    while (frames < 2) {
        EXPECT_TRUE(CallsOf("C").empty()) << "ran on frame " << frames;
        Frame();
        frames = CountStackLines("PushViewAnimator");
    }
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(CallsOf("C"), Strings({"CreateViewAndData", "Create"}));
    EXPECT_FALSE(ViewManager::HasPendingRequest());
    EXPECT_EQ(StackNames(), Strings({"A", "B", "C"}));
    EXPECT_EQ(CallsOf("B"),
              Strings({"CreateViewAndData", "Create", "TransitionFinished", "Pause"}));
    // Its own push animates again.
    EXPECT_TRUE(ViewManager::IsTransiting());
    ExpectStackMatchesNaviframe();

    // The order of the lines: waiting, the end, the two frames, then the screen.
    std::vector<std::string> order;
    for (const LogLine& line : mLog.Lines()) {
        std::string body = LogBody(line.message);
        if (body == "TransitionFinishedCb" || body == "PushViewAnimator" ||
            line.message == "C.CreateViewAndData")
            order.push_back(line.tag == "TEST-SCREEN" ? line.message : body);
    }
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 4),
              Strings({"TransitionFinishedCb", "PushViewAnimator", "PushViewAnimator",
                       "C.CreateViewAndData"}));
}

// A newer request replaces the waiting one and keeps the frame it had counted.
TEST_F(ViewStackPush, ANewerRequestReplacesTheWaitingOneAndInheritsItsCount) {
    Push("A");
    Push("B");
    std::weak_ptr<RecordingController> c = Push("C");
    ASSERT_TRUE(FinishTransition());
    if (CountStackLines("PushViewAnimator") == 0)
        Frame();
    ASSERT_EQ(CountStackLines("PushViewAnimator"), 1);
    ASSERT_TRUE(CallsOf("C").empty());
    // The flag is down, so this one runs at once and leaves the waiting request alone.
    Push("D");
    EXPECT_EQ(CallsOf("D"), Strings({"CreateViewAndData", "Create"}));
    EXPECT_TRUE(ViewManager::HasPendingRequest());
    // D's transition holds C back; E replaces it and keeps the frame C had counted.
    Push("E");
    // The dropped request released its screen at once.
    EXPECT_TRUE(c.expired());
    EXPECT_EQ(CallsOf("C"), Strings({"Released"}));
    ASSERT_TRUE(FinishTransition());
    if (CallsOf("E").empty())
        Frame();
    EXPECT_EQ(CallsOf("E"), Strings({"CreateViewAndData", "Create"}));
    // C's counted frame, then E's run on its very first frame.
    EXPECT_EQ(CountStackLines("PushViewAnimator"), 2) << mLog.Dump();
    EXPECT_EQ(StackNames(), Strings({"A", "B", "D", "E"}));
}

TEST_F(ViewStackPush, AScreenThatBuildsNothingNeverReachesTheStack) {
    Push("A");
    std::weak_ptr<RecordingController> weak;
    {
        auto broken = Push("X", 1, ScreenOptions{true, false, true, ""});
        weak = broken;
    }
    EXPECT_EQ(CallsOf("X"), Strings({"CreateViewAndData", "Create", "Released"}));
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(ViewManager::IsTransiting());
    EXPECT_EQ(StackNames(), Strings({"A"}));
    EXPECT_EQ(NaviframeItems().size(), 1u);
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create"}));
}

TEST_F(ViewStackPush, AViewManagerThatGoesAwayAbandonsItsWaitingRequest) {
    Push("A");
    Push("B");
    NSClockEditor::ViewManager* other = new NSClockEditor::ViewManager();
    other->Initialize();
    other->PushView(MakeScreen("C"), 0, false, true);
    ASSERT_TRUE(ViewManager::HasPendingRequest());
    delete other;

    ASSERT_TRUE(FinishTransition());
    Frame();
    Frame();
    EXPECT_FALSE(ViewManager::HasPendingRequest());
    EXPECT_EQ(CallsOf("C"), Strings({"Released"}));
    EXPECT_EQ(StackNames(), Strings({"A", "B"}));
}
