// Helpers for the resource tests: a headless Elementary session, a 360 x 360 window and
// its pixels, the editor's layouts, and where the resources are.
#pragma once

#include "AppsTestUtil.h"

#include <Elementary.h>

#include <string>
#include <vector>

namespace restest {

// The staged package's files.
std::string StagePath(const std::string& relative);
// A shown layout of group from the editor's file, expanding in parent; NULL when the group
// is missing.
Evas_Object* EditorLayout(Evas_Object* parent, const char* group);

// Elementary with the buffer engine for one test; the platform theme is applied unless
// told otherwise.
class ElmSession {
  public:
    explicit ElmSession(bool applyTheme = true);
    ~ElmSession();
};

// A shown 360 x 360 window with a black background, like the device's screen.
Evas_Object* MakeScreen();

// Renders the window's canvas and returns what it shows, premultiplied as Evas draws it
// (the true colours where it is opaque).
appstest::Image Grab(Evas_Object* win);

// Runs the main loop until an edje part reaches a state (the end of its transition).
bool WaitForPartState(Evas_Object* edje, const char* part, const char* state, double timeout = 3.0);

// A mouse click at (x, y) on the window's canvas.
void Click(Evas_Object* win, int x, int y);

} // namespace restest
