// Efl.Canvas.Group, the class of objects with members, is beta API in EFL 1.26.
#define EFL_BETA_API_SUPPORT 1
#include "FrameProbe.h"

#include <Ecore_Evas.h>
#include <Elementary.h>
#include <dalvexa_palette.h>
#include <dlog_hook.h>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

namespace {

// Pause before the first detent, between detents and before OK, so that each input
// meets a settled screen.
const double kSettle = 0.3;
const double kBetweenDetents = 0.15;
// The OK animation lasts 0.2 s; its final frame comes just after.
const double kOkWindow = 0.25;
// A detent that has not shown after this many frames counts as never shown.
const int kDetentFrameLimit = 30;
const int kDetents = 8;
const int kLastPage = DALVEXA_BAND_COUNT - 1;

double Now() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Frame {
    double pre, post, tick;
};

struct Detent {
    double fed = -1;
    int page = 0;
    double shown = -1;
    int frames = 0;
};

struct Probe {
    ProbeMode mode = ProbeMode::FirstFrame;
    // Report once the pages show and feed no input: the program is left idle.
    bool idle = false;
    Evas* canvas = nullptr;
    Evas_Object* window = nullptr;
    double firstFrame = -1, interactive = -1, zoomStart = -1, okStart = -1;
    double pre = -1, tick = -1;
    std::vector<Frame> frames;
    Ecore_Animator* ticker = nullptr;
    Evas_Object* scroller = nullptr;
    std::vector<Detent> detents;
    bool goingUp = true;
    unsigned timestamp = 1;
};

Probe gProbe;

// Marks, in every animator tick, when the frame's work began. Added before the editor's
// transits, so it runs first in each tick.
Eina_Bool OnTick(void*) {
    gProbe.tick = Now();
    return ECORE_CALLBACK_RENEW;
}

void StartTicker() {
    if (!gProbe.ticker)
        gProbe.ticker = ecore_animator_add(OnTick, nullptr);
}

void StopTicker() {
    if (gProbe.ticker)
        ecore_animator_del(gProbe.ticker);
    gProbe.ticker = nullptr;
}

void WriteReport();

Eina_Bool FinishReport(void*) {
    StopTicker();
    WriteReport();
    return ECORE_CALLBACK_CANCEL;
}

// The editor's own log lines mark where its animations begin.
void OnLog(log_id_t, int, const char*, const char* msg, void*) {
    if (!msg)
        return;
    if (gProbe.zoomStart < 0 && strstr(msg, "ViewStartAnimatorIdler")) {
        gProbe.zoomStart = Now();
        StartTicker();
    } else if (gProbe.okStart < 0 && strstr(msg, "OKButtonClickedIdler")) {
        gProbe.okStart = Now();
        StartTicker();
        // The animation's last frame may be the last frame at all: end on a timer.
        ecore_timer_add(kOkWindow, FinishReport, nullptr);
    }
}

// Every object under obj, depth first.
template <typename Visit> bool Walk(Evas_Object* obj, Visit visit) {
    if (visit(obj))
        return true;
    if (!efl_isa(obj, EFL_CANVAS_GROUP_CLASS))
        return false;
    Eina_List* members = evas_object_smart_members_get(obj);
    bool found = false;
    Eina_List* l;
    void* member;
    EINA_LIST_FOREACH(members, l, member) {
        if (!found && Walk(static_cast<Evas_Object*>(member), visit))
            found = true;
    }
    eina_list_free(members);
    return found;
}

// Every object of the canvas, depth first from each top-level object.
template <typename Visit> bool WalkCanvas(Visit visit) {
    for (Evas_Object* obj = evas_object_bottom_get(gProbe.canvas); obj;
         obj = evas_object_above_get(obj)) {
        if (Walk(obj, visit))
            return true;
    }
    return false;
}

bool IsType(Evas_Object* obj, const char* type) {
    const char* t = evas_object_type_get(obj);
    return t && strcmp(t, type) == 0;
}

bool OkButtonShown() {
    return WalkCanvas(
        [](Evas_Object* obj) { return IsType(obj, "elm_button") && evas_object_visible_get(obj); });
}

// The page scroller: the one with a vertical page per colour band.
Evas_Object* FindPageScroller() {
    Evas_Object* found = nullptr;
    WalkCanvas([&](Evas_Object* obj) {
        int h = 0, v = 0;
        if (!IsType(obj, "elm_scroller"))
            return false;
        elm_scroller_last_page_get(obj, &h, &v);
        if (v != kLastPage)
            return false;
        found = obj;
        return true;
    });
    return found;
}

int CurrentPage() {
    int h = 0, v = -1;
    if (gProbe.scroller)
        elm_scroller_current_page_get(gProbe.scroller, &h, &v);
    return v;
}

void WriteReport() {
    const char* path = getenv("BENCH_REPORT");
    if (!path)
        return;
    const std::string partial = std::string(path) + ".partial";
    FILE* f = fopen(partial.c_str(), "w");
    if (!f)
        return;
    fprintf(f, "first_frame %.6f\ninteractive %.6f\nzoom_start %.6f\nok_start %.6f\n",
            gProbe.firstFrame, gProbe.interactive, gProbe.zoomStart, gProbe.okStart);
    for (const Frame& frame : gProbe.frames)
        fprintf(f, "frame %.6f %.6f %.6f\n", frame.pre, frame.post, frame.tick);
    for (const Detent& d : gProbe.detents)
        fprintf(f, "detent %.6f %d %.6f %d\n", d.fed, d.page, d.shown, d.frames);
    fprintf(f, "end %.6f\n", Now());
    fclose(f);
    rename(partial.c_str(), path);
}

Eina_Bool PressOk(void*) {
    // A window with nothing focused drops keys; a window manager would have focused it.
    if (!evas_focus_get(gProbe.canvas))
        evas_object_focus_set(gProbe.window, EINA_TRUE);
    evas_event_feed_key_down(gProbe.canvas, "Return", "Return", "\r", nullptr, gProbe.timestamp++,
                             nullptr);
    evas_event_feed_key_up(gProbe.canvas, "Return", "Return", "\r", nullptr, gProbe.timestamp++,
                           nullptr);
    return ECORE_CALLBACK_CANCEL;
}

// One detent: up to the last page, then back down.
Eina_Bool FeedDetent(void*) {
    const int page = CurrentPage();
    if (page >= kLastPage)
        gProbe.goingUp = false;
    if (page <= 0)
        gProbe.goingUp = true;
    Detent d;
    d.page = page + (gProbe.goingUp ? 1 : -1);
    // Wheel events go to the object under the pointer: keep it on the canvas.
    if (!evas_pointer_inside_get(gProbe.canvas)) {
        int w = 0, h = 0;
        evas_output_size_get(gProbe.canvas, &w, &h);
        evas_event_feed_mouse_in(gProbe.canvas, gProbe.timestamp++, nullptr);
        evas_event_feed_mouse_move(gProbe.canvas, w / 2, h / 2, gProbe.timestamp++, nullptr);
    }
    d.fed = Now();
    gProbe.detents.push_back(d);
    // A downward wheel notch is a clockwise detent.
    evas_event_feed_mouse_wheel(gProbe.canvas, 0, gProbe.goingUp ? 1 : -1, gProbe.timestamp++,
                                nullptr);
    return ECORE_CALLBACK_CANCEL;
}

void NextStep() {
    if (int(gProbe.detents.size()) < kDetents)
        ecore_timer_add(gProbe.detents.empty() ? kSettle : kBetweenDetents, FeedDetent, nullptr);
    else
        ecore_timer_add(kSettle, PressOk, nullptr);
}

void OnEditorFrame(double post) {
    if (gProbe.interactive < 0) {
        if (!OkButtonShown())
            return;
        gProbe.interactive = post;
        StopTicker();
        if (gProbe.idle) {
            WriteReport();
            return;
        }
        gProbe.scroller = FindPageScroller();
        NextStep();
        return;
    }
    if (!gProbe.detents.empty() && gProbe.detents.back().shown < 0 &&
        gProbe.detents.back().frames < kDetentFrameLimit) {
        Detent& d = gProbe.detents.back();
        ++d.frames;
        if (CurrentPage() == d.page) {
            d.shown = post;
            NextStep();
        } else if (d.frames == kDetentFrameLimit) {
            NextStep();
        }
    }
}

void OnRenderPre(void*, Evas*, void*) {
    gProbe.pre = Now();
}

void OnRenderPost(void*, Evas*, void*) {
    const double post = Now();
    gProbe.frames.push_back(Frame{gProbe.pre, post, gProbe.tick});
    gProbe.tick = -1;
    if (gProbe.firstFrame < 0) {
        gProbe.firstFrame = post;
        if (gProbe.mode == ProbeMode::FirstFrame) {
            WriteReport();
            ecore_main_loop_quit();
            return;
        }
    }
    if (gProbe.mode == ProbeMode::Editor)
        OnEditorFrame(post);
}

// Runs before the canvases render, in every loop iteration until the window exists.
Eina_Bool FindWindow(void*) {
    Eina_List* all = ecore_evas_ecore_evas_list_get();
    Eina_List* l;
    void* data;
    EINA_LIST_FOREACH(all, l, data) {
        Ecore_Evas* ee = static_cast<Ecore_Evas*>(data);
        Evas_Object* window = static_cast<Evas_Object*>(ecore_evas_data_get(ee, "elm_win"));
        if (window && !gProbe.canvas) {
            gProbe.window = window;
            gProbe.canvas = ecore_evas_get(ee);
        }
    }
    eina_list_free(all);
    if (!gProbe.canvas)
        return ECORE_CALLBACK_RENEW;
    evas_event_callback_add(gProbe.canvas, EVAS_CALLBACK_RENDER_PRE, OnRenderPre, nullptr);
    evas_event_callback_add(gProbe.canvas, EVAS_CALLBACK_RENDER_POST, OnRenderPost, nullptr);
    return ECORE_CALLBACK_CANCEL;
}

} // namespace

void StartProbe(ProbeMode mode) {
    gProbe.mode = mode;
    gProbe.idle = getenv("BENCH_IDLE") != nullptr;
    dlog_set_hook(OnLog, nullptr);
    ecore_init();
    ecore_idle_enterer_before_add(FindWindow, nullptr);
}

} // namespace bench
