// The application shell: the lifecycle callbacks in the order the framework calls them,
// a second launch request while the editor is shown, and the change handlers.
#include "EditorMain.h"
#include "LogCapture.h"
#include "RecordingScreen.h"
#include "StackFixture.h"
#include "TestDevice.h"
#include "ViewBasicElements.h"
#include "ViewManager.h"

#include <app.h>
#include <uxt_theme.h>
#include <vconf.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace watchtest;
using NSClockEditor::ViewBasicElements;
using NSClockEditor::ViewManager;

// The shell's first screen in these tests: a recording screen named "Editor".
static int gEditorsMade = 0;

std::shared_ptr<NSClockEditor::ViewController> MakeEditorScreen() {
    ++gEditorsMade;
    return MakeScreen("Editor");
}

namespace {

const char* const EDITOR_APP_ID = "com.korvane.clock-dalvexa.editor";

app_control_h MakeRequest(const char* marker) {
    app_control_h request = nullptr;
    EXPECT_EQ(app_control_create(&request), 0);
    EXPECT_EQ(app_control_add_extra_data(request, "marker", marker), 0);
    return request;
}

std::string Marker(app_control_h request) {
    char* value = nullptr;
    if (app_control_get_extra_data(request, "marker", &value) != 0 || !value)
        return std::string();
    std::string marker = value;
    free(value);
    return marker;
}

class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("WATCH_APP_ID", EDITOR_APP_ID, 1);
        InitToolkit();
        mApp = AppMain::GetInstance();
        mApp->SetFirstScreenFactory(MakeEditorScreen);
    }
    void TearDown() override {
        unsetenv("WATCH_APP_ID");
        elm_shutdown();
    }

    TestDevice mDevice;
    LogCapture mLog;
    AppMain* mApp = nullptr;
};

} // namespace

TEST_F(Shell, FromCreateToTheFirstResume) {
    ASSERT_TRUE(AppCreate(mApp)) << mLog.Dump();
    const std::string res = mDevice.PackagePath("res/");
    EXPECT_TRUE(mLog.Contains("resDirPath:" + res)) << mLog.Dump();
    EXPECT_DOUBLE_EQ(elm_app_base_scale_get(), 1.3);
    // The scaffold is up and the view manager sits on its naviframe; no screen yet.
    ASSERT_NE(ViewBasicElements::GetNaviframe(), nullptr);
    EXPECT_TRUE(evas_object_visible_get(ViewBasicElements::GetWindow()));
    EXPECT_EQ(gEditorsMade, 0);
    EXPECT_EQ(mApp->GetCallerAppControl(), nullptr);
    EXPECT_TRUE(mApp->GetViewBasicElements());

    app_control_h request = MakeRequest("first");
    AppControl(request, mApp);
    app_control_h kept = mApp->GetCallerAppControl();
    ASSERT_NE(kept, nullptr);
    EXPECT_NE(kept, request);
    app_control_destroy(request);
    // A clone of its own, still readable once the framework's handle is gone.
    EXPECT_EQ(Marker(kept), "first");
    EXPECT_EQ(gEditorsMade, 0);
    EXPECT_TRUE(Journal().empty());

    mLog.Clear();
    AppResume(mApp);
    EXPECT_EQ(gEditorsMade, 1);
    EXPECT_EQ(CallsOf("Editor"), Strings({"CreateViewAndData", "Create"}));
    auto list = mApp->GetViewManager()->GetViewList();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.back()->GetViewData()->mViewType, NSClockEditor::VIEW_TYPE_EDITOR);
    Elm_Object_Item* item = list.back()->GetViewData()->mNaviframeItem;
    EXPECT_EQ(elm_naviframe_top_item_get(ViewBasicElements::GetNaviframe()), item);
    EXPECT_FALSE(elm_naviframe_item_title_enabled_get(item));
    EXPECT_TRUE(evas_object_visible_get(ViewBasicElements::GetWindow()));
}

TEST_F(Shell, ASecondRequestKeepsOnlyTheEditorAndTheEndDestroysItAndUnloadsTheTables) {
    ASSERT_TRUE(AppCreate(mApp)) << mLog.Dump();
    app_control_h request = MakeRequest("first");
    AppControl(request, mApp);
    app_control_destroy(request); // valid only during the call
    AppResume(mApp);
    auto manager = mApp->GetViewManager();
    ASSERT_TRUE(FinishTransition());
    manager->InsertView(MakeScreen("Below"), 1, 0, false, false);
    manager->InsertView(MakeScreen("Above"), 2, 5, false, false);
    ASSERT_EQ(manager->GetViewList().size(), 3u);

    request = MakeRequest("second");
    AppControl(request, mApp);
    app_control_destroy(request);
    EXPECT_EQ(Marker(mApp->GetCallerAppControl()), "second");
    AppResume(mApp);

    EXPECT_EQ(gEditorsMade, 1);
    auto list = manager->GetViewList();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(std::dynamic_pointer_cast<RecordingController>(list.back())->Name(), "Editor");
    EXPECT_EQ(eina_list_count(elm_naviframe_items_get(ViewBasicElements::GetNaviframe())), 1u);
    EXPECT_EQ(CallsOf("Editor"), Strings({"CreateViewAndData", "Create", "Resume(true)"}));
    EXPECT_EQ(CallsOf("Below"), Strings({"CreateViewAndData", "Create", "Released"}));
    EXPECT_EQ(CallsOf("Above"), Strings({"CreateViewAndData", "Create", "Released"}));

    // Back from the background without a request: resumed with false.
    AppPause(mApp);
    AppResume(mApp);
    EXPECT_EQ(CallsOf("Editor"),
              Strings({"CreateViewAndData", "Create", "Resume(true)", "Pause", "Resume(false)"}));
    EXPECT_EQ(gEditorsMade, 1);

    // The end destroys the screen and unloads the face's tables; the last request stays.
    int r, g, b, a;
    ASSERT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b, &a), UXT_ERROR_NONE);
    AppPause(mApp);
    AppTerminate(mApp);
    EXPECT_EQ(CallsOf("Editor"), Strings({"CreateViewAndData", "Create", "Resume(true)", "Pause",
                                          "Resume(false)", "Pause", "Destroy"}));
    EXPECT_EQ(manager->GetViewList().size(), 1u);
    EXPECT_EQ(Marker(mApp->GetCallerAppControl()), "second");
    EXPECT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b, &a), UXT_ERROR_NOT_FOUND);
}

TEST_F(Shell, RefusesAMissingApplicationObjectAndStartsWithoutAResourceDirectory) {
    EXPECT_FALSE(AppCreate(nullptr));
    AppControl(nullptr, nullptr);
    AppResume(nullptr);
    AppPause(nullptr);
    AppTerminate(nullptr);
    OnLanguageChanged(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE, nullptr);
    OnThemeFontChangedCb(nullptr);
    EXPECT_TRUE(mLog.Contains("OnThemeFontChanged")) << mLog.Dump();
    SystemTimeChangedCb(nullptr, nullptr);
    SettingApplicationTimezoneIdChangedCb(nullptr, nullptr);
    SettingApplicationDateFormatChangedCb(nullptr, nullptr);
    SystemChangedWhichRelatedWithTime(nullptr);
    EXPECT_EQ(gEditorsMade, 0);
    EXPECT_EQ(ViewBasicElements::GetWindow(), nullptr);

    unsetenv("WATCH_APP_ID");
    ASSERT_TRUE(AppCreate(mApp));
    EXPECT_TRUE(mLog.Contains("GetResourceDirectoryPath failed, resDirPath:")) << mLog.Dump();
    EXPECT_FALSE(mLog.Contains("bindTextPath")) << mLog.Dump();
    EXPECT_NE(ViewBasicElements::GetNaviframe(), nullptr);
    AppResume(mApp);
    EXPECT_EQ(gEditorsMade, 1);
}

TEST_F(Shell, LanguageAndThemeChangesResumeTheTopScreen) {
    ASSERT_TRUE(AppCreate(mApp));
    // A text of the editor's catalogue, translated by the toolkit on each change.
    Evas_Object* label = elm_label_add(ViewBasicElements::GetWindow());
    elm_object_domain_translatable_text_set(label, "clock-dalvexa", "WDS_CLOCK_MBODY_COLOR");

    // Before the editor is pushed: nothing to resume.
    ASSERT_EQ(vconf_set_str("db/menu_widget/language", "de_DE.UTF-8"), 0);
    OnLanguageChanged(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE, mApp);
    EXPECT_FALSE(mLog.Contains("language is null. we can't elm_language_set")) << mLog.Dump();
    EXPECT_TRUE(Journal().empty());
    EXPECT_STREQ(elm_object_text_get(label), "Farbe");
    ASSERT_EQ(vconf_set_str("db/menu_widget/language", "fr_FR.UTF-8"), 0);
    OnLanguageChanged(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE, mApp);
    EXPECT_STREQ(elm_object_text_get(label), "Couleur");

    AppResume(mApp);
    OnLanguageChanged(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE, mApp);
    EXPECT_EQ(CallsOf("Editor").back(), "Resume(false)");

    // Unreadable: logged, and the screen is resumed all the same.
    ASSERT_EQ(vconf_unset("db/menu_widget/language"), 0);
    mLog.Clear();
    OnLanguageChanged(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE, mApp);
    EXPECT_TRUE(mLog.Contains("language is null. we can't elm_language_set")) << mLog.Dump();
    const auto resumed = Strings({"CreateViewAndData", "Create", "Resume(false)", "Resume(false)"});
    EXPECT_EQ(CallsOf("Editor"), resumed);

    // A colour change is only logged; a font change resumes the top screen too.
    mLog.Clear();
    OnThemeColorChangedCb(mApp);
    ASSERT_EQ(mLog.Messages("CLOCK-DALVEXA-EDITOR").size(), 1u) << mLog.Dump();
    EXPECT_EQ(LogBody(mLog.Messages("CLOCK-DALVEXA-EDITOR")[0]), "OnThemeColorChanged");
    EXPECT_EQ(CallsOf("Editor"), resumed);
    OnThemeFontChangedCb(mApp);
    EXPECT_EQ(CallsOf("Editor").size(), resumed.size() + 1);
    EXPECT_EQ(CallsOf("Editor").back(), "Resume(false)");
}
