#define LOG_TAG "CLOCK-DALVEXA-EDITOR"
#include "ViewManager.h"
#include "ClockLog.h"
#include "ViewBasicElements.h"

#include <efl_extension.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace NSClockEditor {

namespace {

const size_t TITLE_BUFFER_SIZE = 128;
const char* const TRANSITION_FINISHED = "transition,finished";
const char* const MORE_BUTTON_PART = "toolbar_more_btn";

} // namespace

std::list<std::shared_ptr<ViewController>> ViewManager::mViewList;
bool ViewManager::mIsTransiting = false;
Ecore_Animator* ViewManager::mAnimator = nullptr;
int ViewManager::mAnimatorFrameCount = 0;
ViewManagerAnimatorData* ViewManager::mAnimatorData = nullptr;

ViewManager::ViewManager() : mNaviframe(nullptr) {}

// The class-wide stack outlives the instance; only what points back at this instance
// goes: the naviframe's callbacks and the pending request's owner.
ViewManager::~ViewManager() {
    if (mAnimatorData && mAnimatorData->viewManager == this)
        mAnimatorData->viewManager = nullptr;
    if (mNaviframe) {
        eext_object_event_callback_del(mNaviframe, EEXT_CALLBACK_BACK, ViewPopCb);
        eext_object_event_callback_del(mNaviframe, EEXT_CALLBACK_MORE, ViewMoreCb);
        evas_object_smart_callback_del_full(mNaviframe, TRANSITION_FINISHED, TransitionFinishedCb,
                                            this);
        evas_object_event_callback_del_full(mNaviframe, EVAS_CALLBACK_DEL, NaviframeDeletedCb,
                                            this);
    }
}

void ViewManager::Initialize() {
    mNaviframe = ViewBasicElements::GetNaviframe();
    RETURN_IF(mNaviframe == NULL);
    eext_object_event_callback_add(mNaviframe, EEXT_CALLBACK_BACK, ViewPopCb, this);
    eext_object_event_callback_add(mNaviframe, EEXT_CALLBACK_MORE, ViewMoreCb, this);
    evas_object_smart_callback_add(mNaviframe, TRANSITION_FINISHED, TransitionFinishedCb, this);
    evas_object_event_callback_add(mNaviframe, EVAS_CALLBACK_DEL, NaviframeDeletedCb, this);
}

void ViewManager::NaviframeDeletedCb(void* data, Evas*, Evas_Object* obj, void*) {
    ViewManager* pThis = static_cast<ViewManager*>(data);
    if (pThis->mNaviframe == obj)
        pThis->mNaviframe = nullptr;
}

// Public operations: run at once, or wait for the running transition.

void ViewManager::PushView(std::shared_ptr<ViewController> viewControllerPtr, ViewType viewType,
                           bool titleEnabled, bool titleTransition) {
    RETURN_IF(mNaviframe == NULL);
    if (!mIsTransiting) {
        PushViewImpl(viewControllerPtr, viewType, titleEnabled, titleTransition);
        return;
    }
    ViewManagerAnimatorData* request = new ViewManagerAnimatorData();
    request->viewControllerPtr = viewControllerPtr;
    request->viewType = viewType;
    request->titleEnabled = titleEnabled;
    request->titleTransition = titleTransition;
    request->viewManager = this;
    ScheduleRequest(PushViewAnimator, request);
}

void ViewManager::InsertView(std::shared_ptr<ViewController> viewControllerPtr, ViewType viewType,
                             int insertIndex, bool titleEnabled, bool titleTransition) {
    RETURN_IF(mNaviframe == NULL);
    if (!mIsTransiting) {
        InsertViewImpl(viewControllerPtr, viewType, insertIndex, titleEnabled, titleTransition);
        return;
    }
    ViewManagerAnimatorData* request = new ViewManagerAnimatorData();
    request->viewControllerPtr = viewControllerPtr;
    request->viewType = viewType;
    request->insertIndex = insertIndex;
    request->titleEnabled = titleEnabled;
    request->titleTransition = titleTransition;
    request->viewManager = this;
    ScheduleRequest(InsertViewAnimator, request);
}

void ViewManager::PopView() {
    RETURN_IF(mNaviframe == NULL);
    if (!mIsTransiting) {
        PopViewImpl();
        return;
    }
    ViewManagerAnimatorData* request = new ViewManagerAnimatorData();
    request->viewManager = this;
    ScheduleRequest(PopViewAnimator, request);
}

void ViewManager::PopToView(ViewType viewType) {
    RETURN_IF(mNaviframe == NULL);
    RETURN_IF(mViewList.size() < 1);
    if (!mIsTransiting) {
        PopToViewImpl(viewType);
        return;
    }
    ViewManagerAnimatorData* request = new ViewManagerAnimatorData();
    request->viewType = viewType;
    request->viewManager = this;
    ScheduleRequest(PopToViewAnimator, request);
}

void ViewManager::DeleteView(ViewType viewType) {
    if (!mIsTransiting) {
        DeleteViewImpl(viewType);
        return;
    }
    ViewManagerAnimatorData* request = new ViewManagerAnimatorData();
    request->viewType = viewType;
    request->viewManager = this;
    ScheduleRequest(DeleteViewAnimator, request);
}

void ViewManager::DeleteAllViewExceptSpecificView(ViewType viewType) {
    if (!mIsTransiting) {
        DeleteAllViewExceptSpecificViewImpl(viewType);
        return;
    }
    ViewManagerAnimatorData* request = new ViewManagerAnimatorData();
    request->viewType = viewType;
    request->viewManager = this;
    ScheduleRequest(DeleteAllViewExceptSpecificViewAnimator, request);
}

void ViewManager::DeleteToSpecificView(ViewType viewType) {
    RETURN_IF(CheckExistOrNot(viewType) == false);
    if (!mIsTransiting) {
        DeleteToSpecificViewImpl(viewType);
        return;
    }
    ViewManagerAnimatorData* request = new ViewManagerAnimatorData();
    request->viewType = viewType;
    request->viewManager = this;
    ScheduleRequest(DeleteToSpecificViewAnimator, request);
}

void ViewManager::TerminateView() {
    if (!mIsTransiting) {
        TerminateViewImpl();
        return;
    }
    ViewManagerAnimatorData* request = new ViewManagerAnimatorData();
    request->viewManager = this;
    ScheduleRequest(TerminateViewAnimator, request);
}

bool ViewManager::CheckExistOrNot(ViewType viewType) {
    for (const std::shared_ptr<ViewController>& entry : mViewList) {
        if (!entry)
            continue;
        std::shared_ptr<ViewData> viewDataPtr = entry->GetViewData();
        if (viewDataPtr && viewDataPtr->mViewType == viewType)
            return true;
    }
    return false;
}

std::list<std::shared_ptr<ViewController>> ViewManager::GetViewList() {
    std::list<std::shared_ptr<ViewController>> viewList;
    for (const std::shared_ptr<ViewController>& entry : mViewList)
        viewList.push_back(entry);
    return viewList;
}

// Deferral.

void ViewManager::ScheduleRequest(Ecore_Task_Cb runner, ViewManagerAnimatorData* request) {
    if (mAnimator) {
        // The waiting request is dropped for the newer one.
        delete static_cast<ViewManagerAnimatorData*>(ecore_animator_del(mAnimator));
        mAnimator = nullptr;
        mAnimatorData = nullptr;
    }
    mAnimator = ecore_animator_add(runner, request);
    if (!mAnimator) {
        CLOCK_LOG("ecore_animator_add failed");
        delete request;
        return;
    }
    mAnimatorData = request;
}

bool ViewManager::WaitOneMoreFrame() {
    if (mAnimatorFrameCount < 1) {
        ++mAnimatorFrameCount;
        return true;
    }
    return false;
}

ViewManagerAnimatorData* ViewManager::TakeRequest(void* data) {
    mAnimator = nullptr;
    mAnimatorFrameCount = 0;
    mAnimatorData = nullptr;
    return static_cast<ViewManagerAnimatorData*>(data);
}

Eina_Bool ViewManager::PushViewAnimator(void* data) {
    RETURN_VALUE_IF(ViewManager::mIsTransiting == true, ECORE_CALLBACK_RENEW);
    CLOCK_LOG("PushViewAnimator");
    if (WaitOneMoreFrame())
        return ECORE_CALLBACK_RENEW;
    ViewManagerAnimatorData* viewManagerAnimatorData = TakeRequest(data);
    do {
        BREAK_IF(viewManagerAnimatorData == NULL);
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        BREAK_IF(viewManager == NULL);
        viewManager->PushViewImpl(
            viewManagerAnimatorData->viewControllerPtr, viewManagerAnimatorData->viewType,
            viewManagerAnimatorData->titleEnabled, viewManagerAnimatorData->titleTransition);
    } while (0);
    delete viewManagerAnimatorData;
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool ViewManager::InsertViewAnimator(void* data) {
    RETURN_VALUE_IF(ViewManager::mIsTransiting == true, ECORE_CALLBACK_RENEW);
    CLOCK_LOG("InsertViewAnimator");
    if (WaitOneMoreFrame())
        return ECORE_CALLBACK_RENEW;
    ViewManagerAnimatorData* viewManagerAnimatorData = TakeRequest(data);
    do {
        BREAK_IF(viewManagerAnimatorData == NULL);
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        BREAK_IF(viewManager == NULL);
        viewManager->InsertViewImpl(
            viewManagerAnimatorData->viewControllerPtr, viewManagerAnimatorData->viewType,
            viewManagerAnimatorData->insertIndex, viewManagerAnimatorData->titleEnabled,
            viewManagerAnimatorData->titleTransition);
    } while (0);
    delete viewManagerAnimatorData;
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool ViewManager::PopViewAnimator(void* data) {
    RETURN_VALUE_IF(ViewManager::mIsTransiting == true, ECORE_CALLBACK_RENEW);
    CLOCK_LOG("PopViewAnimator");
    if (WaitOneMoreFrame())
        return ECORE_CALLBACK_RENEW;
    ViewManagerAnimatorData* viewManagerAnimatorData = TakeRequest(data);
    do {
        BREAK_IF(viewManagerAnimatorData == NULL);
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        BREAK_IF(viewManager == NULL);
        viewManager->PopViewImpl();
    } while (0);
    delete viewManagerAnimatorData;
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool ViewManager::PopToViewAnimator(void* data) {
    RETURN_VALUE_IF(ViewManager::mIsTransiting == true, ECORE_CALLBACK_RENEW);
    CLOCK_LOG("PopToViewAnimator");
    if (WaitOneMoreFrame())
        return ECORE_CALLBACK_RENEW;
    ViewManagerAnimatorData* viewManagerAnimatorData = TakeRequest(data);
    do {
        BREAK_IF(viewManagerAnimatorData == NULL);
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        BREAK_IF(viewManager == NULL);
        viewManager->PopToViewImpl(viewManagerAnimatorData->viewType);
    } while (0);
    delete viewManagerAnimatorData;
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool ViewManager::DeleteViewAnimator(void* data) {
    RETURN_VALUE_IF(ViewManager::mIsTransiting == true, ECORE_CALLBACK_RENEW);
    CLOCK_LOG("DeleteViewAnimator");
    if (WaitOneMoreFrame())
        return ECORE_CALLBACK_RENEW;
    ViewManagerAnimatorData* viewManagerAnimatorData = TakeRequest(data);
    do {
        BREAK_IF(viewManagerAnimatorData == NULL);
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        BREAK_IF(viewManager == NULL);
        viewManager->DeleteViewImpl(viewManagerAnimatorData->viewType);
    } while (0);
    delete viewManagerAnimatorData;
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool ViewManager::DeleteAllViewExceptSpecificViewAnimator(void* data) {
    RETURN_VALUE_IF(ViewManager::mIsTransiting == true, ECORE_CALLBACK_RENEW);
    CLOCK_LOG("DeleteAllViewExceptSpecificViewAnimator");
    if (WaitOneMoreFrame())
        return ECORE_CALLBACK_RENEW;
    ViewManagerAnimatorData* viewManagerAnimatorData = TakeRequest(data);
    do {
        BREAK_IF(viewManagerAnimatorData == NULL);
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        BREAK_IF(viewManager == NULL);
        viewManager->DeleteAllViewExceptSpecificViewImpl(viewManagerAnimatorData->viewType);
    } while (0);
    delete viewManagerAnimatorData;
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool ViewManager::DeleteToSpecificViewAnimator(void* data) {
    RETURN_VALUE_IF(ViewManager::mIsTransiting == true, ECORE_CALLBACK_RENEW);
    CLOCK_LOG("DeleteToSpecificViewAnimator");
    if (WaitOneMoreFrame())
        return ECORE_CALLBACK_RENEW;
    ViewManagerAnimatorData* viewManagerAnimatorData = TakeRequest(data);
    do {
        BREAK_IF(viewManagerAnimatorData == NULL);
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        BREAK_IF(viewManager == NULL);
        viewManager->DeleteToSpecificViewImpl(viewManagerAnimatorData->viewType);
    } while (0);
    delete viewManagerAnimatorData;
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool ViewManager::TerminateViewAnimator(void* data) {
    RETURN_VALUE_IF(ViewManager::mIsTransiting == true, ECORE_CALLBACK_RENEW);
    CLOCK_LOG("TerminateViewAnimator");
    if (WaitOneMoreFrame())
        return ECORE_CALLBACK_RENEW;
    ViewManagerAnimatorData* viewManagerAnimatorData = TakeRequest(data);
    do {
        BREAK_IF(viewManagerAnimatorData == NULL);
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        BREAK_IF(viewManager == NULL);
        viewManager->TerminateViewImpl();
    } while (0);
    delete viewManagerAnimatorData;
    return ECORE_CALLBACK_CANCEL;
}

// Immediate parts.

void ViewManager::PushViewImpl(std::shared_ptr<ViewController> viewControllerPtr, ViewType viewType,
                               bool titleEnabled, bool titleTransition) {
    char title[TITLE_BUFFER_SIZE];
    memset(title, 0, sizeof(title));
    RETURN_IF(mNaviframe == NULL);
    RETURN_IF(!viewControllerPtr);

    viewControllerPtr->CreateViewAndData();
    Evas_Object* baseLayout = viewControllerPtr->Create(mNaviframe);
    RETURN_IF(baseLayout == NULL);
    std::shared_ptr<ViewData> viewDataPtr = viewControllerPtr->GetViewData();
    if (!viewDataPtr)
        evas_object_hide(baseLayout); // built, but it never becomes an item's content
    RETURN_IF(!viewDataPtr);

    std::string titleText = viewDataPtr->GetTitle();
    if (!titleText.empty())
        snprintf(title, sizeof(title), "%s", titleText.c_str());

    const bool overAnotherScreen = !mViewList.empty();
    if (overAnotherScreen)
        mIsTransiting = true;
    Elm_Object_Item* item =
        elm_naviframe_item_push(mNaviframe, title, NULL, NULL, baseLayout, "empty");
    if (item == NULL) {
        mIsTransiting = false; // no transition was started
        evas_object_hide(baseLayout);
    }
    RETURN_IF(item == NULL);
    viewDataPtr->SetNaviframeItem(item);
    viewDataPtr->mViewType = viewType;
    elm_naviframe_item_title_enabled_set(item, titleEnabled, titleTransition);

    // The screen still on top is the one being covered.
    PauseView();
    mViewList.push_back(viewControllerPtr);
}

void ViewManager::InsertViewImpl(std::shared_ptr<ViewController> viewControllerPtr,
                                 ViewType viewType, int insertIndex, bool titleEnabled,
                                 bool titleTransition) {
    char title[TITLE_BUFFER_SIZE];
    memset(title, 0, sizeof(title));
    RETURN_IF(mNaviframe == NULL);
    RETURN_IF(!viewControllerPtr);

    viewControllerPtr->CreateViewAndData();
    Evas_Object* layout = viewControllerPtr->Create(mNaviframe);
    std::shared_ptr<ViewData> viewDataPtr = viewControllerPtr->GetViewData();
    // A screen without a base layout or without data cannot be kept in step with the
    // naviframe: the stack stays as it was.
    RETURN_IF(layout == NULL);
    if (!viewDataPtr)
        evas_object_hide(layout);
    RETURN_IF(!viewDataPtr);
    snprintf(title, sizeof(title), "%s", viewDataPtr->GetTitle().c_str());

    Elm_Object_Item* item = NULL;
    std::list<std::shared_ptr<ViewController>>::iterator position = mViewList.end();
    // Depth counts from the top: the top entry is 0, the bottom one size - 1.
    int depth = static_cast<int>(mViewList.size()) - 1;
    for (auto it = mViewList.begin(); it != mViewList.end(); ++it, --depth) {
        if (depth != insertIndex)
            continue;
        std::shared_ptr<ViewController> entryPtr = *it;
        std::shared_ptr<ViewData> entryDataPtr = entryPtr ? entryPtr->GetViewData() : nullptr;
        if (entryDataPtr && entryDataPtr->mNaviframeItem) {
            item = elm_naviframe_item_insert_before(mNaviframe, entryDataPtr->mNaviframeItem, title,
                                                    NULL, NULL, layout, NULL);
            position = it;
            if (item == NULL)
                evas_object_hide(layout);
            RETURN_IF(item == NULL);
        }
        break;
    }
    if (item == NULL) {
        item = elm_naviframe_item_push(mNaviframe, title, NULL, NULL, layout, NULL);
        if (item == NULL)
            evas_object_hide(layout);
        RETURN_IF(item == NULL);
    }
    mViewList.insert(position, viewControllerPtr);

    viewDataPtr->SetNaviframeItem(item);
    viewDataPtr->mViewType = viewType;
    elm_naviframe_item_title_enabled_set(item, titleEnabled, titleTransition);
}

void ViewManager::PopViewImpl() {
    RETURN_IF(mNaviframe == NULL);
    ViewPopCb(this, mNaviframe, NULL);
}

void ViewManager::PopToViewImpl(ViewType viewType) {
    RETURN_IF(mNaviframe == NULL);
    RETURN_IF(mViewList.size() < 1);

    // The lowest screen of that type.
    std::shared_ptr<ViewController> targetPtr;
    Elm_Object_Item* targetItem = NULL;
    for (const std::shared_ptr<ViewController>& entry : mViewList) {
        if (!entry)
            continue;
        std::shared_ptr<ViewData> viewDataPtr = entry->GetViewData();
        if (!viewDataPtr || viewDataPtr->mViewType != viewType)
            continue;
        targetPtr = entry;
        targetItem = viewDataPtr->mNaviframeItem;
        break;
    }
    if (!targetPtr || targetItem == NULL) {
        UpdatedViewByPop();
        return;
    }

    // Going to the screen already shown animates nothing, so no transition end would
    // ever lower the flag.
    if (mViewList.size() > 1 && targetPtr != mViewList.back())
        mIsTransiting = true;
    elm_naviframe_item_pop_to(targetItem);

    // The naviframe dropped every item above the target; drop their entries alike,
    // screens of the same type above the target included.
    while (!mViewList.empty()) {
        std::shared_ptr<ViewController> eraseControllerPtr = mViewList.back();
        BREAK_IF(!eraseControllerPtr);
        std::shared_ptr<ViewData> viewDataPtr = eraseControllerPtr->GetViewData();
        BREAK_IF(!viewDataPtr);
        ViewType iterViewType = viewDataPtr->mViewType;
        if (eraseControllerPtr == targetPtr) {
            BREAK_IF(viewType == iterViewType);
        }
        mViewList.pop_back();
    }
    UpdatedViewByPop();
}

void ViewManager::RemoveEntries(ViewType viewType, bool removeMatching) {
    for (auto it = mViewList.begin(); it != mViewList.end();) {
        std::shared_ptr<ViewController> entryPtr = *it;
        std::shared_ptr<ViewData> viewDataPtr = entryPtr ? entryPtr->GetViewData() : nullptr;
        if (!viewDataPtr || (viewDataPtr->mViewType == viewType) != removeMatching) {
            ++it;
            continue;
        }
        Elm_Object_Item* item = viewDataPtr->mNaviframeItem;
        // Off the list before the item goes, so that whatever the item's deletion sets
        // off finds the stack already without it.
        it = mViewList.erase(it);
        if (item)
            elm_object_item_del(item);
    }
}

void ViewManager::DeleteViewImpl(ViewType viewType) {
    RemoveEntries(viewType, true);
}

void ViewManager::DeleteAllViewExceptSpecificViewImpl(ViewType viewType) {
    RemoveEntries(viewType, false);
}

void ViewManager::DeleteToSpecificViewImpl(ViewType viewType) {
    RETURN_IF(CheckExistOrNot(viewType) == false);
    RemoveEntries(viewType, false);
}

void ViewManager::TerminateViewImpl() {
    // A copy, so that a screen's Destroy may change the stack without harm to the walk.
    for (const std::shared_ptr<ViewController>& entry : GetViewList()) {
        if (entry)
            entry->Destroy();
    }
}

// Lifecycle fan-out: only the top screen hears of it.

void ViewManager::TimeTicView() {
    RETURN_IF(mViewList.size() < 1);
    std::shared_ptr<ViewController> viewControllerPtr = mViewList.back();
    if (viewControllerPtr)
        viewControllerPtr->TimeTick();
}

void ViewManager::PauseView() {
    RETURN_IF(mViewList.size() < 1);
    std::shared_ptr<ViewController> viewControllerPtr = mViewList.back();
    if (viewControllerPtr)
        viewControllerPtr->Pause();
}

void ViewManager::ResumeView(bool appControlReceived) {
    RETURN_IF(mViewList.size() < 1);
    std::shared_ptr<ViewController> viewControllerPtr = mViewList.back();
    if (viewControllerPtr)
        viewControllerPtr->Resume(appControlReceived);
}

void ViewManager::UpdatedViewByPop() {
    RETURN_IF(mViewList.size() < 1);
    std::shared_ptr<ViewController> viewControllerPtr = mViewList.back();
    if (viewControllerPtr)
        viewControllerPtr->UpdatedByPop();
}

// Naviframe callbacks.

void ViewManager::TransitionFinishedCb(void* data, Evas_Object*, void*) {
    ViewManager* pThis = static_cast<ViewManager*>(data);
    RETURN_IF(pThis == NULL);
    CLOCK_LOG("TransitionFinishedCb");
    mIsTransiting = false;
    RETURN_IF(pThis->mViewList.size() < 1);
    std::shared_ptr<ViewController> viewControllerPtr = pThis->mViewList.back();
    if (viewControllerPtr)
        viewControllerPtr->TransitionFinished();
}

void ViewManager::ViewPopCb(void* data, Evas_Object* obj, void*) {
    ViewManager* pThis = static_cast<ViewManager*>(data);
    RETURN_IF(pThis == NULL);
    RETURN_IF(pThis->mViewList.size() < 1);
    // Held until the end, so that a popped screen dies only after the uncovered one has
    // been told.
    std::shared_ptr<ViewController> viewControllerPtr = pThis->mViewList.back();
    RETURN_IF(!viewControllerPtr);
    RETURN_IF(ViewManager::mIsTransiting == true);
    CLOCK_LOG("ViewPopCb, Back called");

    if (pThis->mViewList.size() == 1) {
        if (viewControllerPtr->Pop()) {
            CLOCK_LOG("elm_win_lower");
            Evas_Object* window = ViewBasicElements::GetWindow();
            if (window)
                elm_win_lower(window);
            pThis->PauseView();
        }
    } else if (viewControllerPtr->Pop()) {
        if (obj)
            elm_naviframe_item_pop(obj);
        // The screen's Pop may itself have changed the stack.
        if (!pThis->mViewList.empty() && pThis->mViewList.back() == viewControllerPtr)
            pThis->mViewList.pop_back();
        pThis->UpdatedViewByPop();
    }
    mIsTransiting = false;
}

void ViewManager::ViewMoreCb(void*, Evas_Object* obj, void*) {
    if (!obj)
        return;
    Elm_Object_Item* topItem = elm_naviframe_top_item_get(obj);
    if (!topItem)
        return;
    Evas_Object* moreButton = elm_object_item_part_content_get(topItem, MORE_BUTTON_PART);
    if (!moreButton)
        return;
    evas_object_smart_callback_call(moreButton, "clicked", NULL);
}

} // namespace NSClockEditor
