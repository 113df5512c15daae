#define LOG_TAG "CLOCK-DALVEXA-EDITOR"
#include "EditorView.h"
#include "AppPathUtil.h"
#include "ClockDefines.h"
#include "ClockLog.h"
#include "EditorAccessibility.h"
#include "EditorMain.h"
#include "EditorViewData.h"
#include "ElementaryHelper.h"
#include "PreferenceUtil.h"
#include "StringUtil.h"
#include "VconfUtil.h"
#include "dalvexa_palette.h"

#include <app.h>
#include <app_preference.h>
#include <libintl.h>

#include <cstdint>
#include <cstring>
#include <map>

namespace NSClockEditor {

using NSClockCommon::ElementaryHelper;
using NSClockCommon::PreferenceUtil;

namespace {

const char* const TEXT_DOMAIN = dalvexa::kTextDomain;
const char* const COMPANION_SERVICE_APP_ID = dalvexa::kServiceAppId;
const char* const IDLE_CLOCK_SHOW_KEY = WATCH_VCONF_KEY_IDLE_CLOCK_SHOW;
const char* const CLOCKS_SET_IDLE_KEY = WATCH_VCONF_KEY_CLOCKS_SET_IDLE;
const char* const TUTORIAL_DONE_KEY = dalvexa::kTutorialDoneKey;

const int SCREEN_SIZE = 360;
const int PREVIEW_SIZE = 270;
const int START_PREVIEW_SIZE = 220;
// The bands of the palette; the page index is the band.
const int COLOR_BAND_MIN = 0;
const int COLOR_BAND_MAX = DALVEXA_BAND_COUNT - 1;
const double IDLE_CLOCK_CHECK_PERIOD = 3.0;
const float EXIT_TIMER_INTERVAL = 3.0f;
const double NOTICE_TIMEOUT = 10.0;
// How far the OK button slides down and out when OK is pressed.
const int OK_SLIDE_DISTANCE = 370;

const std::string COLOR_BAND_KEY = dalvexa::kColorBandKey;

// Views that can still take the companion service's reply, by token. The reply cannot be
// cancelled, so it names its view by a token that dies with the view. Never destroyed, so
// that views released during static destruction can still leave it.
std::map<unsigned, EditorView*>& LiveViews() {
    static std::map<unsigned, EditorView*>* views = new std::map<unsigned, EditorView*>();
    return *views;
}

unsigned NextReplyToken() {
    static unsigned next = 0;
    return ++next;
}

void* TokenData(unsigned token) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(token));
}

EditorView* ViewOfToken(void* data) {
    auto& views = LiveViews();
    auto it = views.find(static_cast<unsigned>(reinterpret_cast<uintptr_t>(data)));
    return it == views.end() ? nullptr : it->second;
}

// The notice of a change made elsewhere, in the current language: the template with the
// phone application's name in it.
void SetNoticeText(Evas_Object* popup) {
    std::string text = dgettext(TEXT_DOMAIN, "WDS_CLOCK_TPOP_NEW_SETTING_APPLIED_VIA_PS_APP_ABB");
    std::string strCsc = NSClockCommon::VconfUtil::GetCSCCountryIso();
    CLOCK_LOG("str_csc : %s", strCsc.c_str());
    const char* appName = strCsc == "JP" ? dgettext(TEXT_DOMAIN, "WDS_STU_BODY_VOSK_MANAGER_JPN")
                                         : dgettext(TEXT_DOMAIN, "WDS_STU_BODY_KORVANE_VOSK");
    text = NSClockCommon::StringUtil::ReplaceFirst(text, "%s", appName);
    elm_object_part_text_set(popup, "elm.text", text.c_str());
}

// The notice deletes itself when its time is up; it never calls back into the view.
void NoticeTimeoutCb(void* /*data*/, Evas_Object* obj, void* /*eventInfo*/) {
    evas_object_del(obj);
}

} // namespace

const std::string& EditorView::ColorBandKey() {
    return COLOR_BAND_KEY;
}

EditorView::EditorView()
    : mLayout(nullptr), mPageLayout(nullptr), mTutorialLayout(nullptr),
      mTutorialContentLayout(nullptr), mAnimationImage(nullptr), mOkButton(nullptr),
      mScroller(nullptr), mPageBox(nullptr), mIndex(nullptr), mStartAnimator(nullptr),
      mIdleClockCheckTimer(nullptr), mOkButtonIdler(nullptr), mStartAnimatorIdler(nullptr),
      mLaunchAppControl(nullptr), mColorBand(0), mShowTutorial(false), mXMLAppControl(nullptr),
      mCircleScroller(nullptr), mIsOkClicked(false), mStartTransit(nullptr),
      mOkButtonTransit(nullptr), mPagesShown(false), mTutorialShown(false),
      mRotaryRegistered(false), mColorBandChangeRegistered(false), mIdleClockShowWatched(false),
      mDetached(false), mOriginX(0), mOriginY(0), mPreparedPages(), mPagesPrepared(0),
      mPagePrepareIdler(nullptr), mReplyToken(NextReplyToken()) {
    LiveViews()[mReplyToken] = this;
}

EditorView::~EditorView() {
    LiveViews().erase(mReplyToken);
    Detach();
    if (mXMLAppControl != NULL) {
        app_control_destroy(mXMLAppControl);
        mXMLAppControl = NULL;
    }
    // mLaunchAppControl is the application's; mExitTimer deletes its own timer.
    mEditorViewDataPtr.reset();
}

Evas_Object* EditorView::GetBaseLayout() {
    return mBaseLayout;
}

Evas_Object* EditorView::Create(Evas_Object* parent, std::shared_ptr<ViewData> viewDataPtr) {
    ElementaryHelper helper;
    RETURN_VALUE_IF(parent == NULL, NULL);
    RETURN_VALUE_IF(!viewDataPtr, NULL);

    mViewDataPtr = viewDataPtr;
    mEditorViewDataPtr = std::dynamic_pointer_cast<EditorViewData>(viewDataPtr);

    std::string mainViewEdjPath;
    if (mEditorViewDataPtr)
        mainViewEdjPath = mEditorViewDataPtr->GetEditorViewEDJPath();
    do {
        BREAK_IF(mainViewEdjPath.length() < 1);
        Track(&mLayout,
              helper.CreateExpandLayout(parent, mainViewEdjPath.c_str(), "MainViewLayout"));
        BREAK_IF(mLayout == NULL);
        evas_object_show(mLayout);

        Track(&mPageLayout,
              helper.CreateExpandLayout(mLayout, mainViewEdjPath.c_str(), "PageLayout"));
        evas_object_show(mPageLayout);

        Track(&mScroller, CreatePageScroller(mPageLayout));
        if (mScroller != NULL) {
            Track(&mPageBox, helper.CreateBox(mScroller, false));
            EditorAccessibility::KeepInTree(mPageBox);
            elm_object_content_set(mScroller, mPageBox);
        }
        elm_object_part_content_set(mPageLayout, "part_page", mScroller);
        elm_object_part_content_set(mLayout, "part_scroller", mPageLayout);

        edje_object_signal_emit(elm_layout_edje_get(mLayout), "tutorial,layout,hide", "*");
        evas_object_event_callback_add(mLayout, EVAS_CALLBACK_RESIZE, OnLayoutResizeCB, this);
        evas_object_event_callback_add(mLayout, EVAS_CALLBACK_MOVE, OnLayoutMoveCB, this);
        mStartAnimator = ecore_animator_add(ViewStartAnimator, this);

        mBaseLayout = mLayout;
        mParent = parent;
    } while (0);

    if (mLayout != NULL && mBaseLayout == NULL) {
        Evas_Object* layout = mLayout;
        Untrack(&mLayout);
        evas_object_del(layout);
    }

    PreferenceUtil::AddWatchColorBandChageCB(COLOR_BAND_KEY, SColorBandChangeCB, this);
    mColorBandChangeRegistered = true;
    return mLayout;
}

Evas_Object* EditorView::CreatePageScroller(Evas_Object* parent) {
    ElementaryHelper helper;
    Evas_Object* scroller = helper.CreateScroller(parent, SCREEN_SIZE, false);
    elm_scroller_single_direction_set(scroller, ELM_SCROLLER_SINGLE_DIRECTION_HARD);
    Eext_Circle_Surface* surface = mEditorViewDataPtr ? mEditorViewDataPtr->mCircleSurface : NULL;
    Track(&mCircleScroller, eext_circle_object_scroller_add(scroller, surface));
    eext_circle_object_scroller_policy_set(mCircleScroller, ELM_SCROLLER_POLICY_OFF,
                                           ELM_SCROLLER_POLICY_ON);
    return scroller;
}

Eina_Bool EditorView::ViewStartAnimator(void* data) {
    CLOCK_LOG("ViewStartAnimator");
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_VALUE_IF(pThis == NULL, ECORE_CALLBACK_CANCEL);
    CLOCK_LOG("ViewStartAnimator");

    bool existing = false;
    preference_is_existing(COLOR_BAND_KEY.c_str(), &existing);
    if (existing) {
        pThis->mColorBand = PreferenceUtil::GetWatchColorBand();
        if (pThis->mColorBand < COLOR_BAND_MIN || pThis->mColorBand > COLOR_BAND_MAX) {
            // Shown as blue; the stored value stays until OK stores the chosen band.
            CLOCK_LOG("stored ColorBand %d is out of range, showing 0", pThis->mColorBand);
            pThis->mColorBand = COLOR_BAND_MIN;
        }
    } else {
        PreferenceUtil::SetWatchColorBand(pThis->mColorBand);
        // The store watches existing keys only, so the watch asked for by Create failed:
        // ask again now that the band is stored. A watch hears only the changes made after
        // it was set, so this first write is not reported and every later one is real.
        PreferenceUtil::AddWatchColorBandChageCB(COLOR_BAND_KEY, SColorBandChangeCB, pThis);
    }
    CLOCK_LOG("ColorBand: %d", pThis->mColorBand);

    Evas_Object* canvasOwner = pThis->mPageLayout ? pThis->mPageLayout : pThis->mLayout;
    Evas_Object* image = evas_object_image_filled_add(evas_object_evas_get(canvasOwner));
    if (image != NULL) {
        evas_object_image_size_set(image, PREVIEW_SIZE, PREVIEW_SIZE);
        evas_object_image_file_set(image, pThis->GetPreviewImagePath(pThis->mColorBand).c_str(),
                                   NULL);
        // Decodes the preview in the background until the zoom starts, not in its first frame.
        evas_object_image_preload(image, EINA_FALSE);
        evas_object_resize(image, START_PREVIEW_SIZE, START_PREVIEW_SIZE);
        evas_object_move(image, pThis->mOriginX + 70, pThis->mOriginY + 70);
        evas_object_show(image);
    }
    pThis->Track(&pThis->mAnimationImage, image);

    if (pThis->mStartAnimatorIdler != NULL)
        ecore_idler_del(pThis->mStartAnimatorIdler);
    pThis->mStartAnimatorIdler = ecore_idler_add(ViewStartAnimatorIdler, pThis);

    pThis->mStartAnimator = NULL;
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool EditorView::ViewStartAnimatorIdler(void* data) {
    CLOCK_LOG("ViewStartAnimatorIdler");
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_VALUE_IF(pThis == NULL, ECORE_CALLBACK_CANCEL);
    pThis->mStartAnimatorIdler = NULL;

    static const float duration = 0.2f;
    static double factors[4] = {0.39, 0.57, 0.56, 1.0};

    if (pThis->mAnimationImage == NULL) {
        // Nothing to zoom: show the pages straight away.
        ViewStartTransitDelCb(pThis, NULL);
        return ECORE_CALLBACK_CANCEL;
    }
    Elm_Transit* transit = elm_transit_add();
    elm_transit_object_add(transit, pThis->mAnimationImage);
    elm_transit_duration_set(transit, duration);
    elm_transit_effect_resizing_add(transit, START_PREVIEW_SIZE, START_PREVIEW_SIZE, PREVIEW_SIZE,
                                    PREVIEW_SIZE);
    elm_transit_effect_translation_add(transit, 0, 0, -25, -25);
    elm_transit_tween_mode_set(transit, ELM_TRANSIT_TWEEN_MODE_BEZIER_CURVE);
    elm_transit_tween_mode_factor_n_set(transit, 4, factors);
    elm_transit_objects_final_state_keep_set(transit, EINA_FALSE);
    elm_transit_del_cb_set(transit, ViewStartTransitDelCb, pThis);
    pThis->mStartTransit = transit;
    elm_transit_go(transit);
    // The pages are built between the zoom's frames and shown when it ends.
    if (pThis->mPagePrepareIdler == NULL)
        pThis->mPagePrepareIdler = ecore_idler_add(PreparePageIdler, pThis);
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool EditorView::PreparePageIdler(void* data) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_VALUE_IF(pThis == NULL, ECORE_CALLBACK_CANCEL);
    if (pThis->mPagesPrepared < DALVEXA_BAND_COUNT && !pThis->mPagesShown) {
        const int band = COLOR_BAND_MIN + pThis->mPagesPrepared++;
        pThis->Track(&pThis->mPreparedPages[band], pThis->CreateColorPage(band));
        if (pThis->mPagesPrepared < DALVEXA_BAND_COUNT)
            return ECORE_CALLBACK_RENEW;
    }
    pThis->mPagePrepareIdler = NULL;
    return ECORE_CALLBACK_CANCEL;
}

void EditorView::ViewStartTransitDelCb(void* data, Elm_Transit* /*transit*/) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_IF(pThis == NULL);
    pThis->mStartTransit = NULL;
    RETURN_IF(pThis->mLayout == NULL);
    ElementaryHelper helper;
    std::string edjPath =
        pThis->mEditorViewDataPtr ? pThis->mEditorViewDataPtr->GetEditorViewEDJPath() : "";

    // Translatable: the toolkit sets it anew when the language changes.
    elm_object_domain_translatable_part_text_set(pThis->mLayout, "part_title", TEXT_DOMAIN,
                                                 "WDS_CLOCK_MBODY_COLOR");

    Evas_Object* index = elm_index_add(pThis->mLayout);
    pThis->Track(&pThis->mIndex, index);
    elm_object_style_set(index, "thumbnail");
    evas_object_size_hint_weight_set(index, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_size_hint_align_set(index, EVAS_HINT_FILL, EVAS_HINT_FILL);
    elm_index_horizontal_set(index, EINA_TRUE);
    elm_index_autohide_disabled_set(index, EINA_TRUE);
    elm_object_part_content_set(pThis->mLayout, "controller", index);
    Elm_Object_Item* indexItem = elm_index_item_append(index, NULL, NULL, NULL);
    elm_index_item_selected_set(indexItem, EINA_TRUE);
    elm_index_level_go(index, 0);

    if (pThis->mPageLayout != NULL) {
        // Keeps touches off the pages: the bezel alone changes the band.
        Evas_Object* blocker = evas_object_rectangle_add(evas_object_evas_get(pThis->mPageLayout));
        evas_object_size_hint_min_set(blocker, SCREEN_SIZE, SCREEN_SIZE);
        evas_object_propagate_events_set(blocker, EINA_FALSE);
        evas_object_color_set(blocker, 0, 0, 0, 0);
        elm_object_part_content_set(pThis->mPageLayout, "part_page_event_off", blocker);

        Evas_Object* selectLayout =
            helper.CreateExpandLayout(pThis->mPageLayout, edjPath.c_str(), "EditSelectLayout");
        if (selectLayout != NULL) {
            evas_object_show(selectLayout);
            elm_object_signal_emit(selectLayout, "focus,anim,start", "");
            elm_object_part_content_set(pThis->mPageLayout, "part_edit_select", selectLayout);
        }
    }

    if (pThis->mShowTutorial) {
        pThis->ShowTutorial(edjPath);
    } else {
        edje_object_signal_emit(elm_layout_edje_get(pThis->mLayout), "tutorial,layout,hide", "*");
        eext_rotary_object_event_activated_set(pThis->mCircleScroller, EINA_TRUE);
    }

    pThis->CreateColorPages();

    if (pThis->mAnimationImage != NULL) {
        Evas_Object* image = pThis->mAnimationImage;
        pThis->Untrack(&pThis->mAnimationImage);
        evas_object_del(image);
    }

    if (eext_rotary_object_event_callback_priority_add(
            pThis->mLayout, EEXT_CALLBACK_PRIORITY_BEFORE, OnRotaryEventCB, pThis) != EINA_TRUE) {
        CLOCK_LOG("[Failed] register eext_rotary_event_callback_set");
    } else {
        pThis->mRotaryRegistered = true;
    }

    Evas_Object* button = helper.CreateBottomButton(pThis->mLayout);
    pThis->Track(&pThis->mOkButton, button);
    evas_object_smart_callback_add(button, "clicked", SButtonOkClickedCB, pThis);
    elm_layout_content_set(pThis->mLayout, "part_button_bottom", button);
    edje_object_signal_emit(elm_layout_edje_get(pThis->mLayout), "button,show", "*");
    elm_object_signal_emit(pThis->mLayout, "show,label,bg", "");
    // Starts the button's slide now, so that it shows in the same frame as the pages.
    edje_object_message_signal_process(elm_layout_edje_get(pThis->mLayout));

    // Return presses OK: an exclusive grab, so it works whatever has the focus.
    for (const char* key : {"Return", "KP_Enter"}) {
        if (!evas_object_key_grab(pThis->mLayout, key, 0, 0, EINA_TRUE))
            CLOCK_LOG("evas_object_key_grab(%s) failed", key);
    }
    evas_object_event_callback_add(pThis->mLayout, EVAS_CALLBACK_KEY_DOWN, OnLayoutKeyDownCB,
                                   pThis);
    pThis->mPagesShown = true;

    // Spoken names follow the language, and are read out when a screen reader comes.
    evas_object_smart_callback_add(pThis->mLayout, "language,changed", OnLanguageChangedCB, pThis);
    pThis->mAccessBridgeHandler = ecore_event_handler_add(ELM_EVENT_ATSPI_BRIDGE_STATE_CHANGED,
                                                          OnAccessBridgeChangedCB, pThis);
    pThis->NameColorPages(false);
    EditorAccessibility::FocusPage(pThis->mPages, DALVEXA_BAND_COUNT, pThis->mColorBand);
    pThis->ShowColorPage(); // focusing scrolled the page into view its own way
}

void EditorView::NameColorPages(bool announce) {
    using namespace EditorAccessibility;
    const int count = sizeof(mPages) / sizeof(mPages[0]);
    NameWindow(mLayout, "WDS_CLOCK_MBODY_COLOR");
    for (int band = 0; band < count; ++band)
        SetName(mPages[band], ColorPageName(band, count), announce);
    SetName(mOkButton, ApplyButtonName(mColorBand), announce);
}

void EditorView::OnLanguageChangedCB(void* data, Evas_Object* /*obj*/, void* /*eventInfo*/) {
    static_cast<EditorView*>(data)->NameColorPages(true);
}

Eina_Bool EditorView::OnAccessBridgeChangedCB(void* data, int /*type*/, void* /*event*/) {
    static_cast<EditorView*>(data)->NameColorPages(true);
    return ECORE_CALLBACK_PASS_ON;
}

void EditorView::ShowTutorial(const std::string& edjPath) {
    ElementaryHelper helper;
    Track(&mTutorialLayout, helper.CreateExpandLayout(mLayout, edjPath.c_str(), "TutorialLayout"));
    evas_object_show(mTutorialLayout);
    Track(&mTutorialContentLayout,
          helper.CreateExpandLayout(mTutorialLayout, edjPath.c_str(), "TutorialContentLayout"));
    evas_object_show(mTutorialContentLayout);
    elm_object_domain_translatable_part_text_set(
        mTutorialContentLayout, "guide.text", TEXT_DOMAIN,
        "WDS_CLOCK_BODY_TAP_SCREEN_TO_CHANGE_STYLES_COLOURS_OR_COMPLICATIONS_ABB");
    elm_object_part_content_set(mTutorialLayout, "content.layout.swallow", mTutorialContentLayout);
    elm_object_part_content_set(mLayout, "tutorial.page", mTutorialLayout);
    if (mTutorialLayout != NULL)
        edje_object_signal_callback_add(elm_layout_edje_get(mTutorialLayout), "tutorial,clicked",
                                        "*", MainViewEditTutorialClicked, this);
    edje_object_signal_emit(elm_layout_edje_get(mLayout), "tutorial,layout,show", "*");
    eext_rotary_object_event_activated_set(mCircleScroller, EINA_FALSE);
    mTutorialShown = true;
}

void EditorView::MainViewEditTutorialClicked(void* data, Evas_Object* /*obj*/,
                                             const char* /*emission*/, const char* /*source*/) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_IF(pThis == NULL);
    edje_object_signal_emit(elm_layout_edje_get(pThis->mLayout), "tutorial,layout,hide", "*");
    eext_rotary_object_event_activated_set(pThis->mCircleScroller, EINA_TRUE);
    preference_set_boolean(TUTORIAL_DONE_KEY, true);
    pThis->mTutorialShown = false;
}

Evas_Object* EditorView::CreateColorPage(int band) {
    ElementaryHelper helper;
    std::string edjPath = mEditorViewDataPtr ? mEditorViewDataPtr->GetEditorViewEDJPath() : "";
    // Made a child of the box it goes into, so that it has its place in the accessible tree.
    Evas_Object* page = helper.CreateExpandLayout(mPageBox, edjPath.c_str(), "Page");
    if (page == NULL)
        return NULL;
    Evas_Object* image = evas_object_image_filled_add(evas_object_evas_get(page));
    evas_object_image_size_set(image, PREVIEW_SIZE, PREVIEW_SIZE);
    evas_object_image_file_set(image, GetPreviewImagePath(band).c_str(), NULL);
    evas_object_show(image);
    elm_layout_content_set(page, "elm.icon", image);
    return page;
}

void EditorView::CreateColorPages() {
    if (mPagePrepareIdler != NULL) {
        ecore_idler_del(mPagePrepareIdler);
        mPagePrepareIdler = NULL;
    }
    for (int band = COLOR_BAND_MIN; band <= COLOR_BAND_MAX; ++band) {
        Evas_Object* page = mPreparedPages[band];
        Untrack(&mPreparedPages[band]);
        if (page == NULL)
            page = CreateColorPage(band);
        if (page == NULL)
            continue;
        evas_object_show(page);
        elm_box_pack_end(mPageBox, page);
        Track(&mPages[band], page);
    }
    // The scroller can go to a page only once it knows the size of its new content: lay
    // the pages out now, so that the first frame already shows the band's page.
    if (mScroller != NULL)
        evas_smart_objects_calculate(evas_object_evas_get(mScroller));
    ShowColorPage();
}

std::string EditorView::GetPreviewImagePath(int colorBand) {
    std::string path = AppPathUtil::GetSharedResourcePath();
    if (colorBand >= COLOR_BAND_MIN && colorBand <= COLOR_BAND_MAX)
        path += dalvexa_band_get(colorBand)->preview;
    return path;
}

void EditorView::ShowColorPage() {
    if (mScroller == NULL) {
        CLOCK_LOG("mScroller is NULL");
        return;
    }
    elm_scroller_page_show(mScroller, 0, mColorBand);
}

void EditorView::OnLayoutResizeCB(void* data, Evas* /*e*/, Evas_Object* /*obj*/,
                                  void* /*eventInfo*/) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_IF(pThis == NULL);
    pThis->ShowColorPage();
}

// The zoom image and the detached OK button lie on the canvas outside the layout, placed
// from its corner: when the window manager moves the screen (a window bigger than the
// screen keeps it centred), they go with it.
void EditorView::OnLayoutMoveCB(void* data, Evas* /*e*/, Evas_Object* obj, void* /*eventInfo*/) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_IF(pThis == NULL);
    int x = 0, y = 0;
    evas_object_geometry_get(obj, &x, &y, NULL, NULL);
    const int dx = x - pThis->mOriginX, dy = y - pThis->mOriginY;
    pThis->mOriginX = x;
    pThis->mOriginY = y;
    Evas_Object* floating[] = {pThis->mAnimationImage, NULL};
    if (pThis->mOkButton != NULL &&
        elm_object_part_content_get(obj, "part_button_bottom") != pThis->mOkButton)
        floating[1] = pThis->mOkButton;
    for (Evas_Object* o : floating) {
        if (o == NULL)
            continue;
        int ox = 0, oy = 0;
        evas_object_geometry_get(o, &ox, &oy, NULL, NULL);
        evas_object_move(o, ox + dx, oy + dy);
    }
}

Eina_Bool EditorView::OnRotaryEventCB(void* data, Evas_Object* /*obj*/,
                                      Eext_Rotary_Event_Info* info) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_VALUE_IF(pThis == NULL, EINA_FALSE);
    RETURN_VALUE_IF(info == NULL, EINA_FALSE);
    // The band is applied: it no longer follows the bezel.
    if (pThis->mIsOkClicked)
        return EINA_FALSE;

    const int band = pThis->mColorBand;
    if (info->direction == EEXT_ROTARY_DIRECTION_CLOCKWISE) {
        if (pThis->mColorBand <= COLOR_BAND_MAX - 1) {
            pThis->mColorBand++;
            pThis->ShowColorPage();
        }
    } else {
        if (pThis->mColorBand >= COLOR_BAND_MIN + 1) {
            pThis->mColorBand--;
            pThis->ShowColorPage();
        }
    }
    // At a clamp nothing moved, and nothing new is said.
    if (pThis->mColorBand != band) {
        pThis->NameColorPages(true);
        EditorAccessibility::FocusPage(pThis->mPages, DALVEXA_BAND_COUNT, pThis->mColorBand);
        pThis->ShowColorPage(); // focusing scrolled the page into view its own way
    }
    return EINA_FALSE;
}

void EditorView::OnLayoutKeyDownCB(void* data, Evas* /*e*/, Evas_Object* /*obj*/, void* eventInfo) {
    EditorView* pThis = static_cast<EditorView*>(data);
    Evas_Event_Key_Down* event = static_cast<Evas_Event_Key_Down*>(eventInfo);
    RETURN_IF(pThis == NULL);
    if (event == NULL || event->key == NULL)
        return;
    if (strcmp(event->key, "Return") != 0 && strcmp(event->key, "KP_Enter") != 0)
        return;
    // Once the pages are shown and the tutorial is out of the way, and only once.
    if (!pThis->mPagesShown || pThis->mTutorialShown || pThis->mIsOkClicked ||
        pThis->mOkButton == NULL)
        return;
    CLOCK_LOG("%s pressed: OK", event->key);
    evas_object_smart_callback_call(pThis->mOkButton, "clicked", NULL);
}

void EditorView::Resume(bool appControlReceived) {
    CLOCK_LOG("Resume");
    RETURN_IF(!mViewDataPtr);
    // A new launch request while the editor is up is owed an answer as well.
    if (appControlReceived && CallerRequest() != NULL)
        mLaunchAppControl = CallerRequest();
}

void EditorView::Pause() {
    CLOCK_LOG("OnAppPaused");
    if (mExitTimer.IsRunning())
        mExitTimer.Stop();
    RemoveColorBandChangeCB();
    ui_app_exit();
}

bool EditorView::OnTimerEvent() {
    RemoveColorBandChangeCB();
    ui_app_exit();
    return false;
}

void EditorView::UpdatedByPop() {
    CLOCK_LOG("UpdatedByPop");
}

bool EditorView::Pop() {
    CLOCK_LOG("Pop");
    return true;
}

void EditorView::TimeTick() {}

void EditorView::TransitionFinished() {
    CLOCK_LOG("TransitionFinished");
}

void EditorView::SetCallerAppControl(app_control_h appControl) {
    mLaunchAppControl = appControl;
}

void EditorView::SetShowTutorial(bool showTutorial) {
    mShowTutorial = showTutorial;
}

void EditorView::RemoveColorBandChangeCB() {
    if (!mColorBandChangeRegistered)
        return;
    PreferenceUtil::RemoveWatchColorBandChageCB(COLOR_BAND_KEY);
    mColorBandChangeRegistered = false;
}

bool EditorView::ExpectsReply(app_control_h request) {
    bool requested = false;
    if (request != NULL)
        app_control_is_reply_requested(request, &requested);
    if (!requested)
        CLOCK_LOG("the launch request expects no reply");
    return requested;
}

app_control_h EditorView::CallerRequest() const {
    AppMain* appMain = AppMain::GetInstance();
    return appMain ? appMain->GetCallerAppControl() : NULL;
}

// ---- Apply flow ----

void EditorView::SButtonOkClickedCB(void* data, Evas_Object* /*obj*/, void* /*eventInfo*/) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_IF(!pThis);
    pThis->mIsOkClicked = true;
    PreferenceUtil::SetWatchColorBand(pThis->mColorBand);
    pThis->SendXMLToMobile();
    if (pThis->mOkButtonIdler != NULL)
        ecore_idler_del(pThis->mOkButtonIdler);
    pThis->mOkButtonIdler = ecore_idler_add(OKButtonClickedIdler, pThis);
}

void EditorView::SendXMLToMobile() {
    CLOCK_LOG("SendXMLToMobile");
    RETURN_IF(mXMLAppControl != NULL);
    do {
        if (app_control_create(&mXMLAppControl) != APP_CONTROL_ERROR_NONE) {
            CLOCK_LOG("app_control_create failed");
            break;
        }
        if (app_control_set_app_id(mXMLAppControl, COMPANION_SERVICE_APP_ID) !=
            APP_CONTROL_ERROR_NONE) {
            CLOCK_LOG("app_control_set_app_id failed");
            break;
        }
        if (app_control_set_operation(mXMLAppControl, APP_CONTROL_OPERATION_SETTINGS) !=
            APP_CONTROL_ERROR_NONE) {
            CLOCK_LOG("app_control_set_operation failed");
            break;
        }
        if (app_control_send_launch_request(mXMLAppControl, ReplyCB, TokenData(mReplyToken)) !=
            APP_CONTROL_ERROR_NONE)
            CLOCK_LOG("app_control_send_launch_request failed");
    } while (0);
    if (mXMLAppControl != NULL) {
        app_control_destroy(mXMLAppControl);
        mXMLAppControl = NULL;
    }
}

Eina_Bool EditorView::OKButtonClickedIdler(void* data) {
    CLOCK_LOG("OKButtonClickedIdler");
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_VALUE_IF(pThis == NULL, ECORE_CALLBACK_CANCEL);
    pThis->mOkButtonIdler = NULL;
    RETURN_VALUE_IF(pThis->mLayout == NULL, ECORE_CALLBACK_CANCEL);

    static const float duration = 0.2f;
    static double factors[4] = {0.39, 0.57, 0.56, 1.0};

    elm_object_signal_emit(pThis->mLayout, "hide,label,bg", "");
    elm_object_signal_emit(pThis->mPageLayout, "hide,edit,select", "");

    // Detached from the layout, the button stays shown where it was and can slide away.
    Evas_Object* button = elm_object_part_content_unset(pThis->mLayout, "part_button_bottom");
    if (button != NULL)
        pThis->Track(&pThis->mOkButton, button);

    if (pThis->mAnimationImage != NULL) {
        Evas_Object* old = pThis->mAnimationImage;
        pThis->Untrack(&pThis->mAnimationImage);
        evas_object_del(old);
    }
    Evas_Object* image = evas_object_image_filled_add(evas_object_evas_get(pThis->mLayout));
    evas_object_image_size_set(image, PREVIEW_SIZE, PREVIEW_SIZE);
    evas_object_image_file_set(image, pThis->GetPreviewImagePath(pThis->mColorBand).c_str(), NULL);
    evas_object_resize(image, PREVIEW_SIZE, PREVIEW_SIZE);
    evas_object_move(image, pThis->mOriginX + 45, pThis->mOriginY + 45);
    evas_object_show(image);
    pThis->Track(&pThis->mAnimationImage, image);

    Elm_Transit* imageTransit = elm_transit_add();
    elm_transit_object_add(imageTransit, image);
    elm_transit_duration_set(imageTransit, duration);
    elm_transit_effect_resizing_add(imageTransit, PREVIEW_SIZE, PREVIEW_SIZE, SCREEN_SIZE,
                                    SCREEN_SIZE);
    elm_transit_effect_translation_add(imageTransit, 0, 0, -45, -45);
    elm_transit_tween_mode_set(imageTransit, ELM_TRANSIT_TWEEN_MODE_BEZIER_CURVE);
    elm_transit_tween_mode_factor_n_set(imageTransit, 4, factors);
    elm_transit_objects_final_state_keep_set(imageTransit, EINA_FALSE);

    Elm_Transit* buttonTransit = NULL;
    if (pThis->mOkButton != NULL) {
        buttonTransit = elm_transit_add();
        elm_transit_object_add(buttonTransit, pThis->mOkButton);
        elm_transit_duration_set(buttonTransit, duration);
        elm_transit_effect_translation_add(buttonTransit, 0, 0, 0, OK_SLIDE_DISTANCE);
        elm_transit_tween_mode_set(buttonTransit, ELM_TRANSIT_TWEEN_MODE_BEZIER_CURVE);
        elm_transit_tween_mode_factor_n_set(buttonTransit, 4, factors);
        elm_transit_objects_final_state_keep_set(buttonTransit, EINA_FALSE);
        elm_transit_del_cb_set(buttonTransit, OKButtonClickTransitDelCb, pThis);
        pThis->mOkButtonTransit = buttonTransit;
    } else {
        // No button to slide away: the image's transit ends the animation.
        elm_transit_del_cb_set(imageTransit, OKButtonClickTransitDelCb, pThis);
        pThis->mOkButtonTransit = imageTransit;
    }

    elm_transit_go(imageTransit);
    if (buttonTransit != NULL)
        elm_transit_go(buttonTransit);
    return ECORE_CALLBACK_CANCEL;
}

void EditorView::AnswerCaller(app_control_h reply, app_control_h request, const char* saved) {
    bool tutorialDone = false;
    int ret = preference_get_boolean(TUTORIAL_DONE_KEY, &tutorialDone);
    const char* tutorial = "true";
    if (ret != PREFERENCE_ERROR_NO_KEY && tutorialDone)
        tutorial = "false";
    app_control_add_extra_data(reply, "watch_editor_tutorial", tutorial);
    if (app_control_add_extra_data(reply, "watch_editor_save", saved) != APP_CONTROL_ERROR_NONE)
        return;
    ret = app_control_reply_to_launch_request(reply, request, APP_CONTROL_RESULT_SUCCEEDED);
    if (ret != APP_CONTROL_ERROR_NONE)
        CLOCK_LOG("app_control_reply_to_launch_request failed! [%d]", ret);
}

void EditorView::OKButtonClickTransitDelCb(void* data, Elm_Transit* /*transit*/) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_IF(pThis == NULL);
    pThis->mOkButtonTransit = NULL;

    // The transits do not keep their final state: make the last frame permanent.
    if (pThis->mAnimationImage != NULL) {
        evas_object_resize(pThis->mAnimationImage, SCREEN_SIZE, SCREEN_SIZE);
        evas_object_move(pThis->mAnimationImage, pThis->mOriginX, pThis->mOriginY);
    }
    if (pThis->mOkButton != NULL)
        evas_object_move(pThis->mOkButton, pThis->mOriginX, pThis->mOriginY + OK_SLIDE_DISTANCE);

    RETURN_IF(pThis->mLaunchAppControl == NULL);
    app_control_h request = pThis->CallerRequest();
    if (!ExpectsReply(request)) {
        pThis->mLaunchAppControl = NULL;
        return;
    }

    app_control_h reply = NULL;
    int ret = app_control_create(&reply);
    RETURN_MESSAGE_IF(ret != APP_CONTROL_ERROR_NONE, "app_control_create failed, %d", ret);

    AnswerCaller(reply, request, "true");
    app_control_destroy(reply);
    pThis->mLaunchAppControl = NULL;
}

void EditorView::ReplyCB(app_control_h /*request*/, app_control_h /*reply*/,
                         app_control_result_e result, void* data) {
    EditorView* pThis = ViewOfToken(data);
    RETURN_IF(pThis == NULL);
    CLOCK_LOG("ReplyCB, result: %d", result);
    pThis->LaunchIdleClock();
}

void EditorView::LaunchIdleClock() {
    int ret = vconf_set_int(IDLE_CLOCK_SHOW_KEY, 1);
    if (ret != 0)
        CLOCK_LOG("vconf_set_int() .. [%d]", ret);

    ret = vconf_notify_key_changed(IDLE_CLOCK_SHOW_KEY, IdleClockShowChangedCB, this);
    if (ret != 0)
        CLOCK_LOG("vconf_notify_key_changed() .. [%d]", ret);
    else
        mIdleClockShowWatched = true;

    ret = vconf_set_str(CLOCKS_SET_IDLE_KEY, NSClockCommon::WATCH_APPLICATION_ID);
    if (ret != 0)
        CLOCK_LOG("vconf_set_str() .. [%d]", ret);

    if (mIdleClockCheckTimer != NULL)
        ecore_timer_del(mIdleClockCheckTimer);
    mIdleClockCheckTimer =
        ecore_timer_add(IDLE_CLOCK_CHECK_PERIOD, LaunchIdleClockCheckVConfTimerCB, this);
}

void EditorView::StopWatchingIdleClockShow() {
    vconf_ignore_key_changed(IDLE_CLOCK_SHOW_KEY, IdleClockShowChangedCB);
    mIdleClockShowWatched = false;
}

Eina_Bool EditorView::LaunchIdleClockCheckVConfTimerCB(void* data) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_VALUE_IF(pThis == NULL, ECORE_CALLBACK_CANCEL);

    int value = 0;
    int ret = vconf_get_int(IDLE_CLOCK_SHOW_KEY, &value);
    if (ret != 0) {
        CLOCK_LOG("vconf_get_int(%s) ,, [%d]", IDLE_CLOCK_SHOW_KEY, ret);
        return ECORE_CALLBACK_RENEW;
    }
    if (value != 0)
        return ECORE_CALLBACK_RENEW;

    pThis->StopWatchingIdleClockShow();
    pThis->mIdleClockCheckTimer = NULL;
    ui_app_exit();
    return ECORE_CALLBACK_CANCEL;
}

void EditorView::IdleClockShowChangedCB(keynode_t* node, void* data) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_IF(pThis == NULL);
    RETURN_IF(node == NULL);
    const char* name = vconf_keynode_get_name(node);
    if (name == NULL || strcmp(name, IDLE_CLOCK_SHOW_KEY) != 0)
        return;
    if (vconf_keynode_get_int(node) != 0)
        return;

    if (pThis->mIdleClockCheckTimer != NULL) {
        ecore_timer_del(pThis->mIdleClockCheckTimer);
        pThis->mIdleClockCheckTimer = NULL;
    }
    pThis->StopWatchingIdleClockShow();
    ui_app_exit();
}

void EditorView::SColorBandChangeCB(const char* /*key*/, void* data) {
    EditorView* pThis = static_cast<EditorView*>(data);
    RETURN_IF(pThis == NULL);
    // After OK the change is the editor's own.
    if (pThis->mIsOkClicked)
        return;

    Evas_Object* popup = elm_popup_add(pThis->mParent);
    elm_object_style_set(popup, "toast/circle");

    SetNoticeText(popup);
    // Made of two texts, so it is put together again when the language changes.
    evas_object_smart_callback_add(
        popup, "language,changed", [](void*, Evas_Object* obj, void*) { SetNoticeText(obj); },
        NULL);
    elm_popup_timeout_set(popup, NOTICE_TIMEOUT);
    evas_object_smart_callback_add(popup, "timeout", NoticeTimeoutCb, NULL);
    evas_object_show(popup);

    pThis->mExitTimer.mListener = pThis;
    pThis->mExitTimer.mInterval = EXIT_TIMER_INTERVAL;
    pThis->mExitTimer.Start();
}

void EditorView::Destroy() {
    if (mLaunchAppControl != NULL && !ExpectsReply(CallerRequest()))
        mLaunchAppControl = NULL;
    if (mLaunchAppControl != NULL) {
        app_control_h request = CallerRequest();
        app_control_h reply = NULL;
        int ret = app_control_create(&reply);
        if (ret != APP_CONTROL_ERROR_NONE) {
            CLOCK_LOG("app_control_create failed, %d", ret);
        } else {
            AnswerCaller(reply, request, "false");
        }
        if (reply != NULL)
            app_control_destroy(reply);
        mLaunchAppControl = NULL;
    }
    if (mIdleClockCheckTimer != NULL) {
        ecore_timer_del(mIdleClockCheckTimer);
        mIdleClockCheckTimer = NULL;
    }
    Detach();
}

// ---- Lifetime ----

void EditorView::ObjectDeletedCb(void* data, Evas* /*e*/, Evas_Object* obj, void* /*eventInfo*/) {
    Evas_Object** slot = static_cast<Evas_Object**>(data);
    if (*slot == obj)
        *slot = NULL;
}

void EditorView::Track(Evas_Object** slot, Evas_Object* obj) {
    if (*slot == obj)
        return;
    Untrack(slot);
    *slot = obj;
    if (obj != NULL)
        evas_object_event_callback_add(obj, EVAS_CALLBACK_DEL, ObjectDeletedCb, slot);
}

void EditorView::Untrack(Evas_Object** slot) {
    if (*slot != NULL)
        evas_object_event_callback_del_full(*slot, EVAS_CALLBACK_DEL, ObjectDeletedCb, slot);
    *slot = NULL;
}

void EditorView::Detach() {
    if (mDetached)
        return;
    mDetached = true;

    if (mStartAnimator != NULL) {
        ecore_animator_del(mStartAnimator);
        mStartAnimator = NULL;
    }
    if (mStartAnimatorIdler != NULL) {
        ecore_idler_del(mStartAnimatorIdler);
        mStartAnimatorIdler = NULL;
    }
    if (mOkButtonIdler != NULL) {
        ecore_idler_del(mOkButtonIdler);
        mOkButtonIdler = NULL;
    }
    if (mPagePrepareIdler != NULL) {
        ecore_idler_del(mPagePrepareIdler);
        mPagePrepareIdler = NULL;
    }
    for (Evas_Object*& page : mPreparedPages)
        Untrack(&page);
    if (mIdleClockCheckTimer != NULL) {
        ecore_timer_del(mIdleClockCheckTimer);
        mIdleClockCheckTimer = NULL;
    }
    mExitTimer.Stop();
    // Deleting a transit runs its end callback: take the callback off first.
    for (Elm_Transit** transit : {&mStartTransit, &mOkButtonTransit}) {
        if (*transit != NULL) {
            elm_transit_del_cb_set(*transit, NULL, NULL);
            elm_transit_del(*transit);
            *transit = NULL;
        }
    }
    if (mIdleClockShowWatched)
        StopWatchingIdleClockShow();
    RemoveColorBandChangeCB();

    if (mScroller != NULL && mCircleScroller != NULL)
        eext_rotary_object_event_activated_set(mCircleScroller, EINA_FALSE);
    if (mLayout != NULL) {
        if (mRotaryRegistered)
            eext_rotary_object_event_callback_del(mLayout, OnRotaryEventCB);
        evas_object_event_callback_del_full(mLayout, EVAS_CALLBACK_RESIZE, OnLayoutResizeCB, this);
        evas_object_event_callback_del_full(mLayout, EVAS_CALLBACK_MOVE, OnLayoutMoveCB, this);
        evas_object_event_callback_del_full(mLayout, EVAS_CALLBACK_KEY_DOWN, OnLayoutKeyDownCB,
                                            this);
        evas_object_key_ungrab(mLayout, "Return", 0, 0);
        evas_object_key_ungrab(mLayout, "KP_Enter", 0, 0);
    }
    mRotaryRegistered = false;
    if (mOkButton != NULL)
        evas_object_smart_callback_del_full(mOkButton, "clicked", SButtonOkClickedCB, this);
    if (mAccessBridgeHandler != NULL) {
        ecore_event_handler_del(mAccessBridgeHandler);
        mAccessBridgeHandler = NULL;
    }
    if (mLayout != NULL)
        evas_object_smart_callback_del_full(mLayout, "language,changed", OnLanguageChangedCB, this);
    if (mTutorialLayout != NULL)
        edje_object_signal_callback_del_full(elm_layout_edje_get(mTutorialLayout),
                                             "tutorial,clicked", "*", MainViewEditTutorialClicked,
                                             this);

    for (Evas_Object** slot :
         {&mLayout, &mPageLayout, &mTutorialLayout, &mTutorialContentLayout, &mAnimationImage,
          &mOkButton, &mScroller, &mPageBox, &mIndex, &mCircleScroller})
        Untrack(slot);
    for (Evas_Object*& page : mPages)
        Untrack(&page);
    mPagesShown = false;
    mTutorialShown = false;
}

} // namespace NSClockEditor
