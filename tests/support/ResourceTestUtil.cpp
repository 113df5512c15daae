#include "ResourceTestUtil.h"

#include "LoopUtil.h"
#include "Toolkit.h"
#include "watch_theme.h"

#include <Ecore_Evas.h>

#include <cstring>

namespace restest {

std::string StagePath(const std::string& relative) {
    return std::string(WATCH_PACKAGE_STAGE) + "/" + relative;
}

Evas_Object* EditorLayout(Evas_Object* parent, const char* group) {
    Evas_Object* ly = elm_layout_add(parent);
    if (!elm_layout_file_set(ly, StagePath("res/edje/ClockEditor.edj").c_str(), group)) {
        evas_object_del(ly);
        return nullptr;
    }
    evas_object_size_hint_weight_set(ly, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_size_hint_align_set(ly, EVAS_HINT_FILL, EVAS_HINT_FILL);
    evas_object_show(ly);
    return ly;
}

ElmSession::ElmSession(bool applyTheme) {
    watchtest::ToolkitInit();
    if (applyTheme)
        watch_theme_apply();
}

ElmSession::~ElmSession() {
    elm_shutdown();
}

Evas_Object* MakeScreen() {
    Evas_Object* win = elm_win_add(nullptr, "resource-test", ELM_WIN_BASIC);
    Evas_Object* bg = evas_object_rectangle_add(evas_object_evas_get(win));
    evas_object_color_set(bg, 0, 0, 0, 255);
    evas_object_size_hint_weight_set(bg, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(win, bg);
    evas_object_show(bg);
    evas_object_resize(win, 360, 360);
    evas_object_show(win);
    return win;
}

appstest::Image Grab(Evas_Object* win) {
    Ecore_Evas* ee = ecore_evas_ecore_evas_get(evas_object_evas_get(win));
    // Pending edje messages and smart calculations first, so the frame is current.
    for (int i = 0; i < 3; ++i)
        ecore_main_loop_iterate();
    edje_message_signal_process();
    ecore_evas_manual_render(ee);
    int w = 0, h = 0;
    ecore_evas_geometry_get(ee, nullptr, nullptr, &w, &h);
    const uint32_t* data = static_cast<const uint32_t*>(ecore_evas_buffer_pixels_get(ee));
    appstest::Image pic;
    if (data && w > 0 && h > 0) {
        pic.width = w;
        pic.height = h;
        pic.pixels.assign(data, data + size_t(w) * size_t(h));
    }
    return pic;
}

bool WaitForPartState(Evas_Object* edje, const char* part, const char* state, double timeout) {
    return watchtest::RunLoopUntil(
        [&] {
            edje_object_message_signal_process(edje);
            double value = 0;
            const char* now = edje_object_part_state_get(edje, part, &value);
            return now && strcmp(now, state) == 0;
        },
        timeout);
}

void Click(Evas_Object* win, int x, int y) {
    Evas* e = evas_object_evas_get(win);
    static unsigned int timestamp = 1000;
    evas_event_feed_mouse_move(e, x, y, timestamp++, nullptr);
    evas_event_feed_mouse_down(e, 1, EVAS_BUTTON_NONE, timestamp++, nullptr);
    evas_event_feed_mouse_up(e, 1, EVAS_BUTTON_NONE, timestamp++, nullptr);
    ecore_main_loop_iterate();
}

} // namespace restest
