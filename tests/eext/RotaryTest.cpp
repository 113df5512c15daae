// Rotary detents fed as wheel notches and keys into a real buffer-engine window.
#include "EextWindow.h"
#include "LogCapture.h"
#include "LoopUtil.h"

#include <Elementary.h>

using eexttest::OtherRotary;
using eexttest::Probe;
using eexttest::RecordKey;
using eexttest::RecordRotary;
using Journal = std::vector<std::string>;
using RotaryTest = eexttest::WindowTest;

TEST_F(RotaryTest, WheelNotchesAndBezelKeysAreDetentsForTheRegisteredCallbacks) {
    Evas_Object* box = AddBox(mWin);
    Probe probe{"box", &mJournal};
    ASSERT_TRUE(eext_rotary_object_event_callback_add(box, RecordRotary, &probe));
    eext_rotary_object_event_activated_set(box, EINA_TRUE);

    Wheel(mWin, 1);
    Wheel(mWin, -1);
    for (const char* key : {"Down", "Right", "Next", "Up", "Left", "Prior"})
        Key(mWin, key);
    EXPECT_EQ(mJournal, (Journal{"box:cw", "box:ccw", "box:cw", "box:cw", "box:cw", "box:ccw",
                                 "box:ccw", "box:ccw"}));

    // The event's time stamp travels with the detent.
    Wheel(mWin, 1);
    EXPECT_EQ(probe.lastTimestamp, mTimestamp - 1);

    // Other keys are not detents.
    mJournal.clear();
    Key(mWin, "a");
    Key(mWin, "Return");
    EXPECT_TRUE(mJournal.empty());

    // A deleted callback is not called and gives its data back. The last one gone, the
    // object stays activated and receives again once something registers.
    Probe removed{"removed", &mJournal};
    eext_rotary_object_event_callback_add(box, OtherRotary, &removed);
    EXPECT_EQ(eext_rotary_object_event_callback_del(box, OtherRotary), &removed);
    EXPECT_EQ(eext_rotary_object_event_callback_del(box, OtherRotary), nullptr);
    EXPECT_EQ(eext_rotary_object_event_callback_del(box, RecordRotary), &probe);
    Wheel(mWin, 1);
    EXPECT_TRUE(mJournal.empty());
    eext_rotary_object_event_callback_add(box, RecordRotary, &probe);
    Wheel(mWin, -1);
    EXPECT_EQ(mJournal, (Journal{"box:ccw"}));
}

TEST_F(RotaryTest, CallbacksOfTheChainRunByPriorityThenNearestObjectUntilOneConsumes) {
    Evas_Object* parent = AddBox(mWin);
    Evas_Object* child = AddBox(parent);
    Probe childDefault{"child0", &mJournal};
    Probe childAfter{"child100", &mJournal};
    Probe parentBefore{"parent-100", &mJournal};
    Probe parentDefault{"parent0", &mJournal};
    Probe winDefault{"win0", &mJournal};
    // Registered out of order on purpose: the order comes from priorities and depth.
    ASSERT_TRUE(eext_rotary_object_event_callback_add(mWin, RecordRotary, &winDefault));
    ASSERT_TRUE(eext_rotary_object_event_callback_priority_add(
        parent, EEXT_CALLBACK_PRIORITY_DEFAULT, RecordRotary, &parentDefault));
    ASSERT_TRUE(eext_rotary_object_event_callback_priority_add(child, EEXT_CALLBACK_PRIORITY_AFTER,
                                                               RecordRotary, &childAfter));
    ASSERT_TRUE(eext_rotary_object_event_callback_add(child, RecordRotary, &childDefault));
    ASSERT_TRUE(eext_rotary_object_event_callback_priority_add(
        parent, EEXT_CALLBACK_PRIORITY_BEFORE, RecordRotary, &parentBefore));
    eext_rotary_object_event_activated_set(child, EINA_TRUE);

    Wheel(mWin, 1);
    EXPECT_EQ(mJournal,
              (Journal{"parent-100:cw", "child0:cw", "parent0:cw", "win0:cw", "child100:cw"}));
    EXPECT_EQ(parentBefore.lastObj, parent);
    EXPECT_EQ(winDefault.lastObj, mWin);

    // A callback that consumes the detent ends it.
    mJournal.clear();
    childDefault.consume = EINA_TRUE;
    Wheel(mWin, -1);
    EXPECT_EQ(mJournal, (Journal{"parent-100:ccw", "child0:ccw"}));

    // Activating the parent leaves the child's callbacks out.
    mJournal.clear();
    eext_rotary_object_event_activated_set(parent, EINA_TRUE);
    Key(mWin, "Up");
    EXPECT_EQ(mJournal, (Journal{"parent-100:ccw", "parent0:ccw", "win0:ccw"}));
}

TEST_F(RotaryTest, OnlyTheLastActivatedObjectReceivesAndOnlyWhileItLives) {
    Evas_Object* box = AddBox(mWin);
    Probe probe{"box", &mJournal};
    Probe winProbe{"win", &mJournal};
    eext_rotary_object_event_callback_add(box, RecordRotary, &probe);
    eext_rotary_object_event_callback_add(mWin, RecordRotary, &winProbe);
    Wheel(mWin, 1);
    Key(mWin, "Down");
    EXPECT_TRUE(mJournal.empty());

    eext_rotary_object_event_activated_set(box, EINA_TRUE);
    Wheel(mWin, 1);
    EXPECT_EQ(mJournal, (Journal{"box:cw", "win:cw"}));

    mJournal.clear();
    eext_rotary_object_event_activated_set(box, EINA_FALSE);
    Wheel(mWin, 1);
    Key(mWin, "Up");
    EXPECT_TRUE(mJournal.empty());

    // Activating another object deactivates the previous one.
    eext_rotary_object_event_callback_del(mWin, RecordRotary);
    Evas_Object* a = AddBox(mWin);
    Evas_Object* b = AddBox(mWin);
    Probe probeA{"a", &mJournal};
    Probe probeB{"b", &mJournal};
    eext_rotary_object_event_callback_add(a, RecordRotary, &probeA);
    eext_rotary_object_event_callback_add(b, RecordRotary, &probeB);

    eext_rotary_object_event_activated_set(a, EINA_TRUE);
    Wheel(mWin, 1);
    eext_rotary_object_event_activated_set(b, EINA_TRUE);
    Wheel(mWin, 1);
    // Deactivating an object that is not the activated one changes nothing.
    eext_rotary_object_event_activated_set(a, EINA_FALSE);
    Wheel(mWin, -1);
    EXPECT_EQ(mJournal, (Journal{"a:cw", "b:cw", "b:ccw"}));

    // Activation alone is enough to follow the object: registering afterwards works.
    Evas_Object* c = AddBox(mWin);
    eext_rotary_object_event_activated_set(c, EINA_TRUE);
    Probe probeC{"c", &mJournal};
    eext_rotary_object_event_callback_add(c, RecordRotary, &probeC);
    Wheel(mWin, 1);
    EXPECT_EQ(mJournal.back(), "c:cw");
    EXPECT_EQ(mJournal.size(), 4u);

    // Deleted objects receive nothing.
    mJournal.clear();
    Evas_Object* parent = AddBox(mWin);
    Evas_Object* child = AddBox(parent);
    Probe childProbe{"child", &mJournal};
    Probe parentProbe{"parent", &mJournal};
    eext_rotary_object_event_callback_add(child, RecordRotary, &childProbe);
    eext_rotary_object_event_callback_add(parent, RecordRotary, &parentProbe);
    eext_rotary_object_event_activated_set(child, EINA_TRUE);

    // The activated object goes: its activation goes with it, so the parent hears nothing.
    evas_object_del(child);
    Wheel(mWin, 1);
    Key(mWin, "Down");
    EXPECT_TRUE(mJournal.empty());

    // A callback that deletes a parent further down the order: that parent is skipped.
    Evas_Object* child2 = AddBox(parent);
    Probe deleter{"deleter", &mJournal};
    deleter.deleteOnCall = parent;
    eext_rotary_object_event_callback_add(child2, RecordRotary, &deleter);
    eext_rotary_object_event_activated_set(child2, EINA_TRUE);
    Wheel(mWin, 1);
    EXPECT_EQ(mJournal, (Journal{"deleter:cw"}));

    // A callback that deletes its own object: the object's later callbacks are skipped.
    mJournal.clear();
    Evas_Object* self = AddBox(mWin);
    Probe selfDeleter{"self", &mJournal};
    selfDeleter.deleteOnCall = self;
    Probe selfLater{"self-later", &mJournal};
    eext_rotary_object_event_callback_priority_add(self, -1, RecordRotary, &selfDeleter);
    eext_rotary_object_event_callback_add(self, RecordRotary, &selfLater);
    eext_rotary_object_event_activated_set(self, EINA_TRUE);
    Wheel(mWin, 1);
    Wheel(mWin, 1);
    EXPECT_EQ(mJournal, (Journal{"self:cw"}));
}

// Every call of the library, rotary, keys and circle scrollers, refuses bad arguments: the
// calls with an answer by their answer, the others with one line saying why; nothing
// reaches a callback afterwards.
TEST_F(RotaryTest, BadArgumentsOfEveryCallAreRefused) {
    Probe probe{"p", &mJournal};
    Evas_Object* box = AddBox(mWin);
    Evas_Object* scroller = elm_scroller_add(mWin);
    Evas_Object* rect = evas_object_rectangle_add(evas_object_evas_get(mWin));
    EXPECT_FALSE(eext_rotary_object_event_callback_add(nullptr, RecordRotary, &probe));
    EXPECT_FALSE(eext_rotary_object_event_callback_priority_add(box, 0, nullptr, &probe));
    EXPECT_EQ(eext_rotary_object_event_callback_del(nullptr, RecordRotary), nullptr);
    EXPECT_EQ(eext_circle_surface_conformant_add(nullptr), nullptr);
    EXPECT_EQ(eext_circle_object_scroller_add(nullptr, nullptr), nullptr);
    EXPECT_EQ(eext_circle_object_scroller_add(elm_button_add(mWin), nullptr), nullptr);
    EXPECT_EQ(eext_circle_object_scroller_add(rect, nullptr), nullptr);
    int notASurface = 0;
    EXPECT_EQ(eext_circle_object_scroller_add(scroller,
                                              reinterpret_cast<Eext_Circle_Surface*>(&notASurface)),
              nullptr);
    Elm_Scroller_Policy h = ELM_SCROLLER_POLICY_ON, v = ELM_SCROLLER_POLICY_ON;
    eext_circle_object_scroller_policy_get(rect, &h, &v);
    EXPECT_EQ(h, ELM_SCROLLER_POLICY_LAST);
    EXPECT_EQ(v, ELM_SCROLLER_POLICY_LAST);

    watchtest::LogCapture log;
    eext_rotary_object_event_activated_set(nullptr, EINA_TRUE);
    eext_object_event_callback_add(nullptr, EEXT_CALLBACK_BACK, RecordKey, &probe);
    eext_object_event_callback_add(box, EEXT_CALLBACK_BACK, nullptr, &probe);
    eext_object_event_callback_add(box, EEXT_CALLBACK_LAST, RecordKey, &probe);
    eext_circle_surface_del(nullptr);
    eext_circle_object_scroller_policy_set(scroller, ELM_SCROLLER_POLICY_ON,
                                           ELM_SCROLLER_POLICY_ON);
    const Journal expected = {
        "rotary activation: object is NULL",
        "key callback not added: object is NULL",
        "key callback not added: callback is NULL",
        "key callback not added: unknown key type",
        "circle surface not deleted: surface is NULL",
        "circle scroller policy not set: not a circle scroller",
    };
    EXPECT_EQ(log.Messages("WATCH-EEXT"), expected);
    // Nothing was attached to the scroller on the way; no callback was taken.
    EXPECT_FALSE(elm_scroller_wheel_disabled_get(scroller));
    eext_rotary_object_event_activated_set(box, EINA_TRUE);
    Wheel(mWin, 1);
    Key(mWin, "Escape");
    EXPECT_TRUE(mJournal.empty());
}

TEST_F(RotaryTest, EachWindowHandlesItsOwnDetentsOnce) {
    Evas_Object* other = AddWindow();
    Evas_Object* mine = AddBox(mWin);
    Evas_Object* theirs = AddBox(other);
    Probe probeMine{"mine", &mJournal};
    Probe probeTheirs{"theirs", &mJournal};
    // Many registrations on one window must not multiply the canvas handling.
    Probe idle{"idle", &mJournal};
    for (int i = 0; i < 5; ++i)
        eext_rotary_object_event_callback_add(AddBox(mWin), RecordRotary, &idle);
    eext_rotary_object_event_callback_add(mine, RecordRotary, &probeMine);
    eext_rotary_object_event_callback_add(theirs, RecordRotary, &probeTheirs);
    eext_rotary_object_event_activated_set(mine, EINA_TRUE);

    Wheel(mWin, 1);
    EXPECT_EQ(mJournal, (Journal{"mine:cw"}));
    // The activated object lives in the first window: the second one's wheel is not a
    // detent for it.
    Wheel(other, 1);
    Key(other, "Down");
    EXPECT_EQ(mJournal, (Journal{"mine:cw"}));

    eext_rotary_object_event_activated_set(theirs, EINA_TRUE);
    Wheel(other, -1);
    Wheel(mWin, -1);
    EXPECT_EQ(mJournal, (Journal{"mine:cw", "theirs:ccw"}));

    // A closed window leaves nothing behind.
    evas_object_del(other);
    for (int i = 0; i < 3; ++i)
        ecore_main_loop_iterate();

    // A new window starts clean and works.
    Evas_Object* again = AddWindow();
    Evas_Object* box2 = AddBox(again);
    Probe probe2{"new", &mJournal};
    eext_rotary_object_event_callback_add(box2, RecordRotary, &probe2);
    eext_rotary_object_event_activated_set(box2, EINA_TRUE);
    mJournal.clear();
    Wheel(again, 1);
    Wheel(mWin, 1);
    EXPECT_EQ(mJournal, (Journal{"new:cw"}));
}

TEST_F(RotaryTest, ADetentIsNotAlsoAWheelScrollOfTheWidgetsBelow) {
    Evas_Object* scroller = elm_scroller_add(mWin);
    evas_object_size_hint_weight_set(scroller, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(mWin, scroller);
    Evas_Object* tall = evas_object_rectangle_add(evas_object_evas_get(mWin));
    evas_object_size_hint_min_set(tall, 360, 3600);
    elm_object_content_set(scroller, tall);
    evas_object_show(scroller);
    Evas_Coord childH = 0;
    ASSERT_TRUE(watchtest::RunLoopUntil([&] {
        elm_scroller_child_size_get(scroller, nullptr, &childH);
        return childH == 3600;
    }));
    Evas_Object* box = AddBox(mWin);
    Probe probe{"box", &mJournal};
    eext_rotary_object_event_callback_add(box, RecordRotary, &probe);
    eext_rotary_object_event_activated_set(box, EINA_TRUE);
    Evas_Coord y = -1;

    Wheel(mWin, 1);
    Wheel(mWin, 1);
    watchtest::RunLoopFor(0.3);
    elm_scroller_region_get(scroller, nullptr, &y, nullptr, nullptr);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(mJournal.size(), 2u);

    // Without an activated object the wheel is an ordinary wheel again.
    eext_rotary_object_event_activated_set(box, EINA_FALSE);
    Wheel(mWin, 1);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] {
        elm_scroller_region_get(scroller, nullptr, &y, nullptr, nullptr);
        return y > 0;
    }));
}
