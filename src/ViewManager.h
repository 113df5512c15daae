// The stack of screens over the scaffold's naviframe. A stack change requested while a
// naviframe transition runs is deferred to an Ecore animator and run one frame after the
// transition has ended; at most one request waits, a newer one replaces it.
#pragma once

#include <Ecore.h>
#include <Elementary.h>

#include <list>
#include <memory>

#include "ViewController.h"
#include "ViewType.h"

namespace NSClockEditor {

class ViewManager;

// One deferred request, owned by its animator.
struct ViewManagerAnimatorData {
    std::shared_ptr<ViewController> viewControllerPtr;
    int viewType = 0;
    int insertIndex = 0;
    bool titleEnabled = false;
    bool titleTransition = false;
    ViewManager* viewManager = nullptr;
};

class ViewManager {
  public:
    ViewManager();
    virtual ~ViewManager();

    // Takes the scaffold's naviframe and registers the back key, more key and
    // transition-end callbacks on it.
    void Initialize();

    void PushView(std::shared_ptr<ViewController> viewControllerPtr, ViewType viewType,
                  bool titleEnabled, bool titleTransition);
    // Below the entry at depth insertIndex (0 is the top), or on top when there is none.
    void InsertView(std::shared_ptr<ViewController> viewControllerPtr, ViewType viewType,
                    int insertIndex, bool titleEnabled, bool titleTransition);
    void PopView();
    void PopToView(ViewType viewType);
    void DeleteView(ViewType viewType);
    void DeleteAllViewExceptSpecificView(ViewType viewType);
    void DeleteToSpecificView(ViewType viewType);
    bool CheckExistOrNot(ViewType viewType);
    // Copies of the stack's entries, bottom first.
    std::list<std::shared_ptr<ViewController>> GetViewList();

    // Lifecycle fan-out to the top screen.
    void TimeTicView();
    void PauseView();
    void ResumeView(bool appControlReceived);
    void UpdatedViewByPop();
    // Destroy on every screen, bottom to top, after the running transition if any.
    void TerminateView();

    // Whether a transition started by a push or a pop-to is expected to be running.
    static bool IsTransiting() { return mIsTransiting; }
    // Whether a deferred request waits for its frame.
    static bool HasPendingRequest() { return mAnimator != nullptr; }

    static void ViewPopCb(void* data, Evas_Object* obj, void* eventInfo);
    static void ViewMoreCb(void* data, Evas_Object* obj, void* eventInfo);
    static void TransitionFinishedCb(void* data, Evas_Object* obj, void* eventInfo);

  private:
    void PushViewImpl(std::shared_ptr<ViewController> viewControllerPtr, ViewType viewType,
                      bool titleEnabled, bool titleTransition);
    void InsertViewImpl(std::shared_ptr<ViewController> viewControllerPtr, ViewType viewType,
                        int insertIndex, bool titleEnabled, bool titleTransition);
    void PopViewImpl();
    void PopToViewImpl(ViewType viewType);
    void DeleteViewImpl(ViewType viewType);
    void DeleteAllViewExceptSpecificViewImpl(ViewType viewType);
    void DeleteToSpecificViewImpl(ViewType viewType);
    void TerminateViewImpl();

    static Eina_Bool PushViewAnimator(void* data);
    static Eina_Bool InsertViewAnimator(void* data);
    static Eina_Bool PopViewAnimator(void* data);
    static Eina_Bool PopToViewAnimator(void* data);
    static Eina_Bool DeleteViewAnimator(void* data);
    static Eina_Bool DeleteAllViewExceptSpecificViewAnimator(void* data);
    static Eina_Bool DeleteToSpecificViewAnimator(void* data);
    static Eina_Bool TerminateViewAnimator(void* data);

    // Makes the record the pending request, dropping the one that waited.
    static void ScheduleRequest(Ecore_Task_Cb runner, ViewManagerAnimatorData* request);
    // Runner step 3: true while the request still waits its one frame.
    static bool WaitOneMoreFrame();
    // Runner step 5, done before the request runs so that a request made by the run
    // itself becomes the new pending one.
    static ViewManagerAnimatorData* TakeRequest(void* data);
    // Removes every entry that has data and whose type equals viewType (removeMatching)
    // or differs from it (!removeMatching), deleting its naviframe item.
    void RemoveEntries(ViewType viewType, bool removeMatching);

    static void NaviframeDeletedCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo);

    Evas_Object* mNaviframe;

    static std::list<std::shared_ptr<ViewController>> mViewList;
    static bool mIsTransiting;
    static Ecore_Animator* mAnimator;
    static int mAnimatorFrameCount;
    // The record of the pending request, so that a dying view manager can disown it.
    static ViewManagerAnimatorData* mAnimatorData;

    ViewManager(const ViewManager&) = delete;
    ViewManager& operator=(const ViewManager&) = delete;
};

} // namespace NSClockEditor
