#include "FaceApp.h"

#include "DalvexaNames.h"
#include "dalvexa_palette.h"

#include <app_preference.h>
#include <dlog.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace dalvexa {

namespace {

const char* const kTag = "CLOCK-DALVEXA";

#define LOGI(...) dlog_print(DLOG_INFO, kTag, __VA_ARGS__)
#define LOGE(...) dlog_print(DLOG_ERROR, kTag, __VA_ARGS__)

// A tick this close before a whole second is that second's tick: Ecore may run a timer a
// little early (it counts from the loop's wake-up, not from the callback).
const double kEarlyTick = 0.05;
// Ecore may hold a timer back this long to run it with a later one: Ecore_Evas's cache
// flush, due half a second after each frame, then runs with the next tick instead of
// waking the face on its own. (After a frame drawn between ticks, a band change, the next
// tick may wait for that frame's flush: up to half a second late, once.)
const double kTimerPrecision = 0.6;

struct WallSecond {
    time_t shown;     // the second to show now
    double untilNext; // seconds until the one after it
};

WallSecond CurrentSecond() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    WallSecond s{now.tv_sec, 1.0 - now.tv_nsec / 1e9};
    if (s.untilNext < kEarlyTick) {
        ++s.shown;
        s.untilNext += 1.0;
    }
    return s;
}

} // namespace

FaceApp::~FaceApp() {
    Terminate();
}

bool FaceApp::Create() {
    mWindow = elm_win_add(nullptr, kFaceAppId, ELM_WIN_BASIC);
    if (!mWindow) {
        LOGE("cannot create the window: the face does not start");
        return false;
    }
    elm_win_title_set(mWindow, "Dalvexa");
    ecore_timer_precision_set(kTimerPrecision);
    elm_win_autodel_set(mWindow, EINA_FALSE);
    evas_object_event_callback_add(mWindow, EVAS_CALLBACK_DEL, OnWindowDel, this);
    evas_object_event_callback_add(mWindow, EVAS_CALLBACK_RESIZE, OnWindowResize, this);
    // Closing the window on a desktop ends the face, as the framework's exit would.
    evas_object_smart_callback_add(
        mWindow, "delete,request", [](void*, Evas_Object*, void*) { ui_app_exit(); }, nullptr);
    // A round screen: what lies outside the dial is black glass.
    Evas_Object* bg = elm_bg_add(mWindow);
    elm_bg_color_set(bg, 0, 0, 0);
    evas_object_size_hint_weight_set(bg, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(mWindow, bg);
    evas_object_show(bg);
    evas_object_size_hint_min_set(mWindow, FaceClock::kSize, FaceClock::kSize);
    evas_object_size_hint_max_set(mWindow, FaceClock::kSize, FaceClock::kSize);
    evas_object_resize(mWindow, FaceClock::kSize, FaceClock::kSize);

    mFace.reset(new FaceClock(evas_object_evas_get(mWindow)));
    mFace->Show();

    bool existing = false;
    int rc = preference_is_existing(kColorBandKey, &existing);
    if (rc != PREFERENCE_ERROR_NONE) {
        LOGE("preference_is_existing(%s) failed [0x%x]: drawing band 0", kColorBandKey, rc);
    } else if (!existing) {
        // First start: nothing chose a band yet. Store the default so that it can be watched.
        rc = preference_set_int(kColorBandKey, 0);
        if (rc != PREFERENCE_ERROR_NONE)
            LOGE("preference_set_int(%s, 0) failed [0x%x]", kColorBandKey, rc);
        else
            LOGI("no colour band stored yet: stored band 0 (blue)");
    }
    ReloadBand();
    rc = preference_set_changed_cb(kColorBandKey, OnBandChanged, this);
    if (rc != PREFERENCE_ERROR_NONE)
        LOGE("preference_set_changed_cb(%s) failed [0x%x]: band changes are not followed",
             kColorBandKey, rc);
    mWatching = rc == PREFERENCE_ERROR_NONE;
    ShowTime();
    evas_object_show(mWindow);
    LOGI("created in band %d", mFace->Band());
    return true;
}

void FaceApp::AppControl(app_control_h request) {
    char* caller = nullptr;
    app_control_get_caller(request, &caller);
    LOGI("brought to the front by %s", caller ? caller : "the system (no calling application)");
    free(caller);
    bool replyWanted = false;
    if (app_control_is_reply_requested(request, &replyWanted) == APP_CONTROL_ERROR_NONE &&
        replyWanted) {
        app_control_h reply = nullptr;
        if (app_control_create(&reply) != APP_CONTROL_ERROR_NONE) {
            LOGE("app_control_create failed: the caller gets no answer");
            return;
        }
        const int rc =
            app_control_reply_to_launch_request(reply, request, APP_CONTROL_RESULT_SUCCEEDED);
        if (rc != APP_CONTROL_ERROR_NONE)
            LOGE("app_control_reply_to_launch_request failed [%d]", rc);
        app_control_destroy(reply);
    }
    if (mWindow)
        elm_win_activate(mWindow);
}

void FaceApp::Resume() {
    ShowTime();
    ScheduleTick();
    LOGI("in front: ticking");
}

void FaceApp::Pause() {
    if (mTick) {
        ecore_timer_del(mTick);
        mTick = nullptr;
    }
    LOGI("in the back: not ticking");
}

void FaceApp::Terminate() {
    if (mTick) {
        ecore_timer_del(mTick);
        mTick = nullptr;
    }
    if (mWatching) {
        const int rc = preference_unset_changed_cb(kColorBandKey);
        if (rc != PREFERENCE_ERROR_NONE)
            LOGE("preference_unset_changed_cb(%s) failed [0x%x]", kColorBandKey, rc);
        mWatching = false;
    }
    mFace.reset();
    if (mWindow) {
        Evas_Object* window = mWindow;
        mWindow = nullptr;
        evas_object_event_callback_del_full(window, EVAS_CALLBACK_DEL, OnWindowDel, this);
        evas_object_event_callback_del_full(window, EVAS_CALLBACK_RESIZE, OnWindowResize, this);
        evas_object_del(window);
    }
}

void FaceApp::ReloadBand() {
    if (!mFace)
        return;
    int band = 0;
    const int rc = preference_get_int(kColorBandKey, &band);
    if (rc != PREFERENCE_ERROR_NONE) {
        LOGE("preference_get_int(%s) failed [0x%x]: keeping band %d", kColorBandKey, rc,
             mFace->Band());
        return;
    }
    if (band == mFace->Band())
        return;
    if (!mFace->SetBand(band)) {
        LOGE("stored colour band %d is not one of 0..%d: keeping band %d", band,
             DALVEXA_BAND_COUNT - 1, mFace->Band());
        return;
    }
    LOGI("colour band %d (%s)", band, dalvexa_band_get(band)->name);
}

void FaceApp::ShowTime() {
    if (!mFace)
        return;
    const time_t now = CurrentSecond().shown;
    tm local{};
    localtime_r(&now, &local);
    mFace->SetTime(local.tm_hour, local.tm_min, local.tm_sec);
}

// One timer per tick, from now to the next whole second, so that a late tick does not
// make the next one early.
void FaceApp::ScheduleTick() {
    if (mTick)
        ecore_timer_del(mTick);
    mTick = ecore_timer_add(CurrentSecond().untilNext, OnTick, this);
}

Eina_Bool FaceApp::OnTick(void* data) {
    FaceApp* self = static_cast<FaceApp*>(data);
    self->mTick = nullptr; // this timer ends with the callback
    self->ShowTime();
    self->ScheduleTick();
    return ECORE_CALLBACK_CANCEL;
}

void FaceApp::OnBandChanged(const char*, void* data) {
    static_cast<FaceApp*>(data)->ReloadBand();
}

void FaceApp::OnWindowDel(void* data, Evas*, Evas_Object*, void*) {
    FaceApp* self = static_cast<FaceApp*>(data);
    self->mWindow = nullptr;
    // The canvas is still there while its window is being deleted.
    self->mFace.reset();
    if (self->mTick) {
        ecore_timer_del(self->mTick);
        self->mTick = nullptr;
    }
}

void FaceApp::OnWindowResize(void* data, Evas*, Evas_Object* obj, void*) {
    FaceApp* self = static_cast<FaceApp*>(data);
    if (!self->mFace)
        return;
    int w = 0, h = 0;
    evas_object_geometry_get(obj, nullptr, nullptr, &w, &h);
    self->mFace->Move((w - FaceClock::kSize) / 2, (h - FaceClock::kSize) / 2);
}

int FaceMain(int argc, char** argv) {
    // The face changes once a second and has no animation: it renders each change at once
    // and in this thread, rather than waiting for an animator tick (which wakes Ecore's
    // animator thread) and handing the frame to Evas's render thread. Read by Ecore_Evas
    // when it starts; a value set by the caller stays.
    setenv("ECORE_EVAS_RENDER_NOSYNC", "1", 0);
    setenv("ECORE_EVAS_FORCE_SYNC_RENDER", "1", 0);
    FaceApp app;
    ui_app_lifecycle_callback_s callbacks{};
    callbacks.create = [](void* data) { return static_cast<FaceApp*>(data)->Create(); };
    callbacks.terminate = [](void* data) { static_cast<FaceApp*>(data)->Terminate(); };
    callbacks.pause = [](void* data) { static_cast<FaceApp*>(data)->Pause(); };
    callbacks.resume = [](void* data) { static_cast<FaceApp*>(data)->Resume(); };
    callbacks.app_control = [](app_control_h request, void* data) {
        static_cast<FaceApp*>(data)->AppControl(request);
    };
    return ui_app_main(argc, argv, &callbacks, &app);
}

} // namespace dalvexa
