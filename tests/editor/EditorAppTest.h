// The editor program run in the test process under the real application framework, on a
// booted test device, as if the device bus had started it for a launch request. The test
// process is also the caller: it sends that request over the bus and records the replies.
// A test writes a script of steps, each waiting for a condition on the running editor and
// then acting; RunEditor() runs the program until it ends by itself.
#pragma once

#include "AppsTestUtil.h"
#include "EditorView.h"
#include "LogCapture.h"
#include "TestDevice.h"

#include <Elementary.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace editortest {

constexpr const char* kEditorTag = "CLOCK-DALVEXA-EDITOR";

// A booted test device whose companion service is the framework's test service (it logs
// the requests it gets), with this process as the editor (WATCH_APP_ID).
std::unique_ptr<watchtest::TestDevice> BootEditorDevice();

class EditorAppTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Device set-up, before RunEditor.
    // Stores the colour band as another process of the device does (before or while the
    // editor runs).
    void StoreBand(int band);
    void SetCountryCode(const std::string& code);
    void SilenceCompanion(); // the companion service logs requests but never answers

    // Script. A step waits until `until` holds (checked every few milliseconds and after
    // every loop iteration), records the time and runs `action`.
    void Step(const std::string& what, std::function<bool()> until,
              std::function<void()> action = nullptr);
    void Do(const std::string& what, std::function<void()> action) { Step(what, nullptr, action); }
    // Runs the editor program until it ends; its exit status. A step still waiting after
    // timeoutSeconds fails the test and the program is asked to exit.
    int RunEditor(double timeoutSeconds = 30.0);
    double StepTime(const std::string& what) const;
    double ExitTime() const { return mExitTime; }

    // The caller: a first step that sends the launch request once the editor's window is
    // there, and the answer to it.
    void Launch(const std::vector<std::pair<std::string, std::string>>& extras = {});
    bool Answered() const { return mReply && mReply->called; }
    const appstest::Reply& Answer() const {
        static const appstest::Reply none;
        return mReply ? *mReply : none;
    }

    // The running editor.
    std::shared_ptr<NSClockEditor::EditorView> View() const;
    Evas_Object* Layout() const;
    int ShownPage() const; // the page the scroller shows
    Evas_Object* OkButton() const;
    // The OK button is there: the interactive screen.
    bool PagesShown() const { return OkButton() != nullptr; }
    // The OK button has slid in and sits on the bottom edge: it can be tapped.
    bool OkButtonInPlace() const;
    Evas_Object* Notice() const; // the shown "toast/circle" popup, or null
    bool TutorialShown() const;
    // The overlay has faded in completely: it takes taps.
    bool TutorialFadedIn() const;

    // Input and pictures, as real events of the window's canvas.
    void Rotary(bool clockwise, unsigned notches = 1);
    void Key(const std::string& key);
    void Tap(int x, int y);
    void Screenshot(const std::string& name);

    // A watchctl command running beside the editor (one that talks to the editor must not
    // block its loop); waited for at the end of the test.
    void Background(const std::vector<std::string>& watchctlArgs);

    // Another process of the device changes a setting.
    void SetVconfIntElsewhere(const std::string& key, int value);
    // Writes an int vconf key without announcing the change: a writer that nobody hears.
    void SetVconfIntUnannounced(const std::string& key, int value);

    int StoredBand() const; // -1 when none is stored
    std::string VconfString(const std::string& key) const;
    std::vector<std::string> CompanionRequests() const; // its "app_control ..." lines
    int CountEditorLog(const std::string& body) const { return mLog.CountBody(kEditorTag, body); }

    watchtest::LogCapture mLog;
    std::unique_ptr<watchtest::TestDevice> mDevice;

  private:
    struct ScriptStep {
        std::string what;
        std::function<bool()> until;
        std::function<void()> action;
        double doneAt = 0;
    };
    void RunSteps();

    std::vector<ScriptStep> mSteps;
    size_t mNext = 0;
    bool mTimedOut = false;
    double mExitTime = 0;
    std::shared_ptr<appstest::Reply> mReply;
    std::vector<std::unique_ptr<watchtest::BackgroundProcess>> mBackground;
};

} // namespace editortest
