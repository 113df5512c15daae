// The editor's compiled layouts: every group and part the editor uses exists, each
// signal it sends has a program that visibly reacts, and the overlay reports taps.
#include "LoopUtil.h"
#include "ResourceTestUtil.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using restest::ElmSession;
using restest::WaitForPartState;

namespace {

const std::map<std::string, std::vector<std::string>> kPartsByGroup = {
    {"MainViewLayout",
     {"part_scroller", "part_title", "controller", "part_button_bottom", "tutorial.page"}},
    {"PageLayout", {"part_page", "part_page_event_off", "part_edit_select"}},
    {"Page", {"elm.icon"}},
    {"EditSelectLayout", {}},
    {"TutorialLayout", {"content.layout.swallow"}},
    {"TutorialContentLayout", {"guide.text"}},
};

// A layout of the editor's file filling a 360 x 360 screen, as the editor builds it.
struct Screen {
    Evas_Object* win = restest::MakeScreen();
    Evas_Object* Layout(const char* group) {
        Evas_Object* ly = elm_layout_add(win);
        if (!elm_layout_file_set(ly, restest::EditorEdjPath().c_str(), group)) {
            evas_object_del(ly);
            return nullptr;
        }
        evas_object_size_hint_weight_set(ly, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
        elm_win_resize_object_add(win, ly);
        evas_object_show(ly);
        return ly;
    }
    Evas_Object* Rect() {
        Evas_Object* r = evas_object_rectangle_add(evas_object_evas_get(win));
        evas_object_color_set(r, 255, 255, 255, 255);
        return r;
    }
    ~Screen() { evas_object_del(win); }
};

Eina_Rectangle ObjectGeometry(Evas_Object* obj) {
    Eina_Rectangle r = {0, 0, 0, 0};
    evas_object_geometry_get(obj, &r.x, &r.y, &r.w, &r.h);
    return r;
}

} // namespace

TEST(EditorLayout, EveryPartTheEditorUsesExists) {
    ElmSession elm(false);
    Screen screen;
    for (const auto& entry : kPartsByGroup) {
        Evas_Object* ly = screen.Layout(entry.first.c_str());
        ASSERT_NE(ly, nullptr) << entry.first;
        Evas_Object* edje = elm_layout_edje_get(ly);
        for (const std::string& part : entry.second)
            EXPECT_TRUE(edje_object_part_exists(edje, part.c_str())) << entry.first << ":" << part;
        EXPECT_FALSE(edje_object_part_exists(edje, "no.such.part"));
        evas_object_del(ly);
    }
}

// Each signal the editor sends has a program that shows or hides what the part holds.
TEST(EditorLayout, SignalsShowAndHideTheirParts) {
    ElmSession elm(false);
    const struct {
        const char* group;
        const char* part;   // what the signal moves
        const char* before; // sent first, so that the signal has something to undo
        const char* signal;
        const char* source; // as the editor sends it
        const char* state;  // the part's state afterwards
        bool visible;       // the part's content afterwards
    } cases[] = {
        {"MainViewLayout", "part_button_bottom", nullptr, nullptr, nullptr, "default", false},
        {"MainViewLayout", "part_button_bottom", nullptr, "button,show", "*", "visible", true},
        {"MainViewLayout", "tutorial.page", nullptr, "tutorial,layout,show", "*", "visible", true},
        {"MainViewLayout", "tutorial.page", "tutorial,layout,show", "tutorial,layout,hide", "*",
         "default", false},
        {"MainViewLayout", "label_bg", nullptr, "show,label,bg", "", "visible", true},
        {"MainViewLayout", "label_bg", "show,label,bg", "hide,label,bg", "", "default", false},
        {"PageLayout", "part_edit_select", nullptr, nullptr, nullptr, "default", true},
        {"PageLayout", "part_edit_select", nullptr, "hide,edit,select", "", "hidden", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.group) + " " + (c.signal ? c.signal : "(none)"));
        Screen screen;
        Evas_Object* ly = screen.Layout(c.group);
        ASSERT_NE(ly, nullptr);
        Evas_Object* edje = elm_layout_edje_get(ly);
        // label_bg is an image of the layout's own; the others hold what the editor puts in.
        Evas_Object* content = nullptr;
        if (std::string(c.part) != "label_bg") {
            content = screen.Rect();
            evas_object_show(content);
            ASSERT_TRUE(elm_layout_content_set(ly, c.part, content));
        }
        if (c.before) {
            edje_object_signal_emit(edje, c.before, c.source);
            edje_object_message_signal_process(edje);
            ASSERT_TRUE(watchtest::RunLoopUntil([&] {
                return std::string(edje_object_part_state_get(edje, c.part, nullptr)) != c.state;
            }));
        }
        if (c.signal)
            edje_object_signal_emit(edje, c.signal, c.source);
        ASSERT_TRUE(WaitForPartState(edje, c.part, c.state));
        restest::Grab(screen.win);
        if (content) {
            EXPECT_EQ(bool(evas_object_visible_get(content)), c.visible);
        }
        if (content && c.visible && std::string(c.part) == "tutorial.page") {
            EXPECT_EQ(ObjectGeometry(content).w, 360);
            EXPECT_EQ(ObjectGeometry(content).h, 360);
        }
    }
}

namespace {

void CountSignal(void* data, Evas_Object*, const char*, const char*) {
    ++*static_cast<int*>(data);
}

} // namespace

TEST(EditorLayout, TapAnywhereOnTheTutorialEmitsTutorialClicked) {
    ElmSession elm(false);
    Screen screen;
    Evas_Object* overlay = screen.Layout("TutorialLayout");
    ASSERT_NE(overlay, nullptr);
    Evas_Object* content = elm_layout_add(screen.win);
    ASSERT_TRUE(
        elm_layout_file_set(content, restest::EditorEdjPath().c_str(), "TutorialContentLayout"));
    elm_layout_text_set(content, "guide.text", "Tap the screen");
    ASSERT_TRUE(elm_layout_content_set(overlay, "content.layout.swallow", content));

    int clicks = 0;
    Evas_Object* edje = elm_layout_edje_get(overlay);
    edje_object_signal_callback_add(edje, "tutorial,clicked", "*", CountSignal, &clicks);
    restest::Grab(screen.win);

    // On the guide text, then near the rim.
    restest::Click(screen.win, 180, 150);
    edje_object_message_signal_process(edje);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return clicks == 1; }, 2.0)) << clicks;
    restest::Click(screen.win, 60, 300);
    edje_object_message_signal_process(edje);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return clicks == 2; }, 2.0)) << clicks;
    edje_object_signal_callback_del_full(edje, "tutorial,clicked", "*", CountSignal, &clicks);
}
