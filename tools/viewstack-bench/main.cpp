// Speed of the scaffold and the view stack on the buffer engine: time to the first frame
// of the scaffold, the cost per frame of the round mask, and how long a push over a
// screen and a request deferred behind it take. Prints one line per figure; run by hand
// (ELM_DISPLAY=buffer ELM_ACCEL=none build/bin/viewstack_bench).
#include "LoopUtil.h"
#include "RecordingScreen.h"
#include "ViewBasicElements.h"
#include "ViewManager.h"

#include <Ecore_Evas.h>
#include <Efreet.h>
#include <Elementary.h>
#include <watch_theme.h>

#include <sys/resource.h>

#include <cstdio>

using NSClockEditor::ViewBasicElements;
using NSClockEditor::ViewManager;
using watchtest::Now;
using watchtest::RunLoopUntil;

namespace {

bool gRendered = false;

void RenderPostCb(void*, Evas*, void*) {
    gRendered = true;
}

// Mean milliseconds of a full-window render, the background's colour changed each time.
double MeanRenderMs(Evas_Object* window, Evas_Object* background, int frames) {
    Evas* canvas = evas_object_evas_get(window);
    Ecore_Evas* ee = ecore_evas_ecore_evas_get(canvas);
    double total = 0;
    for (int i = 0; i < frames; ++i) {
        elm_bg_color_set(background, i % 256, 40, 80);
        evas_smart_objects_calculate(canvas);
        double start = Now();
        ecore_evas_manual_render(ee);
        total += Now() - start;
    }
    return total * 1000.0 / frames;
}

} // namespace

int main() {
    ecore_app_no_system_modules();
    efreet_cache_disable();
    elm_init(0, nullptr);
    watch_theme_apply();

    double start = Now();
    ViewBasicElements elements;
    if (elements.SetupViewBasicElements() != 0) {
        fprintf(stderr, "scaffold set-up failed\n");
        return 1;
    }
    Evas_Object* window = ViewBasicElements::GetWindow();
    evas_event_callback_add(evas_object_evas_get(window), EVAS_CALLBACK_RENDER_POST, RenderPostCb,
                            nullptr);
    bool framed = RunLoopUntil([] { return gRendered; }, 5.0);
    printf("scaffold to first frame: %.1f ms%s\n", (Now() - start) * 1000.0,
           framed ? "" : " (no frame within 5 s)");
    evas_event_callback_del(evas_object_evas_get(window), EVAS_CALLBACK_RENDER_POST, RenderPostCb);

    // The same full-window change on the scaffold (masked) and on a bare window.
    const int frames = 100;
    double masked = MeanRenderMs(window, ViewBasicElements::GetBackground(), frames);
    Evas_Object* bare = elm_win_add(nullptr, "bare", ELM_WIN_BASIC);
    evas_object_resize(bare, ViewBasicElements::SCREEN_SIZE, ViewBasicElements::SCREEN_SIZE);
    Evas_Object* bareBackground = elm_bg_add(bare);
    evas_object_size_hint_weight_set(bareBackground, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(bare, bareBackground);
    evas_object_show(bareBackground);
    evas_object_show(bare);
    RunLoopUntil([&] {
        int w = 0;
        evas_object_geometry_get(bareBackground, nullptr, nullptr, &w, nullptr);
        return w == ViewBasicElements::SCREEN_SIZE;
    });
    double plain = MeanRenderMs(bare, bareBackground, frames);
    evas_object_del(bare);
    printf("full-window render: %.2f ms with the round mask, %.2f ms for a bare window\n", masked,
           plain);

    ViewManager manager;
    manager.Initialize();
    manager.PushView(watchtest::MakeScreen("A"), 0, false, true);
    start = Now();
    manager.PushView(watchtest::MakeScreen("B"), 1, false, true);
    manager.PushView(watchtest::MakeScreen("C"), 2, false, true);
    RunLoopUntil([] { return !ViewManager::IsTransiting(); }, 5.0);
    double pushed = Now() - start;
    RunLoopUntil([] { return !ViewManager::HasPendingRequest(); }, 5.0);
    double deferred = Now() - start;
    printf("push over a screen, to its transition's end: %.0f ms\n", pushed * 1000.0);
    printf("request made during that push, run after: %.0f ms\n", deferred * 1000.0);

    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("peak resident memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    elm_shutdown();
    return 0;
}
