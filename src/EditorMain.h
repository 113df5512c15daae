// The application object and the callbacks the application framework, the system
// settings, the UX theme and vconf call on the main loop.
#pragma once

#include <app.h>
#include <system_settings.h>
#include <vconf.h>

#include <memory>

#include "ViewController.h"

namespace NSClockCommon {
class ChangeableTheme;
}

namespace NSClockEditor {
class ViewBasicElements;
class ViewManager;
} // namespace NSClockEditor

// One per process, created on first use and never destroyed; the user data of every
// callback below.
// Makes the controller of the program's first screen; the program hands it to the shell.
using FirstScreenFactory = std::shared_ptr<NSClockEditor::ViewController> (*)();

class AppMain {
  public:
    static AppMain* GetInstance();

    // The first screen, pushed when the stack is empty on resume (none: nothing is pushed).
    void SetFirstScreenFactory(FirstScreenFactory factory) { mFirstScreenFactory = factory; }

    // The clone of the latest launch request, borrowed (null before the first one). A
    // newer request replaces it, so ask again each time it is needed.
    app_control_h GetCallerAppControl() const { return mCallerAppControl; }
    std::shared_ptr<NSClockEditor::ViewBasicElements> GetViewBasicElements() const {
        return mViewBasicElementsPtr;
    }
    std::shared_ptr<NSClockEditor::ViewManager> GetViewManager() const { return mViewManagerPtr; }

  private:
    AppMain();

    std::shared_ptr<NSClockEditor::ViewManager> mViewManagerPtr;
    std::shared_ptr<NSClockEditor::ViewBasicElements> mViewBasicElementsPtr;
    std::shared_ptr<NSClockCommon::ChangeableTheme> mChangeableThemePtr;
    app_control_h mCallerAppControl;
    bool mAppControlReceived;
    FirstScreenFactory mFirstScreenFactory = nullptr;

    friend bool AppCreate(void* data);
    friend void AppTerminate(void* data);
    friend void AppPause(void* data);
    friend void AppResume(void* data);
    friend void AppControl(app_control_h appControl, void* data);
    friend void SetCallerAppControlToAppMain(AppMain* pThis, app_control_h appControl);
    friend void OnLanguageChanged(system_settings_key_e key, void* data);
    friend void OnThemeFontChangedCb(void* data);
    friend void SystemChangedWhichRelatedWithTime(void* data);

    AppMain(const AppMain&) = delete;
    AppMain& operator=(const AppMain&) = delete;
};

// Lifecycle, in the framework's order.
bool AppCreate(void* data);
void AppTerminate(void* data);
void AppPause(void* data);
void AppResume(void* data);
void AppControl(app_control_h appControl, void* data);

// Keeps a clone of the request, releasing the previous one.
void SetCallerAppControlToAppMain(AppMain* pThis, app_control_h appControl);

// System and theme changes.
void OnLanguageChanged(system_settings_key_e key, void* data);
void OnThemeColorChangedCb(void* data);
void OnThemeFontChangedCb(void* data);
void SystemTimeChangedCb(keynode_t* node, void* pThis);
void SettingApplicationTimezoneIdChangedCb(keynode_t* node, void* pThis);
void SettingApplicationDateFormatChangedCb(keynode_t* node, void* pThis);
void SystemChangedWhichRelatedWithTime(void* data);

// The program: takes the factory of its first screen, registers the language watch and runs
// the framework's main loop. The result of ui_app_main, or -1 when a standard exception
// escapes it.
int EditorMain(int argc, char** argv, FirstScreenFactory makeFirstScreen);
