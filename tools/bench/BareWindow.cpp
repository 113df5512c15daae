// The benchmark's baseline: a bare 360x360 Elementary window with one label, which ends
// as soon as its first frame is out.
#include "FrameProbe.h"

#include <Efreet.h>
#include <Elementary.h>

int main(int argc, char** argv) {
    bench::StartProbe(bench::ProbeMode::FirstFrame);
    efreet_cache_disable(); // as the applications do (no efreetd)
    elm_init(argc, argv);
    Evas_Object* win = elm_win_add(nullptr, "bare", ELM_WIN_BASIC);
    Evas_Object* label = elm_label_add(win);
    elm_object_text_set(label, "bare window");
    evas_object_size_hint_weight_set(label, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(win, label);
    evas_object_show(label);
    evas_object_resize(win, 360, 360);
    evas_object_show(win);
    elm_run();
    elm_shutdown();
    return 0;
}
