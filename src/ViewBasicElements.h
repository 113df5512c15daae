// The fixed widget tree every screen lives under: window, background, conformant, circle
// surface, main layout and naviframe. Built once and kept until the process ends; the
// widgets are class-wide so that any code can reach them without an instance.
#pragma once

#include <Elementary.h>
#include <efl_extension.h>

namespace NSClockEditor {

class ViewBasicElements {
  public:
    ViewBasicElements();
    virtual ~ViewBasicElements();

    // Builds the tree in order; 0 on success, -1 at the first step that fails (the
    // widgets of the earlier steps stay set).
    int SetupViewBasicElements();

    // Each builds one widget from the class-wide parents; null on failure.
    Evas_Object* CreateWindow();
    Evas_Object* CreateBackground();
    Evas_Object* CreateConformant();
    Eext_Circle_Surface* CreateCircleSurface();
    Evas_Object* CreateMainLayout();
    Evas_Object* CreateNaviframe();

    // Null before set-up, after a failed step, or once the widget has been deleted.
    static Evas_Object* GetWindow() { return mWindow; }
    static Evas_Object* GetBackground() { return mBackground; }
    static Evas_Object* GetConformant() { return mConformant; }
    static Eext_Circle_Surface* GetCircleSurface() { return mCircleSurface; }
    static Evas_Object* GetMainLayout() { return mMainLayout; }
    static Evas_Object* GetNaviframe() { return mNaviframe; }
    // The image that clips everything on the window's canvas to the round screen.
    static Evas_Object* GetRoundMask() { return mRoundMask; }

    // The screen's size: the window is square and only the inscribed circle is drawn.
    static constexpr int SCREEN_SIZE = 360;

  private:
    static Evas_Object* CreateRoundMask(Evas_Object* window);
    static void FillRoundMask(Evas_Object* mask, int width, int height);
    static void ClipToRoundCb(void* data, Evas* e, void* eventInfo);
    static void WindowResizeCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo);
    static void PlaceScreen(Evas_Object* window);
    static void WidgetDeletedCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo);
    static void WatchDeletion(Evas_Object* widget, Evas_Object** member);

    static Evas_Object* mWindow;
    static Evas_Object* mBackground;
    static Evas_Object* mConformant;
    static Eext_Circle_Surface* mCircleSurface;
    static Evas_Object* mMainLayout;
    static Evas_Object* mNaviframe;
    static Evas_Object* mRoundMask;
};

} // namespace NSClockEditor
