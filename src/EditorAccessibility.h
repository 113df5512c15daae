// What a screen reader says on the editor screen: each colour page is named after its
// colour and place ("Blue, 1 of 5"), the OK button after what it applies ("Apply
// orange"), in the display language. The toolkit's AT-SPI bridge carries the names; it
// runs only while a screen reader is on.
#pragma once

#include <Elementary.h>

#include <string>

namespace NSClockEditor {
namespace EditorAccessibility {

// The page of `band` (0-based) among `count` pages; empty for a band out of range.
std::string ColorPageName(int band, int count);
// The OK button while `band` is shown; empty for a band out of range.
std::string ApplyButtonName(int band);
// Names obj; with `announce` (and a screen reader on) a name that changed is read out.
void SetName(Evas_Object* obj, const std::string& name, bool announce);
// Names the window that holds obj after the screen's title, in the display language.
void NameWindow(Evas_Object* obj, const char* titleId);
// Keeps a container in the accessible tree. The toolkit leaves a box out of the tree but
// still gives it to its children's clients as their parent, an object they cannot reach.
void KeepInTree(Evas_Object* obj);
// Gives the keyboard focus to the page shown, the only page that can take it: a screen
// reader follows the focus, and Tab goes on from there to the OK button.
void FocusPage(Evas_Object* const pages[], int count, int shown);
// True while the bridge is on.
bool ScreenReaderOn();

} // namespace EditorAccessibility
} // namespace NSClockEditor
