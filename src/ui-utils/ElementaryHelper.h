// Recipes by which the clock applications build their Elementary widgets: each operation
// creates one widget on a parent with the default size hints, style and state, and
// returns it, or returns null after logging why. The helper keeps nothing; the widgets
// belong to the object tree under their parent.
#pragma once

#include <Elementary.h>

#include <string>

namespace NSClockCommon {

class ElementaryHelper {
  public:
    ElementaryHelper() {}
    ~ElementaryHelper() {}

    // A layout that expands and fills. Without a file or a group the bare layout comes
    // back (no file, no hints); a file that cannot be set deletes it and gives null.
    Evas_Object* CreateExpandLayout(Evas_Object* parent, const char* file, const char* group);
    // As CreateExpandLayout, without size hints.
    Evas_Object* CreateLayout(Evas_Object* parent, const char* file, const char* group);
    Evas_Object* CreateImage(Evas_Object* parent, const char* file, const char* group);
    Evas_Object* CreateBGImage(Evas_Object* parent, const char* file, const char* group);
    Evas_Object* CreateActivityIndicator(Evas_Object* parent, const std::string& style);
    Evas_Object* CreateGenlist(Evas_Object* parent);
    Evas_Object* CreateCheck(Evas_Object* parent, const std::string& style);
    Evas_Object* CreateRadioGroup(Evas_Object* parent, int groupValue, int stateValue);
    Evas_Object* CreateRadioElement(Evas_Object* parent, const std::string& style,
                                    Evas_Object* radioGroup, int stateValue);
    // An image from a group of the package's resource edje file, tinted with the first
    // colour of a colour class when one is named.
    Evas_Object* CreateImageWithColorClass(Evas_Object* parent, const std::string& imagePath,
                                           const std::string& colorClass);
    // Number of lines of a textblock part, or -1.
    int GetTextblockMaxLine(Evas_Object* edje, const char* part);
    // The OK button along the bottom edge of the round screen.
    Evas_Object* CreateBottomButton(Evas_Object* parent);
    Evas_Object* CreateProgressBar(Evas_Object* parent, const std::string& style);
    Evas_Object* CreateBox(Evas_Object* parent, bool horizontal);
    // A paged scroller: one page of pageSize pixels per flick, the other axis locked.
    Evas_Object* CreateScroller(Evas_Object* parent, int pageSize, bool horizontal);

  private:
    ElementaryHelper(const ElementaryHelper&) = delete;
    ElementaryHelper& operator=(const ElementaryHelper&) = delete;
};

} // namespace NSClockCommon
