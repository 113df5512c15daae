#include "EditorAppTest.h"
#include "EditorMain.h"
#include "EditorViewController.h"
#include "LoopUtil.h"
#include "ViewBasicElements.h"
#include "ViewManager.h"

#include <app.h>
#include <app_control.h>
#include <app_preference.h>
#include <app_window.h>
#include <vconf.h>
#include <vconf_store.h>
#include <watch_bus.h>
#include <watch_device.h>

#include <Ecore.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace editortest {

std::unique_ptr<watchtest::TestDevice> BootEditorDevice() {
    std::unique_ptr<watchtest::TestDevice> device(new watchtest::TestDevice(true));
    const std::string service = device->PackagePath("bin/clock-dalvexa-service");
    std::error_code error; // the copy keeps the program's modes
    std::filesystem::copy_file(EDITOR_TEST_COMPANION, service,
                               std::filesystem::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << "cannot install the companion as " << service << ": " << error.message();
    device->Boot();
    setenv("WATCH_APP_ID", appstest::kEditor, 1);
    return device;
}

void EditorAppTest::SetUp() {
    mDevice = BootEditorDevice();
    // The device's language: the catalogues' English texts. The framework does not set
    // the process's locale from it, so the test does, as the program's environment.
    auto lang = watchtest::Watchctl({"lang", "en_US.UTF-8"});
    ASSERT_EQ(lang.status, 0) << lang.err;
    setenv("LANG", "en_US.UTF-8", 1);
    setlocale(LC_ALL, "");
}

void EditorAppTest::TearDown() {
    appstest::ForgetLaunches();
    for (auto& process : mBackground)
        process->Wait(5.0);
    mBackground.clear();
    unsetenv("DBUS_STARTER_ADDRESS");
    mDevice.reset();
}

// A watchctl command of the test's set-up or of another process of the device.
static void Watch(const std::vector<std::string>& args) {
    auto r = watchtest::Watchctl(args);
    EXPECT_EQ(r.status, 0) << r.err;
}

void EditorAppTest::StoreBand(int band) {
    Watch({"pref", appstest::kPackage, "set", appstest::kBandKey, std::to_string(band), "--type",
           "int"});
}

void EditorAppTest::SetCountryCode(const std::string& code) {
    Watch({"vconf", "set", "db/csc/country_iso", code, "--type", "string"});
}

void EditorAppTest::SilenceCompanion() {
    std::ofstream(mDevice->Root() + "/appfw-test.hold");
}

void EditorAppTest::Step(const std::string& what, std::function<bool()> until,
                         std::function<void()> action) {
    mSteps.push_back(ScriptStep{what, until, action, 0});
}

double EditorAppTest::StepTime(const std::string& what) const {
    for (const ScriptStep& step : mSteps) {
        if (step.what == what)
            return step.doneAt;
    }
    ADD_FAILURE() << "no step \"" << what << "\"";
    return 0;
}

void EditorAppTest::RunSteps() {
    static bool running = false;
    if (running)
        return; // an action that runs the loop itself
    running = true;
    while (mNext < mSteps.size() && !mTimedOut) {
        ScriptStep& step = mSteps[mNext];
        if (step.until && !step.until())
            break;
        ++mNext;
        step.doneAt = watchtest::Now();
        if (step.action)
            step.action();
    }
    running = false;
}

int EditorAppTest::RunEditor(double timeoutSeconds) {
    ecore_app_no_system_modules();
    ecore_init();
    // Started for a launch request, as the device bus starts it: the first request the
    // editor gets is the one the test sends.
    setenv("DBUS_STARTER_ADDRESS", watch::bus::Address().c_str(), 1);
    const Ecore_Task_Cb runSteps = [](void* self) {
        static_cast<EditorAppTest*>(self)->RunSteps();
        return ECORE_CALLBACK_RENEW;
    };
    Ecore_Timer* poll = ecore_timer_add(0.005, runSteps, this);
    Ecore_Idle_Exiter* exiter = ecore_idle_exiter_add(runSteps, this);
    Ecore_Timer* safety = ecore_timer_add(
        timeoutSeconds,
        [](void* self) {
            static_cast<EditorAppTest*>(self)->mTimedOut = true;
            ui_app_exit();
            return ECORE_CALLBACK_CANCEL;
        },
        this);

    char name[] = "clock-dalvexa-editor";
    char* argv[] = {name, nullptr};
    const int status = EditorMain(1, argv, CreateEditorViewController);
    mExitTime = watchtest::Now();

    ecore_timer_del(poll);
    ecore_idle_exiter_del(exiter);
    if (!mTimedOut)
        ecore_timer_del(safety);
    ecore_shutdown();

    if (mTimedOut && mNext < mSteps.size())
        ADD_FAILURE() << "timed out waiting for: " << mSteps[mNext].what << "\n" << mLog.Dump();
    else if (mTimedOut)
        ADD_FAILURE() << "every step ran but the editor did not end\n" << mLog.Dump();
    else if (mNext < mSteps.size())
        ADD_FAILURE() << "the editor ended before: " << mSteps[mNext].what << "\n" << mLog.Dump();
    return status;
}

void EditorAppTest::Launch(const std::vector<std::pair<std::string, std::string>>& extras) {
    Step(
        "launched", [] { return NSClockEditor::ViewBasicElements::GetWindow() != nullptr; },
        [this, extras] {
            int sent = -1;
            mReply =
                appstest::Send(appstest::kEditor, extras, APP_CONTROL_OPERATION_DEFAULT, &sent);
            EXPECT_EQ(sent, APP_CONTROL_ERROR_NONE);
        });
}

std::shared_ptr<NSClockEditor::EditorView> EditorAppTest::View() const {
    std::shared_ptr<NSClockEditor::ViewManager> manager = AppMain::GetInstance()->GetViewManager();
    if (!manager)
        return nullptr;
    auto list = manager->GetViewList();
    if (list.empty() || !list.back())
        return nullptr;
    return std::dynamic_pointer_cast<NSClockEditor::EditorView>(list.back()->GetView());
}

Evas_Object* EditorAppTest::Layout() const {
    auto view = View();
    return view ? view->GetBaseLayout() : nullptr;
}

int EditorAppTest::ShownPage() const {
    Evas_Object* layout = Layout();
    Evas_Object* pages = layout ? elm_object_part_content_get(layout, "part_scroller") : nullptr;
    Evas_Object* scroller = pages ? elm_object_part_content_get(pages, "part_page") : nullptr;
    int h = -1, v = -1;
    if (scroller)
        elm_scroller_current_page_get(scroller, &h, &v);
    return v;
}

Evas_Object* EditorAppTest::OkButton() const {
    Evas_Object* layout = Layout();
    return layout ? elm_object_part_content_get(layout, "part_button_bottom") : nullptr;
}

bool EditorAppTest::OkButtonInPlace() const {
    Evas_Object* button = OkButton();
    int x = 0, y = 0, w = 0, h = 0;
    if (button)
        evas_object_geometry_get(button, &x, &y, &w, &h);
    // At rest its lower edge is at the screen's (the button may be a pixel taller than
    // its part); while it slides in, it is lower.
    return h > 0 && y + h <= 361;
}

bool EditorAppTest::TutorialFadedIn() const {
    Evas_Object* layout = Layout();
    if (!TutorialShown())
        return false;
    const Evas_Object* clip =
        edje_object_part_object_get(elm_layout_edje_get(layout), "tutorial_clip");
    int r, g, b, a = 0;
    evas_object_color_get(clip, &r, &g, &b, &a);
    return a == 255;
}

Evas_Object* EditorAppTest::Notice() const {
    Evas_Object* layout = Layout();
    Evas_Object* top = nullptr; // a newer notice is stacked above the one it replaces
    for (Evas_Object* o = layout ? evas_object_bottom_get(evas_object_evas_get(layout)) : nullptr;
         o; o = evas_object_above_get(o)) {
        const char* type = evas_object_type_get(o);
        const char* style =
            type && strcmp(type, "elm_popup") == 0 ? elm_object_style_get(o) : nullptr;
        if (style && strcmp(style, "toast/circle") == 0 && evas_object_visible_get(o))
            top = o;
    }
    return top;
}

bool EditorAppTest::TutorialShown() const {
    Evas_Object* layout = Layout();
    if (!layout)
        return false;
    double value = 0;
    const char* state =
        edje_object_part_state_get(elm_layout_edje_get(layout), "tutorial.page", &value);
    return state && strcmp(state, "visible") == 0;
}

void EditorAppTest::Rotary(bool clockwise, unsigned notches) {
    std::string error;
    EXPECT_TRUE(watch::appfw::windows::FeedRotary(clockwise, notches, &error)) << error;
}

void EditorAppTest::Key(const std::string& key) {
    std::string error;
    EXPECT_TRUE(watch::appfw::windows::FeedKey(key, &error)) << error;
}

void EditorAppTest::Tap(int x, int y) {
    std::string error;
    EXPECT_TRUE(watch::appfw::windows::FeedTap(x, y, &error)) << error;
}

void EditorAppTest::Screenshot(const std::string& name) {
    const std::string dir = std::string(WATCH_TEST_BINARY_DIR) + "/editor/screenshots";
    watch::MakeDirs(dir);
    std::string error;
    int w = 0, h = 0;
    EXPECT_TRUE(watch::appfw::windows::Screenshot(dir + "/" + name + ".png", &w, &h, &error))
        << error;
    EXPECT_EQ(w, 360);
    EXPECT_EQ(h, 360);
}

void EditorAppTest::Background(const std::vector<std::string>& watchctlArgs) {
    std::vector<std::string> argv = {WATCHCTL_PATH};
    argv.insert(argv.end(), watchctlArgs.begin(), watchctlArgs.end());
    mBackground.emplace_back(new watchtest::BackgroundProcess(argv));
}

void EditorAppTest::SetVconfIntElsewhere(const std::string& key, int value) {
    Watch({"vconf", "set", key, std::to_string(value), "--type", "int"});
}

void EditorAppTest::SetVconfIntUnannounced(const std::string& key, int value) {
    // The same database under a channel nobody listens to.
    watch::settings::Store store(watch::vconf::DatabasePath(), "editor-test-unheard", "EDITOR-TEST",
                                 "");
    EXPECT_EQ(store.Set(key, watch::settings::Value::Int(value)), watch::settings::Status::Ok);
}

int EditorAppTest::StoredBand() const {
    int band = -1;
    if (preference_get_int(NSClockEditor::EditorView::ColorBandKey().c_str(), &band) != 0)
        return -1;
    return band;
}

std::string EditorAppTest::VconfString(const std::string& key) const {
    char* value = vconf_get_str(key.c_str());
    std::string text = value ? value : "";
    free(value);
    return text;
}

std::vector<std::string> EditorAppTest::CompanionRequests() const {
    std::vector<std::string> lines;
    for (const watchtest::LogEntry& e : appstest::DeviceLog("APPFW-TEST")) {
        if (e.message.rfind("app_control ", 0) == 0)
            lines.push_back(e.message);
    }
    return lines;
}

} // namespace editortest
