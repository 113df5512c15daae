// A real scaffold (window, conformant, main layout, naviframe) on the buffer engine with a
// view manager on its naviframe. Animator frames come only from Frame() and from
// FinishTransition(), which ticks them while the naviframe animates on the real loop.
#pragma once

#include "LogCapture.h"
#include "RecordingScreen.h"
#include "ViewBasicElements.h"
#include "ViewManager.h"

#include <Elementary.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace watchtest {

// Elementary up, headless, with the application's theme extension when there is one.
void InitToolkit();
// Runs the loop, ticking animator frames, until the view stack's transit flag is down;
// no frame is ticked once it is down. False on time-out.
bool FinishTransition(double timeoutSeconds = 5.0);
inline std::vector<std::string> Strings(std::initializer_list<const char*> names) {
    return std::vector<std::string>(names.begin(), names.end());
}
// One animator frame (with the custom animator source).
void Frame();

class StackTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Pushes a new recording screen and returns it.
    std::shared_ptr<RecordingController> Push(const std::string& name,
                                              NSClockEditor::ViewType type = 0,
                                              ScreenOptions options = ScreenOptions());
    // Feeds a key press and release to the window, then lets the loop deliver it.
    void PressKey(const char* key);

    std::vector<Elm_Object_Item*> NaviframeItems() const;
    // Names of the stack's screens, bottom first.
    std::vector<std::string> StackNames();
    // The stack's entries own the naviframe's items, in the same order.
    void ExpectStackMatchesNaviframe();
    // Lines of the view stack's tag, as their bodies (a guard line as "(condition) [kind]").
    std::vector<std::string> StackLines() const { return mLog.Bodies("CLOCK-DALVEXA-EDITOR"); }
    int CountStackLines(const std::string& body) const {
        return mLog.CountBody("CLOCK-DALVEXA-EDITOR", body);
    }

    LogCapture mLog;
    NSClockEditor::ViewBasicElements mElements;
    std::unique_ptr<NSClockEditor::ViewManager> mManager;
    Evas_Object* mNaviframe = nullptr;
};

} // namespace watchtest
