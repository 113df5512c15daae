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
// Names obj; with `announce` (and a screen reader on) the name is read out as new.
void SetName(Evas_Object* obj, const std::string& name, bool announce);
// True while the bridge is on.
bool ScreenReaderOn();

} // namespace EditorAccessibility
} // namespace NSClockEditor
