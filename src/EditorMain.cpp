#define LOG_TAG "CLOCK-DALVEXA-EDITOR"
#include "EditorMain.h"
#include "ChangeableTheme.h"
#include "ClockLog.h"
#include "DalvexaNames.h"
#include "FileUtil.h"
#include "VconfUtil.h"
#include "ViewBasicElements.h"
#include "ViewManager.h"
#include "ViewType.h"

#include <Elementary.h>
#include <glib.h>
#include <libintl.h>
#include <malloc.h>
#include <uxt_theme.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

using NSClockCommon::ChangeableTheme;
using NSClockCommon::FileUtil;
using NSClockCommon::VconfUtil;
using NSClockEditor::ViewBasicElements;
using NSClockEditor::ViewController;
using NSClockEditor::ViewManager;

namespace {

const char* const TEXT_DOMAIN = dalvexa::kTextDomain;
const double BASE_SCALE = 1.3;
// Evas keeps a scaled copy of an image it draws scaled. The opening zoom and the OK
// animation draw a 360x360 preview at a new size in every frame, and each copy stayed in
// its cache (some 4 MiB) though no later frame used it: images scaled beyond this size
// are scaled as they are drawn instead.
const char* const SCALE_CACHE_MAX_DIMENSION = "128";

} // namespace

AppMain::AppMain()
    : mViewManagerPtr(new ViewManager()), mViewBasicElementsPtr(new ViewBasicElements()),
      mChangeableThemePtr(new ChangeableTheme()), mCallerAppControl(nullptr),
      mAppControlReceived(false) {}

AppMain* AppMain::GetInstance() {
    static AppMain* instance = nullptr;
    if (instance == nullptr)
        instance = new AppMain();
    return instance;
}

int EditorMain(int argc, char** argv, FirstScreenFactory makeFirstScreen) {
    AppMain* appMain = AppMain::GetInstance();
    appMain->SetFirstScreenFactory(makeFirstScreen);

    ui_app_lifecycle_callback_s eventCallback;
    memset(&eventCallback, 0, sizeof(eventCallback));
    eventCallback.create = AppCreate;
    eventCallback.terminate = AppTerminate;
    eventCallback.pause = AppPause;
    eventCallback.resume = AppResume;
    eventCallback.app_control = AppControl;

    system_settings_set_changed_cb(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE, OnLanguageChanged, appMain);
    // Read when Evas starts; a value the caller set stays.
    setenv("EVAS_SCALECACHE_MAX_DIMENSION", SCALE_CACHE_MAX_DIMENSION, 0);

    try {
        return ui_app_main(argc, argv, &eventCallback, appMain);
    } catch (const std::exception&) {
        CLOCK_LOG("ui_app_main launch fail");
        return -1;
    }
}

bool AppCreate(void* data) {
    AppMain* pThis = static_cast<AppMain*>(data);
    RETURN_VALUE_IF(pThis == NULL, false);

    elm_app_base_scale_set(BASE_SCALE);

    std::string resDirPath = FileUtil::GetResourceDirectoryPath();
    if (resDirPath.empty()) {
        CLOCK_LOG("GetResourceDirectoryPath failed, resDirPath:%s", resDirPath.c_str());
    } else {
        std::string bindTextPath = resDirPath + "/locale";
        const char* boundPath = bindtextdomain(TEXT_DOMAIN, bindTextPath.c_str());
        CLOCK_LOG("bindTextPath:%s", boundPath ? boundPath : "(null)");
        CLOCK_LOG("resDirPath:%s", resDirPath.c_str());
    }

    std::shared_ptr<ViewBasicElements> viewBasicElementsPtr = pThis->mViewBasicElementsPtr;
    RETURN_VALUE_IF(!viewBasicElementsPtr, false);
    // An incomplete scaffold is logged where it failed; whatever needs a missing widget
    // logs its own guard later.
    viewBasicElementsPtr->SetupViewBasicElements();

    std::shared_ptr<ViewManager> viewManagerPtr = pThis->mViewManagerPtr;
    RETURN_VALUE_IF(!viewManagerPtr, false);
    viewManagerPtr->Initialize();

    std::shared_ptr<ChangeableTheme> changeableThemePtr = pThis->mChangeableThemePtr;
    RETURN_VALUE_IF(!changeableThemePtr, false);
    changeableThemePtr->InitChangeableTheme();
    uxt_theme_add_changed_callback(UXT_THEME_CHANGED_COLOR, OnThemeColorChangedCb, pThis);
    uxt_theme_add_changed_callback(UXT_THEME_CHANGED_FONT, OnThemeFontChangedCb, pThis);
    return true;
}

void AppControl(app_control_h appControl, void* data) {
    AppMain* pThis = static_cast<AppMain*>(data);
    RETURN_IF(pThis == NULL);
    Evas_Object* window = ViewBasicElements::GetWindow();
    if (window)
        elm_win_activate(window);
    pThis->mAppControlReceived = true;
    SetCallerAppControlToAppMain(pThis, appControl);
}

void SetCallerAppControlToAppMain(AppMain* pThis, app_control_h appControl) {
    RETURN_IF(pThis == NULL);
    if (pThis->mCallerAppControl != nullptr) {
        app_control_destroy(pThis->mCallerAppControl);
        pThis->mCallerAppControl = nullptr;
    }
    if (app_control_clone(&pThis->mCallerAppControl, appControl) != 0)
        CLOCK_LOG("app_control_clone () failed");
}

void AppResume(void* data) {
    AppMain* pThis = static_cast<AppMain*>(data);
    RETURN_IF(pThis == NULL);
    std::shared_ptr<ViewManager> viewManagerPtr = pThis->mViewManagerPtr;
    RETURN_IF(!viewManagerPtr);

    if (!viewManagerPtr->GetViewList().empty()) {
        // A new launch request, or simply back in the foreground: only editors stay.
        viewManagerPtr->DeleteAllViewExceptSpecificView(NSClockEditor::VIEW_TYPE_EDITOR);
        viewManagerPtr->ResumeView(pThis->mAppControlReceived);
    } else if (!pThis->mFirstScreenFactory) {
        CLOCK_LOG("no first screen to show");
    } else {
        std::shared_ptr<ViewController> editorViewControllerPtr = pThis->mFirstScreenFactory();
        viewManagerPtr->PushView(editorViewControllerPtr, NSClockEditor::VIEW_TYPE_EDITOR, false,
                                 true);
    }

    Evas_Object* window = ViewBasicElements::GetWindow();
    if (window)
        evas_object_show(window);
    pThis->mAppControlReceived = false;

    // Time settings are watched only while in the foreground.
    VconfUtil vconfUtil;
    if (vconfUtil.NotifySystemTimeChangedCb(SystemTimeChangedCb, pThis) != 0)
        CLOCK_LOG("NotifySystemTimeChangedCb failed");
    if (vconfUtil.NotifySettingsApplicationTimezoneIDChangedCb(
            SettingApplicationTimezoneIdChangedCb, pThis) != 0)
        CLOCK_LOG("NotifySettingsApplicationTimezoneIDChangedCb failed");
    if (vconfUtil.NotifySettingsApplicationDateFormatChangedCb(
            SettingApplicationDateFormatChangedCb, pThis) != 0)
        CLOCK_LOG("NotifySettingsApplicationDateFormatChangedCb failed");
}

void AppPause(void* data) {
    AppMain* pThis = static_cast<AppMain*>(data);
    RETURN_IF(pThis == NULL);
    std::shared_ptr<ViewManager> viewManagerPtr = pThis->mViewManagerPtr;
    RETURN_IF(!viewManagerPtr);
    viewManagerPtr->PauseView();
    // The editor screen ends the application when it is paused. Without it (it could not
    // be built) nothing would, and the caller would wait on a hidden, empty application.
    if (viewManagerPtr->GetViewList().empty()) {
        CLOCK_LOG("no screen to pause: the application ends");
        ui_app_exit();
    }

    VconfUtil vconfUtil;
    if (vconfUtil.IgnoreSystemTimeChangedCb(SystemTimeChangedCb) != 0)
        CLOCK_LOG("IgnoreSystemTimeChangedCb failed");
    if (vconfUtil.IgnoreSettingsApplicationTimezoneIDChangedCb(
            SettingApplicationTimezoneIdChangedCb) != 0)
        CLOCK_LOG("IgnoreSettingsApplicationTimezoneIDChangedCb failed");
    if (vconfUtil.IgnoreSettingsApplicationDateFormatChangedCb(
            SettingApplicationDateFormatChangedCb) != 0)
        CLOCK_LOG("IgnoreSettingsApplicationDateFormatChangedCb failed");

    // Give what the background does not need back to the system.
    elm_cache_all_flush();
    malloc_trim(0);
}

void AppTerminate(void* data) {
    AppMain* pThis = static_cast<AppMain*>(data);
    RETURN_IF(pThis == NULL);
    if (pThis->mViewManagerPtr)
        pThis->mViewManagerPtr->TerminateView();
    if (pThis->mChangeableThemePtr)
        pThis->mChangeableThemePtr->DeinitChangeableTheme();
    uxt_theme_delete_changed_callback(UXT_THEME_CHANGED_COLOR, OnThemeColorChangedCb);
    uxt_theme_delete_changed_callback(UXT_THEME_CHANGED_FONT, OnThemeFontChangedCb);
}

void OnLanguageChanged(system_settings_key_e, void* data) {
    AppMain* pThis = static_cast<AppMain*>(data);
    RETURN_IF(pThis == NULL);

    char* language = vconf_get_str(WATCH_VCONF_KEY_LANGUAGE);
    if (language) {
        elm_language_set(language);
        g_free(language);
    } else {
        CLOCK_LOG("language is null. we can't elm_language_set");
    }

    std::shared_ptr<ViewManager> viewManagerPtr = pThis->mViewManagerPtr;
    RETURN_IF(!viewManagerPtr);
    if (!viewManagerPtr->GetViewList().empty())
        viewManagerPtr->ResumeView(false);
}

void OnThemeColorChangedCb(void*) {
    CLOCK_LOG("OnThemeColorChanged");
}

void OnThemeFontChangedCb(void* data) {
    CLOCK_LOG("OnThemeFontChanged");
    AppMain* pThis = static_cast<AppMain*>(data);
    RETURN_IF(pThis == NULL);
    std::shared_ptr<ViewManager> viewManagerPtr = pThis->mViewManagerPtr;
    RETURN_IF(!viewManagerPtr);
    if (!viewManagerPtr->GetViewList().empty())
        viewManagerPtr->ResumeView(false);
}

void SystemTimeChangedCb(keynode_t*, void* pThis) {
    RETURN_IF(!pThis);
    SystemChangedWhichRelatedWithTime(pThis);
}

void SettingApplicationTimezoneIdChangedCb(keynode_t*, void* pThis) {
    RETURN_IF(!pThis);
    SystemChangedWhichRelatedWithTime(pThis);
}

void SettingApplicationDateFormatChangedCb(keynode_t*, void* pThis) {
    RETURN_IF(!pThis);
    SystemChangedWhichRelatedWithTime(pThis);
}

// No screen shows the time: the change is only acknowledged.
void SystemChangedWhichRelatedWithTime(void* data) {
    AppMain* pThis = static_cast<AppMain*>(data);
    RETURN_IF(!pThis);
    std::shared_ptr<ViewManager> viewManagerPtr = pThis->mViewManagerPtr;
    RETURN_IF(!viewManagerPtr);
}
