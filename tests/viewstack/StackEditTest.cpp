// Insert, pop-to and the deletions: where screens go, what the naviframe shows, and
// which screens hear of it.
#include "StackFixture.h"

#include <functional>

using namespace watchtest;
using NSClockEditor::ViewManager;

namespace {

class ViewStackInsert : public StackTest {};
class ViewStackPopTo : public StackTest {};
class ViewStackDelete : public StackTest {};

// An edit asked for during a push's transition: the animator that runs it, the edit, the
// stack after it.
struct Deferred {
    const char* animator;
    std::function<void(NSClockEditor::ViewManager*)> edit;
    std::vector<std::string> after;
};
void PrintTo(const Deferred& edit, std::ostream* out) {
    *out << edit.animator;
}
class ViewStackDeferredEdit : public StackTest, public ::testing::WithParamInterface<Deferred> {};

const std::vector<std::string> BUILT = {"CreateViewAndData", "Create"};

} // namespace

TEST_F(ViewStackInsert, DepthCountsFromTheTopAndBeyondTheStackGoesOnTop) {
    auto a = Push("A");
    auto b = MakeScreen("B");
    mManager->InsertView(b, 2, 0, false, false);
    // At depth zero: under the shown screen, without flag or pause.
    EXPECT_EQ(StackNames(), Strings({"B", "A"}));
    EXPECT_EQ(elm_naviframe_top_item_get(mNaviframe), a->Item());
    EXPECT_EQ(CallsOf("A"), BUILT);
    EXPECT_EQ(CallsOf("B"), BUILT);
    EXPECT_EQ(b->GetViewData()->mViewType, 2);
    EXPECT_FALSE(ViewManager::IsTransiting());
    // Inserted items take the naviframe's default style.
    EXPECT_STRNE(elm_object_item_style_get(b->Item()), "empty");

    Push("C");
    ASSERT_TRUE(FinishTransition());
    // Under A, the screen one below the top; then one deeper; then under the bottom one.
    mManager->InsertView(MakeScreen("D"), 1, 1, false, false);
    mManager->InsertView(MakeScreen("E"), 1, 2, false, false);
    mManager->InsertView(MakeScreen("F"), 1, 4, false, false);
    EXPECT_EQ(StackNames(), Strings({"F", "B", "E", "D", "A", "C"}));
    ExpectStackMatchesNaviframe();

    // Beyond the stack, or at a negative depth: on top, with the title shown, no pause.
    auto g = MakeScreen("G");
    mManager->InsertView(g, 1, 99, true, false);
    mManager->InsertView(MakeScreen("H"), 1, -1, false, false);
    EXPECT_EQ(StackNames(), Strings({"F", "B", "E", "D", "A", "C", "G", "H"}));
    ExpectStackMatchesNaviframe();
    EXPECT_FALSE(ViewManager::IsTransiting());
    EXPECT_TRUE(elm_naviframe_item_title_enabled_get(g->Item()));
    EXPECT_EQ(CallsOf("C"), Strings({"CreateViewAndData", "Create", "TransitionFinished"}));
}

TEST_F(ViewStackPopTo, GoesBackToTheFirstScreenOfThatType) {
    Push("A", 1);
    Push("B", 2);
    ASSERT_TRUE(FinishTransition());
    // A type not on the stack, or the shown one: nothing goes, no flag, the top is told.
    for (int type : {7, 2}) {
        mManager->PopToView(type);
        EXPECT_EQ(StackNames(), Strings({"A", "B"}));
        EXPECT_FALSE(ViewManager::IsTransiting());
        EXPECT_EQ(CallsOf("B").back(), "UpdatedByPop");
    }
    Push("C", 1);
    ASSERT_TRUE(FinishTransition());
    Push("D", 3);
    ASSERT_TRUE(FinishTransition());
    mManager->PopToView(1);

    EXPECT_TRUE(ViewManager::IsTransiting());
    EXPECT_EQ(StackNames(), Strings({"A"}));
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pause", "UpdatedByPop"}));
    // The removed screens hear nothing.
    EXPECT_EQ(CallsOf("D"),
              Strings({"CreateViewAndData", "Create", "TransitionFinished", "Released"}));
    EXPECT_EQ(CallsOf("C").back(), "Released");
    ASSERT_TRUE(FinishTransition());
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(CallsOf("A").back(), "TransitionFinished");
}

TEST_F(ViewStackDelete, ByTypeWithoutAnyCallToTheScreens) {
    Push("A", 1);
    Push("B", 2);
    ASSERT_TRUE(FinishTransition());
    mLog.Clear();
    // The top screen goes without a call to the one it uncovers, and without a line.
    mManager->DeleteView(2);
    EXPECT_EQ(StackNames(), Strings({"A"}));
    ExpectStackMatchesNaviframe();
    EXPECT_EQ(CallsOf("A"), Strings({"CreateViewAndData", "Create", "Pause"}));
    EXPECT_EQ(CallsOf("B").back(), "Released");
    EXPECT_FALSE(ViewManager::IsTransiting());
    EXPECT_TRUE(StackLines().empty()) << mLog.Dump();

    // Every screen of the type goes.
    mManager->InsertView(MakeScreen("C", {}), 2, 5, false, false);
    mManager->InsertView(MakeScreen("D", {}), 1, 5, false, false);
    mManager->InsertView(MakeScreen("E", {}), 3, 5, false, false);
    mManager->DeleteView(1);
    EXPECT_EQ(StackNames(), Strings({"C", "E"}));
    ExpectStackMatchesNaviframe();
    EXPECT_TRUE(mManager->CheckExistOrNot(2));
    EXPECT_FALSE(mManager->CheckExistOrNot(1));

    // To a type: only with that type on the stack; then the others go, below and above.
    mManager->DeleteToSpecificView(9);
    EXPECT_EQ(StackNames(), Strings({"C", "E"}));
    mManager->DeleteToSpecificView(3);
    EXPECT_EQ(StackNames(), Strings({"E"}));
    ExpectStackMatchesNaviframe();
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

// Each waits for the end of the transition and two frames.
TEST_P(ViewStackDeferredEdit, WaitsForTheTransition) {
    Push("A", 1);
    Push("B", 2);
    GetParam().edit(mManager.get());
    EXPECT_EQ(StackNames(), Strings({"A", "B"}));
    ASSERT_TRUE(FinishTransition());
    Frame();
    Frame();
    EXPECT_EQ(CountStackLines(GetParam().animator), 2) << mLog.Dump();
    EXPECT_EQ(StackNames(), GetParam().after);
    FinishTransition();
    ExpectStackMatchesNaviframe();
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ViewStackDeferredEdit,
    ::testing::Values(
        Deferred{"InsertViewAnimator",
                 [](NSClockEditor::ViewManager* m) {
                     m->InsertView(MakeScreen("C"), 1, 1, false, false);
                 },
                 Strings({"C", "A", "B"})},
        Deferred{"PopToViewAnimator", [](NSClockEditor::ViewManager* m) { m->PopToView(1); },
                 Strings({"A"})},
        Deferred{"DeleteAllViewExceptSpecificViewAnimator",
                 [](NSClockEditor::ViewManager* m) { m->DeleteAllViewExceptSpecificView(2); },
                 Strings({"B"})}),
    [](const ::testing::TestParamInfo<Deferred>& info) {
        return std::string(info.param.animator);
    });
