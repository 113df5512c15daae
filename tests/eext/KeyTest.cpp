// The back (Escape) and more (Menu) keys fed into a real buffer-engine window.
#include "EextWindow.h"

#include <Elementary.h>

using eexttest::OtherKey;
using eexttest::Probe;
using eexttest::RecordKey;
using Journal = std::vector<std::string>;
using KeyTest = eexttest::WindowTest;

TEST_F(KeyTest, BackAndMoreGoToTheMostRecentRegistrationOfTheirKindAndFallBackWhenItGoes) {
    Evas_Object* naviframe = AddBox(mWin);
    Evas_Object* popup = AddBox(mWin);
    Evas_Object* toast = AddBox(mWin);
    Probe navi{"naviframe", &mJournal};
    Probe pop{"popup", &mJournal};
    Probe toastProbe{"toast", &mJournal};
    eext_object_event_callback_add(naviframe, EEXT_CALLBACK_BACK, RecordKey, &navi);
    eext_object_event_callback_add(popup, EEXT_CALLBACK_BACK, RecordKey, &pop);
    eext_object_event_callback_add(toast, EEXT_CALLBACK_BACK, RecordKey, &toastProbe);

    // A deleted registration is not called; another kind or function deletes nothing.
    EXPECT_EQ(eext_object_event_callback_del(toast, EEXT_CALLBACK_MORE, RecordKey), nullptr);
    EXPECT_EQ(eext_object_event_callback_del(toast, EEXT_CALLBACK_BACK, OtherKey), nullptr);
    EXPECT_EQ(eext_object_event_callback_del(toast, EEXT_CALLBACK_BACK, RecordKey), &toastProbe);
    Key(mWin, "Escape");
    EXPECT_EQ(mJournal, (Journal{"popup"}));
    EXPECT_EQ(pop.lastObj, popup);

    evas_object_del(popup);
    Key(mWin, "Escape");
    EXPECT_EQ(mJournal, (Journal{"popup", "naviframe"}));
    EXPECT_EQ(navi.lastObj, naviframe);

    // The back key needs no rotary activation, and bezel keys are not back keys.
    Key(mWin, "Down");
    Wheel(mWin, 1);
    EXPECT_EQ(mJournal.size(), 2u);
    EXPECT_EQ(eext_object_event_callback_del(naviframe, EEXT_CALLBACK_BACK, RecordKey), &navi);
    Key(mWin, "Escape");
    EXPECT_EQ(mJournal.size(), 2u);

    // More is routed apart from back.
    mJournal.clear();
    popup = AddBox(mWin);
    Probe naviBack{"naviframe-back", &mJournal};
    Probe naviMore{"naviframe-more", &mJournal};
    Probe popBack{"popup-back", &mJournal};
    eext_object_event_callback_add(naviframe, EEXT_CALLBACK_BACK, RecordKey, &naviBack);
    eext_object_event_callback_add(popup, EEXT_CALLBACK_BACK, RecordKey, &popBack);
    eext_object_event_callback_add(naviframe, EEXT_CALLBACK_MORE, RecordKey, &naviMore);

    // The popup has no more callback: the more key reaches the naviframe.
    Key(mWin, "Menu");
    Key(mWin, "Escape");
    EXPECT_EQ(mJournal, (Journal{"naviframe-more", "popup-back"}));

    // A later registration of one kind moves that kind only; all callbacks of the object
    // run, unless it is deleted on the way.
    mJournal.clear();
    eext_object_event_callback_add(naviframe, EEXT_CALLBACK_BACK, OtherKey, &naviBack);
    Key(mWin, "Escape");
    EXPECT_EQ(mJournal, (Journal{"naviframe-back", "naviframe-back"}));
    naviBack.deleteOnCall = naviframe;
    Key(mWin, "Escape");
    Key(mWin, "Escape");
    EXPECT_EQ(mJournal,
              (Journal{"naviframe-back", "naviframe-back", "naviframe-back", "popup-back"}));
}

TEST_F(KeyTest, TheFocusedWidgetDoesNotAlsoGetTheKeys) {
    // An entry with the focus would otherwise take Escape and the arrows for itself.
    Evas_Object* entry = elm_entry_add(mWin);
    elm_win_resize_object_add(mWin, entry);
    evas_object_show(entry);
    elm_object_focus_set(entry, EINA_TRUE);
    int entryKeys = 0;
    evas_object_event_callback_add(
        entry, EVAS_CALLBACK_KEY_DOWN,
        [](void* data, Evas*, Evas_Object*, void*) { ++*static_cast<int*>(data); }, &entryKeys);
    Key(mWin, "a");
    ASSERT_EQ(entryKeys, 1) << "the entry does not get keys at all: the check below means nothing";

    Evas_Object* obj = AddBox(mWin);
    Probe probe{"back", &mJournal};
    eext_object_event_callback_add(obj, EEXT_CALLBACK_BACK, RecordKey, &probe);
    Key(mWin, "Escape");
    Key(mWin, "Down");
    Key(mWin, "a");
    EXPECT_EQ(entryKeys, 2);
    EXPECT_EQ(mJournal, (Journal{"back"}));
}
