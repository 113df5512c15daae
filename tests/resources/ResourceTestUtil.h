// Helpers for the resource tests: a headless Elementary session, a 360 x 360 window and
// its pixels, the editor's layouts, PNG reading through Evas, and where the resources are.
#pragma once

#include <Elementary.h>

#include <cstdint>
#include <string>
#include <vector>

namespace restest {

// The staged package's files.
std::string StagePath(const std::string& relative);
std::string EditorEdjPath(); // res/edje/ClockEditor.edj in the stage
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

// An ARGB picture: pixels are 0xAARRGGBB as Evas keeps them, premultiplied, so only the
// opaque ones have their true colour.
struct Picture {
    int w = 0;
    int h = 0;
    std::vector<uint32_t> px;
    uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
    bool Empty() const { return px.empty(); }
};

inline int Red(uint32_t c) {
    return int((c >> 16) & 0xff);
}
inline int Green(uint32_t c) {
    return int((c >> 8) & 0xff);
}
inline int Blue(uint32_t c) {
    return int(c & 0xff);
}
inline int Alpha(uint32_t c) {
    return int(c >> 24);
}
// The largest of the three colour channel differences; alpha is not compared.
int ColourDistance(uint32_t a, uint32_t rgb);

// A shown 360 x 360 window with a black background, like the device's screen.
Evas_Object* MakeScreen();

// Renders the window's canvas and returns what it shows.
Picture Grab(Evas_Object* win);
// Reads a PNG (or any image Evas loads).
Picture LoadImage(const std::string& path);

// Runs the main loop until an edje part reaches a state (the end of its transition).
bool WaitForPartState(Evas_Object* edje, const char* part, const char* state, double timeout = 3.0);

// The members of a smart object; none for a basic one.
std::vector<Evas_Object*> SmartMembers(Evas_Object* obj);

// Runs the main loop until a popup's notify (of its style, centred) has faded in.
bool WaitForPopupShown(Evas_Object* win, const char* style, double timeout = 3.0);

// A mouse click at (x, y) on the window's canvas.
void Click(Evas_Object* win, int x, int y);

} // namespace restest
