// A headless 360x360 window (buffer engine) to feed wheel and key events into, and a
// recorder of the callbacks they reach.
#pragma once

#include <efl_extension.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace eexttest {

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A shown window with a background, the pointer inside it.
    Evas_Object* AddWindow();
    // One wheel notch (z 1 = down, -1 = up) or one key press, into win's canvas.
    void Wheel(Evas_Object* win, int z);
    void Key(Evas_Object* win, const char* keyname);
    // A shown child widget (a box) of parent, so the widget tree has depth.
    Evas_Object* AddBox(Evas_Object* parent);

    Evas_Object* mWin = nullptr;
    unsigned int mTimestamp = 1;
    std::vector<std::string> mJournal; // what the probes saw
};

// Callback data: what each registration saw, in one shared journal.
struct Probe {
    std::string name;
    std::vector<std::string>* journal = nullptr;
    Eina_Bool consume = EINA_FALSE;
    Evas_Object* lastObj = nullptr;
    unsigned int lastTimestamp = 0;
    Evas_Object* deleteOnCall = nullptr; // deleted from inside the callback
};

// Journals "<name>:cw" or "<name>:ccw"; answers probe->consume. The Other* twins do the
// same as another callback function.
Eina_Bool RecordRotary(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info);
Eina_Bool OtherRotary(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info);
// Journals "<name>".
void RecordKey(void* data, Evas_Object* obj, void* eventInfo);
void OtherKey(void* data, Evas_Object* obj, void* eventInfo);

} // namespace eexttest
