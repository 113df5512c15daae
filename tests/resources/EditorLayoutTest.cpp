// The editor's compiled layouts: each signal the editor sends has a program that visibly
// reacts, and the overlay reports taps. (That every group and part exists is checked on
// the whole editor screen, in ScreensTest.)
#include "LoopUtil.h"
#include "ResourceTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using restest::ElmSession;
using restest::WaitForPartState;

TEST(EditorLayout, SignalsShowAndHideTheirPartsAndTapsOnTheTutorialAreReported) {
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

    // A tap anywhere on the tutorial, on the guide text or near the rim, is reported.
    Evas_Object* win = restest::MakeScreen();
    Evas_Object* overlay = restest::EditorLayout(win, "TutorialLayout");
    ASSERT_NE(overlay, nullptr);
    elm_win_resize_object_add(win, overlay);
    Evas_Object* content = restest::EditorLayout(win, "TutorialContentLayout");
    ASSERT_NE(content, nullptr);
    elm_layout_text_set(content, "guide.text", "Tap the screen");
    ASSERT_TRUE(elm_layout_content_set(overlay, "content.layout.swallow", content));

    int clicks = 0;
    Evas_Object* edje = elm_layout_edje_get(overlay);
    edje_object_signal_callback_add(
        edje, "tutorial,clicked", "*",
        [](void* data, Evas_Object*, const char*, const char*) { ++*static_cast<int*>(data); },
        &clicks);
    restest::Grab(win);
    restest::Click(win, 180, 150);
    edje_object_message_signal_process(edje);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return clicks == 1; }, 2.0)) << clicks;
    restest::Click(win, 60, 300);
    edje_object_message_signal_process(edje);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return clicks == 2; }, 2.0)) << clicks;
}
