// A screen for tests: its controller writes every call the view stack makes, in order,
// to one journal and to the platform log (tag "TEST-SCREEN"), so that the calls can be
// checked against each other and against the view stack's own log lines.
#pragma once

#include "ViewController.h"
#include "ViewData.h"
#include "View.h"

#include <Elementary.h>

#include <memory>
#include <string>
#include <vector>

namespace watchtest {

// Every call of every recording screen of the process, as "<name>.<call>".
std::vector<std::string>& Journal();
// The journal entries of one screen, without the name.
std::vector<std::string> CallsOf(const std::string& name);
// Index of the first journal entry equal to entry, or -1.
int JournalIndex(const std::string& entry);

struct ScreenOptions {
    bool createFails = false; // Create answers null
    bool noData = false;      // GetViewData answers an empty pointer
    bool popAnswer = true;    // what Pop answers
    std::string title;
};

class RecordingData : public NSClockEditor::ViewData {
  public:
    explicit RecordingData(const std::string& title) : mTitle(title) {}
    void SetNaviframeItem(Elm_Object_Item* item) override { mNaviframeItem = item; }
    std::string GetTitle() override { return mTitle; }

  private:
    std::string mTitle;
};

class RecordingView : public NSClockEditor::View {
  public:
    Evas_Object* GetBaseLayout() override { return mBaseLayout; }
    Evas_Object* Create(Evas_Object* parent,
                        std::shared_ptr<NSClockEditor::ViewData> viewDataPtr) override;
    void Resume(bool) override {}
    void Pause() override {}
    void Destroy() override {}
    void UpdatedByPop() override {}
    bool Pop() override { return true; }
    void TimeTick() override {}
    void TransitionFinished() override {}
};

class RecordingController : public NSClockEditor::ViewController {
  public:
    explicit RecordingController(const std::string& name, ScreenOptions options = ScreenOptions());
    ~RecordingController() override;

    void CreateViewAndData() override;
    std::shared_ptr<NSClockEditor::View> GetView() override { return mViewPtr; }
    std::shared_ptr<NSClockEditor::ViewData> GetViewData() override;
    Evas_Object* Create(Evas_Object* parent) override;
    void Resume(bool appControlReceived) override {
        Record(appControlReceived ? "Resume(true)" : "Resume(false)");
    }
    void Pause() override { Record("Pause"); }
    void Destroy() override { Record("Destroy"); }
    void UpdatedByPop() override { Record("UpdatedByPop"); }
    bool Pop() override {
        Record("Pop");
        return mOptions.popAnswer;
    }
    void TimeTick() override { Record("TimeTick"); }
    void TransitionFinished() override { Record("TransitionFinished"); }

    const std::string& Name() const { return mName; }
    ScreenOptions& Options() { return mOptions; }
    Evas_Object* BaseLayout() const { return mBaseLayout; }
    // The naviframe item the stack gave this screen (null before).
    Elm_Object_Item* Item() const;
    // Lets the screen lose its data while on the stack.
    void DropData() { mOptions.noData = true; }

  private:
    void Record(const std::string& call);

    std::string mName;
    ScreenOptions mOptions;
    Evas_Object* mBaseLayout = nullptr;
};

std::shared_ptr<RecordingController> MakeScreen(const std::string& name,
                                                ScreenOptions options = ScreenOptions());

} // namespace watchtest
