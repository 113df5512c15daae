// The kind of a screen on the view stack, compared for equality only.
#pragma once

namespace NSClockEditor {

typedef int ViewType;

enum { VIEW_TYPE_EDITOR = 0 };

} // namespace NSClockEditor
