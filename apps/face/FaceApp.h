// The watch face application: one window with the Dalvexa face in the stored colour band,
// following changes of the band and ticking each second while it is in front.
#pragma once

#include "FaceClock.h"

#include <app.h>
#include <Elementary.h>

#include <memory>

namespace dalvexa {

class FaceApp {
  public:
    FaceApp() = default;
    ~FaceApp();

    // The lifecycle, as ui_app_main calls it.
    bool Create();
    void AppControl(app_control_h request);
    void Resume();
    void Pause();
    void Terminate();

    // Reads the stored band and draws it; a missing or bad value keeps the face as it is.
    void ReloadBand();
    const FaceClock* Face() const { return mFace.get(); }
    Evas_Object* Window() const { return mWindow; }
    bool Ticking() const { return mTick != nullptr; }

  private:
    void ShowTime();
    void ScheduleTick();
    static Eina_Bool OnTick(void* data);
    static void OnBandChanged(const char* key, void* data);
    static void OnWindowDel(void* data, Evas* e, Evas_Object* obj, void* info);
    static void OnWindowResize(void* data, Evas* e, Evas_Object* obj, void* info);

    Evas_Object* mWindow = nullptr; // owned by Elementary; cleared when deleted
    std::unique_ptr<FaceClock> mFace;
    Ecore_Timer* mTick = nullptr;
    bool mWatching = false;
};

// The program's entry: runs the face under ui_app_main.
int FaceMain(int argc, char** argv);

} // namespace dalvexa
