// Insert, pop-to and the deletions: where screens go, what the naviframe shows, and
// which screens hear of it.
#include "StackFixture.h"

#include <functional>

using namespace watchtest;
using NSClockEditor::ViewManager;

namespace {

// An edit asked for during a push's transition waits for its end and two frames.
class StackEdit : public StackTest {
  protected:
    void ExpectDeferred(const std::string& animator, const std::function<void()>& edit,
                        const std::vector<std::string>& after) {
        Push("A", 1);
        Push("B", 2);
        edit();
        EXPECT_EQ(StackNames(), Strings({"A", "B"}));
        ASSERT_TRUE(FinishTransition());
        Frame();
        Frame();
        EXPECT_EQ(CountStackLines(animator), 2) << mLog.Dump();
        EXPECT_EQ(StackNames(), after);
        FinishTransition();
        ExpectStackMatchesNaviframe();
    }
};
class ViewStackInsert : public StackEdit {};
class ViewStackPopTo : public StackEdit {};
class ViewStackDelete : public StackEdit {};

const std::vector<std::string> BUILT = {"CreateViewAndData", "Create"};

} // namespace

TEST_F(ViewStackInsert, AtDepthZeroGoesUnderTheShownScreen) {
    auto a = Push("A");
    auto b = MakeScreen("B");
    mManager->InsertView(b, 2, 0, false, false);

    EXPECT_EQ(StackNames(), Strings({"B", "A"}));
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(elm_naviframe_top_item_get(mNaviframe), a->Item());
    EXPECT_EQ(CallsOf("A"), BUILT);
    EXPECT_EQ(CallsOf("B"), BUILT);
    EXPECT_EQ(b->GetViewData()->mViewType, 2);
    EXPECT_FALSE(ViewManager::IsTransiting());
    // Inserted items take the naviframe's default style.
    EXPECT_STRNE(elm_object_item_style_get(b->Item()), "empty");
}

TEST_F(ViewStackInsert, DepthCountsFromTheTop) {
    Push("A");
    Push("B");
    ASSERT_TRUE(FinishTransition());
    Push("C");
    ASSERT_TRUE(FinishTransition());
    // Under B, the screen one below the top.
    mManager->InsertView(MakeScreen("D"), 1, 1, false, false);
    EXPECT_EQ(StackNames(), Strings({"A", "D", "B", "C"}));
    mManager->InsertView(MakeScreen("E"), 1, 2, false, false);
    EXPECT_EQ(StackNames(), Strings({"A", "E", "D", "B", "C"}));
    // Under the bottom screen.
    mManager->InsertView(MakeScreen("F"), 1, 4, false, false);
    EXPECT_EQ(StackNames(), Strings({"F", "A", "E", "D", "B", "C"}));
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(CallsOf("C"), Strings({"CreateViewAndData", "Create", "TransitionFinished"}));
}

TEST_F(ViewStackInsert, BeyondTheStackGoesOnTopWithoutFlagOrPause) {
    auto a = Push("A");
    auto b = MakeScreen("B");
    mManager->InsertView(b, 1, 1, true, false);
    EXPECT_EQ(StackNames(), Strings({"A", "B"}));
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(elm_naviframe_top_item_get(mNaviframe), b->Item());
    EXPECT_FALSE(ViewManager::IsTransiting());
    EXPECT_EQ(CallsOf("A"), BUILT);
    EXPECT_STRNE(elm_object_item_style_get(b->Item()), "empty");
    EXPECT_TRUE(elm_naviframe_item_title_enabled_get(b->Item()));

    mManager->InsertView(MakeScreen("C"), 1, -1, false, false);
    mManager->InsertView(MakeScreen("D"), 1, 99, false, false);
    EXPECT_EQ(StackNames(), Strings({"A", "B", "C", "D"}));
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(CallsOf("B"), BUILT);
}

TEST_F(ViewStackInsert, DuringATransitionWaitsLikeAPush) {
    ExpectDeferred(
        "InsertViewAnimator", [this] { mManager->InsertView(MakeScreen("C"), 1, 1, false, false); },
        Strings({"C", "A", "B"}));
}

TEST_F(ViewStackPopTo, GoesBackToTheScreenOfThatType) {
    Push("A", 1);
    Push("B", 2);
    ASSERT_TRUE(FinishTransition());
    Push("C", 3);
    ASSERT_TRUE(FinishTransition());
    mLog.Clear();
    mManager->PopToView(1);

    EXPECT_TRUE(ViewManager::IsTransiting());
    EXPECT_EQ(StackNames(), Strings({"A"}));
    EXPECT_EQ(CountGuard("viewType == iterViewType", "break"), 1) << mLog.Dump();
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pause", "UpdatedByPop"}));
    // The removed screens hear nothing.
    EXPECT_EQ(CallsOf("B"),
              Strings({"CreateViewAndData", "Create", "TransitionFinished", "Pause", "Released"}));
    EXPECT_EQ(CallsOf("C"),
              Strings({"CreateViewAndData", "Create", "TransitionFinished", "Released"}));
    ASSERT_TRUE(FinishTransition());
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(CallsOf("A").back(), "TransitionFinished");
}

TEST_F(ViewStackPopTo, ATypeNotOnTheStackRemovesNothing) {
    Push("A", 1);
    Push("B", 2);
    ASSERT_TRUE(FinishTransition());
    mManager->PopToView(7);
    EXPECT_EQ(StackNames(), Strings({"A", "B"}));
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(CallsOf("B").back(), "UpdatedByPop");
    EXPECT_FALSE(ViewManager::IsTransiting());
}

TEST_F(ViewStackPopTo, TheShownTypeDoesNotRaiseTheFlag) {
    Push("A", 1);
    Push("B", 2);
    ASSERT_TRUE(FinishTransition());
    mManager->PopToView(2);
    EXPECT_FALSE(ViewManager::IsTransiting());
    EXPECT_EQ(CountGuard("viewType == iterViewType", "break"), 1) << mLog.Dump();
    EXPECT_EQ(StackNames(), Strings({"A", "B"}));
    EXPECT_EQ(CallsOf("B").back(), "UpdatedByPop");
    // Requests still run at once.
    mManager->DeleteView(1);
    EXPECT_EQ(StackNames(), Strings({"B"}));
}

TEST_F(ViewStackPopTo, WithDuplicatesKeepsListAndNaviframeInStep) {
    Push("A", 1);
    Push("B", 2);
    ASSERT_TRUE(FinishTransition());
    Push("C", 1);
    ASSERT_TRUE(FinishTransition());
    Push("D", 3);
    ASSERT_TRUE(FinishTransition());
    mManager->PopToView(1);
    EXPECT_EQ(StackNames(), Strings({"A"}));
    ASSERT_TRUE(FinishTransition());
    ExpectStackMatchesNaviframe();
}

TEST_F(ViewStackPopTo, DuringATransitionWaits) {
    ExpectDeferred(
        "PopToViewAnimator", [this] { mManager->PopToView(1); }, Strings({"A"}));
}

TEST_F(ViewStackDelete, TheTopScreenGoesWithoutAnyCall) {
    Push("A", 1);
    Push("B", 2);
    ASSERT_TRUE(FinishTransition());
    mLog.Clear();
    mManager->DeleteView(2);
    EXPECT_EQ(StackNames(), Strings({"A"}));
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pause"}));
    EXPECT_EQ(CallsOf("B").back(), "Released");
    EXPECT_FALSE(ViewManager::IsTransiting());
    EXPECT_TRUE(StackLines().empty()) << mLog.Dump();
}

TEST_F(ViewStackDelete, EveryScreenOfTheTypeGoes) {
    Push("A", 1);
    mManager->InsertView(MakeScreen("B", {}), 2, 5, false, false);
    mManager->InsertView(MakeScreen("C", {}), 1, 5, false, false);
    mManager->InsertView(MakeScreen("D", {}), 3, 5, false, false);
    mManager->DeleteView(1);
    EXPECT_EQ(StackNames(), Strings({"B", "D"}));
    ExpectStackMatchesNaviframe();
    EXPECT_TRUE(mManager->CheckExistOrNot(2));
    EXPECT_FALSE(mManager->CheckExistOrNot(1));
}

TEST_F(ViewStackDelete, AllButOneTypeKeepsScreensWithoutData) {
    Push("A", 1);
    mManager->InsertView(MakeScreen("B", {}), 0, 5, false, false);
    auto c = MakeScreen("C", {});
    mManager->InsertView(c, 2, 5, false, false);
    mManager->InsertView(MakeScreen("D", {}), 0, 5, false, false);
    c->DropData();
    mManager->DeleteAllViewExceptSpecificView(0);
    EXPECT_EQ(StackNames(), Strings({"B", "C", "D"}));
    // Searches skip a screen without data.
    EXPECT_FALSE(mManager->CheckExistOrNot(2));
}

TEST_F(ViewStackDelete, ToASpecificTypeNeedsThatType) {
    Push("A", 1);
    mManager->InsertView(MakeScreen("B", {}), 2, 5, false, false);
    mManager->InsertView(MakeScreen("C", {}), 3, 5, false, false);
    mManager->DeleteToSpecificView(9);
    EXPECT_EQ(CountGuard("CheckExistOrNot(viewType) == false"), 1) << mLog.Dump();
    EXPECT_EQ(StackNames(), Strings({"A", "B", "C"}));

    // Screens of other types go, below and above alike.
    mManager->DeleteToSpecificView(2);
    EXPECT_EQ(StackNames(), Strings({"B"}));
    ExpectStackMatchesNaviframe();
}

TEST_F(ViewStackDelete, DuringATransitionWaits) {
    ExpectDeferred(
        "DeleteAllViewExceptSpecificViewAnimator",
        [this] { mManager->DeleteAllViewExceptSpecificView(2); }, Strings({"B"}));
}
