// A screen: builds its widgets under a parent and reacts to lifecycle events.
#pragma once

#include <Elementary.h>

#include <memory>

#include "ViewData.h"

namespace NSClockEditor {

class View {
  public:
    View() : mBaseLayout(nullptr), mParent(nullptr) {}
    virtual ~View() { mViewDataPtr.reset(); }

    virtual Evas_Object* GetBaseLayout() = 0;
    // Builds the screen under parent; the base layout, or null on failure.
    virtual Evas_Object* Create(Evas_Object* parent, std::shared_ptr<ViewData> viewDataPtr) = 0;
    virtual void Resume(bool appControlReceived) = 0;
    virtual void Pause() = 0;
    virtual void Destroy() = 0;
    virtual void UpdatedByPop() = 0;
    // True lets the stack take the screen off (or lower the window when it is the last).
    virtual bool Pop() = 0;
    virtual void TimeTick() = 0;
    virtual void TransitionFinished() = 0;

  protected:
    Evas_Object* mBaseLayout;
    Evas_Object* mParent;
    std::shared_ptr<ViewData> mViewDataPtr;
};

} // namespace NSClockEditor
