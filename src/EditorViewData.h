// Data of the editor screen: its naviframe item, the scaffold's circle surface the page
// scroller is drawn on, and where the editor's layout file lives.
#pragma once

#include <efl_extension.h>

#include <string>

#include "ViewData.h"

namespace NSClockEditor {

class EditorViewData : public ViewData {
  public:
    EditorViewData();
    ~EditorViewData() override;

    void SetNaviframeItem(Elm_Object_Item* item) override;
    // The editor's naviframe item has no title text.
    std::string GetTitle() override;
    virtual Elm_Object_Item* GetNaviframeItem();

    // The editor's edje file (resource directory + "/edje/ClockEditor.edj"), or an empty
    // string when the resource directory is unknown. Computed anew on every call.
    std::string GetEditorViewEDJPath();
    std::string GetEditorViewPageEDJPath();
    std::string GetTutorialEDJPath();

    // Set by the controller before the screen is built; not owned.
    Eext_Circle_Surface* mCircleSurface;
};

} // namespace NSClockEditor
