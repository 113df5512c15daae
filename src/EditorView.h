// The colour style editor screen: the five colour previews in a vertically paged
// scroller stepped by the bezel, the opening zoom, the OK flow that stores the band,
// tells the companion service, answers the caller and hands over to the idle clock,
// the notice for a band changed elsewhere, and the first-use tutorial overlay.
#pragma once

#include <Elementary.h>
#include <app_control.h>
#include <efl_extension.h>
#include <vconf.h>

#include <memory>
#include <string>

#include "TimerEventListener.h"
#include "TimerUtil.h"
#include "View.h"
#include "dalvexa_palette.h"

namespace NSClockEditor {

class EditorViewData;

class EditorView : public View, public NSClockCommon::TimerEventListener {
  public:
    EditorView();
    ~EditorView() override;

    Evas_Object* GetBaseLayout() override;
    Evas_Object* Create(Evas_Object* parent, std::shared_ptr<ViewData> viewDataPtr) override;
    void Resume(bool appControlReceived) override;
    // The editor never stays in the background: a pause ends the application.
    void Pause() override;
    // Answers a still pending launch request with "watch_editor_save" = "false" and
    // cancels everything that could call back into the view.
    void Destroy() override;
    void UpdatedByPop() override;
    bool Pop() override;
    void TimeTick() override;
    void TransitionFinished() override;
    // The exit timer after a colour change made elsewhere.
    bool OnTimerEvent() override;

    // Borrowed, never destroyed by the view. Non-null means an answer is owed to the
    // application's current launch request.
    void SetCallerAppControl(app_control_h appControl);
    // Takes effect when called before the opening zoom ends.
    void SetShowTutorial(bool showTutorial);
    // Brings the page of the current band into view.
    void ShowColorPage();

    int GetColorBand() const { return mColorBand; }

    // The colour-band preference key of the watch face.
    static const std::string& ColorBandKey();

  private:
    static Eina_Bool ViewStartAnimator(void* data);
    static Eina_Bool ViewStartAnimatorIdler(void* data);
    // Builds one colour page, hidden, per call while the opening zoom runs.
    static Eina_Bool PreparePageIdler(void* data);
    static void ViewStartTransitDelCb(void* data, Elm_Transit* transit);
    static Eina_Bool OnRotaryEventCB(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info);
    static void OnLayoutResizeCB(void* data, Evas* e, Evas_Object* obj, void* eventInfo);
    static void OnLayoutMoveCB(void* data, Evas* e, Evas_Object* obj, void* eventInfo);
    static void OnLayoutKeyDownCB(void* data, Evas* e, Evas_Object* obj, void* eventInfo);
    static void SColorBandChangeCB(const char* key, void* data);
    static void SButtonOkClickedCB(void* data, Evas_Object* obj, void* eventInfo);
    static void MainViewEditTutorialClicked(void* data, Evas_Object* obj, const char* emission,
                                            const char* source);
    static Eina_Bool OKButtonClickedIdler(void* data);
    static void OKButtonClickTransitDelCb(void* data, Elm_Transit* transit);
    static void ReplyCB(app_control_h request, app_control_h reply, app_control_result_e result,
                        void* data);
    static Eina_Bool LaunchIdleClockCheckVConfTimerCB(void* data);
    static void IdleClockShowChangedCB(keynode_t* node, void* data);
    static void ObjectDeletedCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo);
    static void OnLanguageChangedCB(void* data, Evas_Object* obj, void* eventInfo);
    static Eina_Bool OnAccessBridgeChangedCB(void* data, int type, void* event);

    Evas_Object* CreatePageScroller(Evas_Object* parent);
    void CreateColorPages();
    // The page of band, with its preview, not shown; null when its layout cannot be built.
    Evas_Object* CreateColorPage(int band);
    std::string GetPreviewImagePath(int colorBand);
    void ShowTutorial(const std::string& edjPath);
    void SendXMLToMobile();
    void LaunchIdleClock();
    // Gives the pages and the OK button their spoken names in the display language; with
    // `announce`, a screen reader reads the current page and the button anew.
    void NameColorPages(bool announce);
    void RemoveColorBandChangeCB();
    void StopWatchingIdleClockShow();
    // Answers request with "watch_editor_tutorial" ("false" once the tutorial was
    // dismissed) and "watch_editor_save" = saved; sends nothing when the latter cannot be
    // added.
    static void AnswerCaller(app_control_h reply, app_control_h request, const char* saved);
    // False (with one log line) for no request, or one started by hand.
    static bool ExpectsReply(app_control_h request);
    // The launch request to answer: the application's current one.
    app_control_h CallerRequest() const;
    // Keeps *slot pointing at obj until obj is deleted.
    void Track(Evas_Object** slot, Evas_Object* obj);
    void Untrack(Evas_Object** slot);
    // Cancels every animator, idler, transit, timer, watch and object callback that
    // refers to the view, and forgets its widgets.
    void Detach();

    Evas_Object* mLayout;
    Evas_Object* mPageLayout;
    Evas_Object* mTutorialLayout;
    Evas_Object* mTutorialContentLayout;
    Evas_Object* mAnimationImage;
    Evas_Object* mOkButton;
    Evas_Object* mScroller;
    Evas_Object* mPageBox;
    Evas_Object* mIndex;
    Ecore_Animator* mStartAnimator;
    Ecore_Timer* mIdleClockCheckTimer;
    Ecore_Idler* mOkButtonIdler;
    Ecore_Idler* mStartAnimatorIdler;
    app_control_h mLaunchAppControl;
    int mColorBand;
    bool mShowTutorial;
    std::shared_ptr<EditorViewData> mEditorViewDataPtr;
    app_control_h mXMLAppControl;
    Evas_Object* mCircleScroller;
    bool mIsOkClicked;
    NSClockCommon::TimerUtil mExitTimer;

    // Pending transits whose end callbacks reach the view.
    Elm_Transit* mStartTransit;
    Elm_Transit* mOkButtonTransit;
    bool mPagesShown;
    bool mTutorialShown;
    bool mRotaryRegistered;
    bool mColorBandChangeRegistered;
    bool mIdleClockShowWatched;
    bool mDetached;
    // Where the layout's corner was last seen on the canvas.
    int mOriginX;
    int mOriginY;
    // Pages built while the opening zoom runs, not yet packed (one per band).
    Evas_Object* mPreparedPages[DALVEXA_BAND_COUNT];
    int mPagesPrepared;
    Ecore_Idler* mPagePrepareIdler;
    // Names this view in the companion service's reply, which cannot be cancelled.
    unsigned mReplyToken;
    // The colour pages, by band, for their spoken names; the handler that reads the
    // current one out when a screen reader comes.
    Evas_Object* mPages[DALVEXA_BAND_COUNT] = {};
    Ecore_Event_Handler* mAccessBridgeHandler = nullptr;

    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;
};

} // namespace NSClockEditor
