#include "StackFixture.h"
#include "LoopUtil.h"
#include "Toolkit.h"

#include <Ecore.h>
#include <watch_theme.h>

namespace watchtest {

namespace {

const double FRAME_SECONDS = 1.0 / 60.0;

struct Ticker {
    Ecore_Timer* timer = nullptr;
};

Eina_Bool TickWhileTransiting(void* data) {
    Ticker* ticker = static_cast<Ticker*>(data);
    if (!NSClockEditor::ViewManager::IsTransiting()) {
        ticker->timer = nullptr;
        return ECORE_CALLBACK_CANCEL;
    }
    ecore_animator_custom_tick();
    return ECORE_CALLBACK_RENEW;
}

unsigned int gKeyTimestamp = 1000;

} // namespace

void InitToolkit() {
    ASSERT_TRUE(watchtest::ToolkitInit());
    // The platform's own widget styles (the "empty" naviframe item, the application
    // layout), which the device's toolkit has built in.
    ASSERT_EQ(watch_theme_apply(), 0);
}

void StackTest::SetUp() {
    InitToolkit();
    ASSERT_EQ(mElements.SetupViewBasicElements(), 0) << mLog.Dump();
    // The window's creation sets the toolkit's own animator source: take over after it.
    ecore_animator_source_set(ECORE_ANIMATOR_SOURCE_CUSTOM);
    ASSERT_EQ(ecore_animator_source_get(), ECORE_ANIMATOR_SOURCE_CUSTOM);
    mManager.reset(new NSClockEditor::ViewManager());
    mManager->Initialize();
    mNaviframe = NSClockEditor::ViewBasicElements::GetNaviframe();
    ASSERT_NE(mNaviframe, nullptr);
    mLog.Clear();
}

void StackTest::TearDown() {
    mManager.reset();
    elm_shutdown();
}

std::shared_ptr<RecordingController>
StackTest::Push(const std::string& name, NSClockEditor::ViewType type, ScreenOptions options) {
    std::shared_ptr<RecordingController> screen = MakeScreen(name, options);
    mManager->PushView(screen, type, false, true);
    return screen;
}

bool FinishTransition(double timeoutSeconds) {
    Ticker ticker;
    ticker.timer = ecore_timer_add(FRAME_SECONDS, TickWhileTransiting, &ticker);
    bool ended =
        RunLoopUntil([] { return !NSClockEditor::ViewManager::IsTransiting(); }, timeoutSeconds);
    if (ticker.timer)
        ecore_timer_del(ticker.timer);
    return ended;
}

void Frame() {
    ecore_animator_custom_tick();
}

void StackTest::PressKey(const char* key) {
    Evas* canvas = evas_object_evas_get(NSClockEditor::ViewBasicElements::GetWindow());
    evas_event_feed_key_down(canvas, key, key, key, key, gKeyTimestamp++, nullptr);
    evas_event_feed_key_up(canvas, key, key, key, key, gKeyTimestamp++, nullptr);
    ecore_main_loop_iterate();
}

std::vector<Elm_Object_Item*> StackTest::NaviframeItems() const {
    std::vector<Elm_Object_Item*> items;
    Eina_List* list = elm_naviframe_items_get(mNaviframe);
    Eina_List* node;
    void* item;
    EINA_LIST_FOREACH(list, node, item)
    items.push_back(static_cast<Elm_Object_Item*>(item));
    eina_list_free(list);
    return items;
}

std::vector<std::string> StackTest::StackNames() {
    std::vector<std::string> names;
    for (const auto& entry : mManager->GetViewList()) {
        auto screen = std::dynamic_pointer_cast<RecordingController>(entry);
        names.push_back(screen ? screen->Name() : std::string("?"));
    }
    return names;
}

void StackTest::ExpectStackMatchesNaviframe() {
    std::vector<Elm_Object_Item*> items = NaviframeItems();
    auto list = mManager->GetViewList();
    ASSERT_EQ(items.size(), list.size());
    size_t i = 0;
    for (const auto& entry : list) {
        auto screen = std::dynamic_pointer_cast<RecordingController>(entry);
        ASSERT_TRUE(screen);
        EXPECT_EQ(screen->Item(), items[i]) << "entry " << i << " (" << screen->Name() << ")";
        EXPECT_EQ(elm_object_item_content_get(items[i]), screen->BaseLayout())
            << "entry " << i << " (" << screen->Name() << ")";
        ++i;
    }
}

} // namespace watchtest
