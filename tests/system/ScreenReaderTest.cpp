// The editor as a screen reader hears it, from another process over AT-SPI: a private
// session bus plays the user's session, the device is booted from it and starts the
// editor on its own bus, and this test listens on the session's accessibility bus.
#include "InstalledEditorTest.h"

#include <atspi/atspi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using watchtest::Watchctl;

namespace {

// libatspi keeps caches of the remote tree for the life of the process: what the client
// allocates is not checked for leaks (ours are checked in the editor's own process).
struct AtspiClientAllocations {
#if defined(__SANITIZE_ADDRESS__)
    AtspiClientAllocations() {
        __lsan_disable();
    }
    ~AtspiClientAllocations() {
        __lsan_enable();
    }
#endif
};

// Runs GLib's loop, where AT-SPI events arrive, until done() or the time is up.
bool RunGlibUntil(const std::function<bool()>& done, double timeout = 10) {
    bool expired = false;
    guint timer = g_timeout_add(
        static_cast<guint>(timeout * 1000),
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &expired);
    while (!done() && !expired)
        g_main_context_iteration(nullptr, TRUE);
    if (!expired)
        g_source_remove(timer);
    return done();
}

std::string NameOf(AtspiAccessible* node) {
    gchar* name = node ? atspi_accessible_get_name(node, nullptr) : nullptr;
    std::string out = name ? name : "";
    g_free(name);
    return out;
}

// The first object under `node` (or itself) that matches, depth first; a new reference or NULL.
AtspiAccessible* Find(AtspiAccessible* node, const std::function<bool(AtspiAccessible*)>& match) {
    if (match(node))
        return static_cast<AtspiAccessible*>(g_object_ref(node));
    AtspiAccessible* found = nullptr;
    for (int i = 0; !found && i < atspi_accessible_get_child_count(node, nullptr); ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, nullptr);
        found = child ? Find(child, match) : nullptr;
        if (child)
            g_object_unref(child);
    }
    return found;
}

class ScreenReaderTest : public appstest::InstalledEditorTest {
  protected:
    ScreenReaderTest() : InstalledEditorTest(WATCH_TEST_BINARY_DIR "/system-shots/") {}

    // The session comes first: the device is booted from it.
    void SetUp() override {
        setenv("GSETTINGS_BACKEND", "memory", 1); // the flag stays out of the user's dconf
        mSession.reset(new watchtest::BackgroundProcess(
            {"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}));
        ASSERT_TRUE(mSession->WaitForOutput("\n")) << mSession->Err();
        const std::string address = mSession->Out().substr(0, mSession->Out().find('\n'));
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        InstalledEditorTest::SetUp();
    }
    void TearDown() override {
        InstalledEditorTest::TearDown();
        // The accessibility bus and its registry end with the session.
        mSession.reset();
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    std::unique_ptr<watchtest::BackgroundProcess> mSession;
};

void OnNameChanged(AtspiEvent* event, void* heard) {
    static_cast<std::vector<std::string>*>(heard)->push_back(
        G_VALUE_HOLDS_STRING(&event->any_data) ? g_value_get_string(&event->any_data)
                                               : NameOf(event->source));
}

} // namespace

TEST_F(ScreenReaderTest, HearsThePageOfEachDetentAndWhatOkApplies) {
    // A screen reader comes on; the session starts its accessibility bus for it.
    ASSERT_EQ(watchtest::RunProcess(
                  {"/usr/bin/dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                   "/org/a11y/bus", "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                   "string:ScreenReaderEnabled", "variant:boolean:true"})
                  .status,
              0);
    [[maybe_unused]] AtspiClientAllocations client;
    ASSERT_EQ(atspi_init(), 0);
    std::vector<std::string> heard;
    AtspiEventListener* listener = atspi_event_listener_new(OnNameChanged, &heard, nullptr);
    ASSERT_TRUE(
        atspi_event_listener_register(listener, "object:property-change:accessible-name", nullptr));

    // Started by the device bus, as a caller's request starts it.
    watchtest::BackgroundProcess caller({WATCHCTL_PATH, "launch", appstest::kEditor});
    ASSERT_TRUE(WaitSlowly([] { return appstest::InFront(appstest::kEditor); }))
        << appstest::DumpLog();

    auto pages = [&] {
        std::vector<std::string> out;
        for (const std::string& name : heard)
            if (name.find(" 5") != std::string::npos && (out.empty() || out.back() != name))
                out.push_back(name);
        return out;
    };
    const std::vector<std::string> expected = {"Blue, 1 of 5", "White, 2 of 5", "Orange, 3 of 5"};
    for (size_t step = 0; step < expected.size(); ++step) {
        if (step > 0) {
            ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
        }
        EXPECT_TRUE(RunGlibUntil([&] { return pages().size() > step; }))
            << "heard: " << testing::PrintToString(heard) << "\n"
            << appstest::DumpLog();
    }
    EXPECT_EQ(pages(), expected);

    // The OK button, read from the editor's tree on the desktop.
    AtspiAccessible* desktop = atspi_get_desktop(0);
    AtspiAccessible* app =
        Find(desktop, [](AtspiAccessible* a) { return NameOf(a) == appstest::kEditor; });
    ASSERT_NE(app, nullptr) << "the editor is not on the desktop";
    AtspiAccessible* button = Find(app, [](AtspiAccessible* a) {
        return atspi_accessible_get_role(a, nullptr) == ATSPI_ROLE_PUSH_BUTTON;
    });
    EXPECT_EQ(NameOf(button), "Apply orange");

    // The names follow a change of the display language, and the page is read anew.
    ASSERT_EQ(Watchctl({"lang", "de_DE.UTF-8"}).status, 0);
    EXPECT_TRUE(RunGlibUntil([&] {
        auto p = pages();
        return !p.empty() && p.back() == "Orange, 3 von 5";
    })) << testing::PrintToString(heard);
    EXPECT_EQ(NameOf(button), "Orange anwenden");

    if (button)
        g_object_unref(button);
    g_object_unref(app);
    g_object_unref(desktop);
    atspi_event_listener_deregister(listener, "object:property-change:accessible-name", nullptr);
    g_object_unref(listener);
    atspi_exit();
}
