// What the view stack must know of a screen (its naviframe item and view type), and the
// screen's title text.
#pragma once

#include <Elementary.h>

#include <string>

#include "ViewType.h"

namespace NSClockEditor {

class ViewData {
  public:
    ViewData() : mNaviframeItem(nullptr), mViewType(0) {}
    virtual ~ViewData() {}

    virtual void SetNaviframeItem(Elm_Object_Item* item) = 0;
    // Title label of the screen's naviframe item; empty for none.
    virtual std::string GetTitle() = 0;

    // Free for a concrete screen; the view stack never touches them.
    int mReserved = 0;
    std::string mText1;
    std::string mText2;
    std::string mText3;
    // Written by the view stack when the screen goes on it.
    Elm_Object_Item* mNaviframeItem;
    ViewType mViewType;
    int mReservedIndex = -1;
};

} // namespace NSClockEditor
