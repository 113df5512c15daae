#define LOG_TAG "CLOCK-DALVEXA-EDITOR"
#include "EditorViewController.h"
#include "ClockLog.h"
#include "EditorMain.h"
#include "ViewBasicElements.h"

#include <app_control.h>

#include <cstdlib>
#include <cstring>

namespace NSClockEditor {

namespace {

// Extra of the launch request that asks for the first-use tutorial overlay.
const char* const EXTRA_TUTORIAL = "watch_editor_tutorial";

bool TutorialRequested(app_control_h request) {
    if (request == NULL)
        return false;
    char* value = NULL;
    if (app_control_get_extra_data(request, EXTRA_TUTORIAL, &value) != APP_CONTROL_ERROR_NONE)
        return false;
    const bool requested = value != NULL && strcmp(value, "true") == 0;
    free(value);
    return requested;
}

} // namespace

EditorViewController::EditorViewController() {}

EditorViewController::~EditorViewController() {
    mEditorViewDataPtr.reset();
    mEditorViewPtr.reset();
}

void EditorViewController::CreateViewAndData() {
    mEditorViewPtr = std::shared_ptr<EditorView>(new EditorView());
    mEditorViewDataPtr = std::shared_ptr<EditorViewData>(new EditorViewData());
    mViewPtr = mEditorViewPtr;
    mViewDataPtr = mEditorViewDataPtr;
}

std::shared_ptr<View> EditorViewController::GetView() {
    return mViewPtr;
}

std::shared_ptr<ViewData> EditorViewController::GetViewData() {
    return mViewDataPtr;
}

Evas_Object* EditorViewController::Create(Evas_Object* parent) {
    RETURN_VALUE_IF(parent == NULL, NULL);
    RETURN_VALUE_IF(!mViewDataPtr, NULL);
    RETURN_VALUE_IF(!mEditorViewPtr, NULL);
    RETURN_VALUE_IF(!mEditorViewDataPtr, NULL);
    AppMain* appMain = AppMain::GetInstance();
    RETURN_VALUE_IF(appMain == NULL, NULL);

    std::shared_ptr<ViewBasicElements> viewBasicElementsPtr = appMain->GetViewBasicElements();
    mEditorViewDataPtr->mCircleSurface = ViewBasicElements::GetCircleSurface();

    Evas_Object* baseLayout = mEditorViewPtr->Create(parent, mEditorViewDataPtr);

    // The view borrows the application's clone of the launch request to answer it.
    app_control_h callerAppControl = appMain->GetCallerAppControl();
    mEditorViewPtr->SetCallerAppControl(callerAppControl);
    if (TutorialRequested(callerAppControl))
        mEditorViewPtr->SetShowTutorial(true);

    return baseLayout;
}

void EditorViewController::Resume(bool appControlReceived) {
    RETURN_IF(!mViewDataPtr);
    RETURN_IF(!mEditorViewPtr);
    RETURN_IF(!mEditorViewDataPtr);
    AppMain* appMain = AppMain::GetInstance();
    RETURN_IF(appMain == NULL);
    mEditorViewPtr->Resume(appControlReceived);
}

void EditorViewController::Pause() {
    RETURN_IF(!mEditorViewPtr);
    mEditorViewPtr->Pause();
}

void EditorViewController::Destroy() {
    RETURN_IF(!mEditorViewPtr);
    mEditorViewPtr->Destroy();
}

void EditorViewController::UpdatedByPop() {
    RETURN_IF(!mViewDataPtr);
    RETURN_IF(!mEditorViewPtr);
    RETURN_IF(!mEditorViewDataPtr);
    AppMain* appMain = AppMain::GetInstance();
    RETURN_IF(appMain == NULL);
    mEditorViewPtr->UpdatedByPop();
}

bool EditorViewController::Pop() {
    RETURN_VALUE_IF(!mEditorViewPtr, true);
    return mEditorViewPtr->Pop();
}

void EditorViewController::TimeTick() {
    RETURN_IF(!mViewDataPtr);
    RETURN_IF(!mEditorViewPtr);
    RETURN_IF(!mEditorViewDataPtr);
    mEditorViewPtr->TimeTick();
}

void EditorViewController::TransitionFinished() {
    RETURN_IF(!mEditorViewPtr);
    mEditorViewPtr->TransitionFinished();
}

} // namespace NSClockEditor

std::shared_ptr<NSClockEditor::ViewController> CreateEditorViewController() {
    return std::shared_ptr<NSClockEditor::ViewController>(
        new NSClockEditor::EditorViewController());
}
