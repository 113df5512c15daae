// The editor screen as the view stack sees it: owns the EditorView and its
// EditorViewData, wires the view to the scaffold's circle surface and to the caller's
// launch request, and forwards the stack's lifecycle calls to the view.
#pragma once

#include <memory>

#include "EditorView.h"
#include "EditorViewData.h"
#include "ViewController.h"

namespace NSClockEditor {

class EditorViewController : public ViewController {
  public:
    EditorViewController();
    ~EditorViewController() override;

    void CreateViewAndData() override;
    std::shared_ptr<View> GetView() override;
    std::shared_ptr<ViewData> GetViewData() override;
    Evas_Object* Create(Evas_Object* parent) override;
    void Resume(bool appControlReceived) override;
    void Pause() override;
    void Destroy() override;
    void UpdatedByPop() override;
    bool Pop() override;
    void TimeTick() override;
    void TransitionFinished() override;

  private:
    // The same objects as the base's mViewPtr and mViewDataPtr, seen as the editor's.
    std::shared_ptr<EditorView> mEditorViewPtr;
    std::shared_ptr<EditorViewData> mEditorViewDataPtr;

    EditorViewController(const EditorViewController&) = delete;
    EditorViewController& operator=(const EditorViewController&) = delete;
};

} // namespace NSClockEditor

// The editor screen's controller, as the program hands it to the shell for its first screen.
std::shared_ptr<NSClockEditor::ViewController> CreateEditorViewController();
