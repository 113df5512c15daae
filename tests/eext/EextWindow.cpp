#include "EextWindow.h"

#include "Toolkit.h"

namespace eexttest {

void WindowTest::SetUp() {
    ASSERT_TRUE(watchtest::ToolkitInit());
    mWin = AddWindow();
}

void WindowTest::TearDown() {
    elm_shutdown();
}

Evas_Object* WindowTest::AddWindow() {
    Evas_Object* win = elm_win_add(nullptr, "eext-test", ELM_WIN_BASIC);
    evas_object_resize(win, 360, 360);
    Evas_Object* bg = elm_bg_add(win);
    evas_object_size_hint_weight_set(bg, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(win, bg);
    evas_object_show(bg);
    evas_object_show(win);
    Evas* canvas = evas_object_evas_get(win);
    evas_event_feed_mouse_in(canvas, mTimestamp++, nullptr);
    evas_event_feed_mouse_move(canvas, 180, 180, mTimestamp++, nullptr);
    return win;
}

void WindowTest::Wheel(Evas_Object* win, int z) {
    evas_event_feed_mouse_wheel(evas_object_evas_get(win), 0, z, mTimestamp++, nullptr);
    ecore_main_loop_iterate();
}

void WindowTest::Key(Evas_Object* win, const char* keyname) {
    Evas* canvas = evas_object_evas_get(win);
    evas_event_feed_key_down(canvas, keyname, keyname, nullptr, nullptr, mTimestamp++, nullptr);
    evas_event_feed_key_up(canvas, keyname, keyname, nullptr, nullptr, mTimestamp++, nullptr);
    ecore_main_loop_iterate();
}

Evas_Object* WindowTest::AddBox(Evas_Object* parent) {
    Evas_Object* box = elm_box_add(parent);
    evas_object_size_hint_weight_set(box, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    if (elm_object_widget_type_get(parent) == std::string("Elm_Win"))
        elm_win_resize_object_add(parent, box);
    else
        elm_box_pack_end(parent, box);
    evas_object_show(box);
    return box;
}

namespace {

void Note(Probe* probe, Evas_Object* obj, const std::string& entry) {
    probe->lastObj = obj;
    probe->journal->push_back(entry);
    if (probe->deleteOnCall) {
        evas_object_del(probe->deleteOnCall);
        probe->deleteOnCall = nullptr;
    }
}

} // namespace

Eina_Bool RecordRotary(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info) {
    auto* probe = static_cast<Probe*>(data);
    probe->lastTimestamp = info->time_stamp;
    Note(probe, obj,
         probe->name + (info->direction == EEXT_ROTARY_DIRECTION_CLOCKWISE ? ":cw" : ":ccw"));
    return probe->consume;
}

Eina_Bool OtherRotary(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info) {
    return RecordRotary(data, obj, info);
}

void RecordKey(void* data, Evas_Object* obj, void* eventInfo) {
    EXPECT_EQ(eventInfo, nullptr);
    Note(static_cast<Probe*>(data), obj, static_cast<Probe*>(data)->name);
}

void OtherKey(void* data, Evas_Object* obj, void* eventInfo) {
    RecordKey(data, obj, eventInfo);
}

} // namespace eexttest
