// The editor screen released or stripped of its widgets while its animator, idlers,
// transits, timers and the companion's reply are still on their way: nothing may reach
// the gone view (the sanitizer build turns any such access into a failure).
#include "EditorAppTest.h"
#include "EditorViewController.h"
#include "LoopUtil.h"
#include "StackFixture.h"

#include <vconf.h>

using NSClockEditor::ViewBasicElements;
using NSClockEditor::ViewController;
using watchtest::LogBody;
using watchtest::Now;
using watchtest::RunLoopUntil;

namespace {

class EditorLifetimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mDevice = editortest::BootEditorDevice();
        watchtest::InitToolkit();
        ASSERT_EQ(mElements.SetupViewBasicElements(), 0) << mLog.Dump();

        mController = CreateEditorViewController();
        mController->CreateViewAndData();
        mBase = mController->Create(ViewBasicElements::GetNaviframe());
        ASSERT_NE(mBase, nullptr) << mLog.Dump();
        elm_naviframe_item_push(ViewBasicElements::GetNaviframe(), nullptr, nullptr, nullptr, mBase,
                                "empty");
    }
    void TearDown() override {
        mController.reset();
        elm_shutdown();
        mDevice.reset();
    }

    bool Logged(const std::string& body) const {
        return mLog.CountBody(editortest::kEditorTag, body) > 0;
    }
    std::shared_ptr<NSClockEditor::EditorView> View() const {
        return std::dynamic_pointer_cast<NSClockEditor::EditorView>(mController->GetView());
    }
    Evas_Object* OkButton() const {
        return elm_object_part_content_get(mBase, "part_button_bottom");
    }

    watchtest::LogCapture mLog;
    std::unique_ptr<watchtest::TestDevice> mDevice;
    NSClockEditor::ViewBasicElements mElements;
    std::shared_ptr<ViewController> mController;
    Evas_Object* mBase = nullptr;
};

} // namespace

TEST_F(EditorLifetimeTest, ReleasedBeforeItsFirstFrame) {
    // The start animator is pending: the release cancels it.
    mController.reset();
    watchtest::RunLoopFor(0.4);
    EXPECT_FALSE(Logged("ViewStartAnimator")) << mLog.Dump();
    evas_object_del(mBase); // the widgets outlive the view; their deletion reaches nothing
    watchtest::RunLoopFor(0.05);
}

TEST_F(EditorLifetimeTest, ReleasedDuringTheOpeningZoom) {
    ASSERT_TRUE(RunLoopUntil([&] { return Logged("ViewStartAnimatorIdler"); }));
    mController->Destroy();
    mController.reset();
    // Well past the 0.2 s zoom whose end would build the pages.
    watchtest::RunLoopFor(0.5);
    EXPECT_EQ(OkButton(), nullptr);
    evas_object_del(mBase);
    watchtest::RunLoopFor(0.05);
}

TEST_F(EditorLifetimeTest, WidgetsDeletedDuringTheOpeningZoom) {
    ASSERT_TRUE(RunLoopUntil([&] { return Logged("ViewStartAnimatorIdler"); }));
    evas_object_del(mBase); // the main layout and all it holds
    // The zoom still ends; the view finds its layout gone and builds nothing.
    ASSERT_TRUE(RunLoopUntil([&] { return mLog.Contains("(pThis->mLayout == NULL) [return]"); }))
        << mLog.Dump();
    View()->ShowColorPage(); // no scroller any more
    EXPECT_TRUE(Logged("mScroller is NULL"));
}

TEST_F(EditorLifetimeTest, ReleasedDuringTheOkAnimationWithTheCompanionsReplyOnItsWay) {
    ASSERT_TRUE(RunLoopUntil([&] { return OkButton() != nullptr; })) << mLog.Dump();
    evas_object_smart_callback_call(OkButton(), "clicked", nullptr);
    ASSERT_TRUE(RunLoopUntil([&] { return Logged("OKButtonClickedIdler"); }));
    mController->Destroy();
    mController.reset();
    // The companion answers the request the gone view sent: the answer finds no view.
    ASSERT_TRUE(RunLoopUntil([&] {
        for (const std::string& m : mLog.Messages(editortest::kEditorTag)) {
            const std::string body = LogBody(m);
            if (body.find("ReplyCB") != std::string::npos &&
                body.find("(pThis == NULL) [return]") != std::string::npos)
                return true;
        }
        return false;
    })) << mLog.Dump();
    int show = 0;
    EXPECT_NE(vconf_get_int("db/setting/idle_clock_show", &show), 0); // no hand-over
    watchtest::RunLoopFor(0.3);                                       // the transits' time
    evas_object_del(mBase);
    watchtest::RunLoopFor(0.05);
}
