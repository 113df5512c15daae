// The object the view stack holds for a screen: it owns the screen's view and data and
// forwards the stack's calls to the view.
#pragma once

#include <Elementary.h>

#include <memory>

#include "View.h"
#include "ViewData.h"

namespace NSClockEditor {

class ViewController {
  public:
    virtual ~ViewController() {
        mViewDataPtr.reset();
        mViewPtr.reset();
    }

    // First step of a push or insert: make the view and the data.
    virtual void CreateViewAndData() = 0;
    virtual std::shared_ptr<View> GetView() = 0;
    virtual std::shared_ptr<ViewData> GetViewData() = 0;
    // Second step: build the screen under parent (the naviframe); its base layout or null.
    virtual Evas_Object* Create(Evas_Object* parent) = 0;
    virtual void Resume(bool appControlReceived) = 0;
    virtual void Pause() = 0;
    virtual void Destroy() = 0;
    virtual void UpdatedByPop() = 0;
    virtual bool Pop() = 0;
    virtual void TimeTick() = 0;
    virtual void TransitionFinished() = 0;

  protected:
    std::shared_ptr<View> mViewPtr;
    std::shared_ptr<ViewData> mViewDataPtr;
};

} // namespace NSClockEditor
