// The editor's compiled layouts: each signal the editor sends has a program that visibly
// reacts. (Taps on the tutorial are checked on the editor, in EditorScreenTest; that its texts land
// in their parts is checked on the running editor, in SystemTest.)
#include "LoopUtil.h"
#include "ResourceTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using restest::ElmSession;
using restest::WaitForPartState;

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
        Evas_Object* win = restest::MakeScreen();
        Evas_Object* ly = restest::EditorLayout(win, c.group);
        ASSERT_NE(ly, nullptr);
        elm_win_resize_object_add(win, ly);
        Evas_Object* edje = elm_layout_edje_get(ly);
        // label_bg is an image of the layout's own; the others hold what the editor puts in.
        Evas_Object* content = nullptr;
        if (std::string(c.part) != "label_bg") {
            content = evas_object_rectangle_add(evas_object_evas_get(win));
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
        restest::Grab(win);
        if (content) {
            EXPECT_EQ(bool(evas_object_visible_get(content)), c.visible);
        }
        evas_object_del(win);
    }
}
