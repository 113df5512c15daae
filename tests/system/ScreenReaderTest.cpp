// The editor as a screen reader hears it, from another process over AT-SPI: a private
// session bus plays the user's session, the device is booted from it and starts the
// editor on its own bus, and this test listens on the session's accessibility bus.
#include "InstalledEditorTest.h"

#include <atspi/atspi.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>
#include <fstream>
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

    // A screen reader comes on; the session starts its accessibility bus for it.
    static void TurnScreenReaderOn() {
        ASSERT_EQ(
            watchtest::RunProcess({"/usr/bin/dbus-send", "--session", "--print-reply",
                                   "--dest=org.a11y.Bus", "/org/a11y/bus",
                                   "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                                   "string:ScreenReaderEnabled", "variant:boolean:true"})
                .status,
            0);
    }

    std::unique_ptr<watchtest::BackgroundProcess> mSession;
};

} // namespace

// What a client reads from the editor's tree: the OK button named after what it applies,
// following the bezel and the language. (What Orca hears at each detent: OrcaTest.)
TEST_F(ScreenReaderTest, ReadsWhatOkAppliesFromTheEditorsTree) {
    TurnScreenReaderOn();
    [[maybe_unused]] AtspiClientAllocations client;
    ASSERT_EQ(atspi_init(), 0);
    // Started by the device bus, as a caller's request starts it.
    watchtest::BackgroundProcess caller({WATCHCTL_PATH, "launch", appstest::kEditor});
    ASSERT_TRUE(WaitSlowly([] { return appstest::InFront(appstest::kEditor); }))
        << appstest::DumpLog();
    AtspiAccessible* desktop = atspi_get_desktop(0);
    AtspiAccessible* app = nullptr;
    ASSERT_TRUE(RunGlibUntil([&] {
        app = Find(desktop, [](AtspiAccessible* a) { return NameOf(a) == appstest::kEditor; });
        return app != nullptr;
    })) << "the editor is not on the desktop";
    AtspiAccessible* button = Find(app, [](AtspiAccessible* a) {
        return atspi_accessible_get_role(a, nullptr) == ATSPI_ROLE_PUSH_BUTTON;
    });
    EXPECT_EQ(NameOf(button), "Apply blue");
    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    EXPECT_TRUE(RunGlibUntil([&] { return NameOf(button) == "Apply orange"; })) << NameOf(button);
    ASSERT_EQ(Watchctl({"lang", "de_DE.UTF-8"}).status, 0);
    EXPECT_TRUE(RunGlibUntil([&] { return NameOf(button) == "Orange anwenden"; }))
        << NameOf(button);
    if (button)
        g_object_unref(button);
    g_object_unref(app);
    g_object_unref(desktop);
    atspi_exit();
}

namespace {

// What Orca, the desktop's screen reader, says of the editor in a real X window: Xvfb and a
// window manager play the desktop, and speech-dispatcher's generic module writes each
// utterance to a file instead of a sound card.
class OrcaTest : public ScreenReaderTest, public testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/orca-test-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        mHome = dir;
        const std::string config = mHome + "/speech-dispatcher";
        ASSERT_EQ(watchtest::RunProcess({"/bin/mkdir", "-p", config + "/modules"}).status, 0);
        std::ofstream(config + "/speechd.conf")
            << "AddModule \"recorder\" \"sd_generic\" \"recorder.conf\"\nDefaultModule recorder\n"
               "AudioOutputMethod \"alsa\"\nAudioALSADevice \"null\"\n";
        std::ofstream(config + "/modules/recorder.conf")
            << "GenericExecuteSynth \"echo \\'$DATA\\' >> " << mHome << "/said\"\n"
            << "GenericLanguage \"en\" \"en\" \"utf-8\"\nGenericLanguage \"de\" \"de\" \"utf-8\"\n"
            << "AddVoice \"en\" \"MALE1\" \"en\"\nAddVoice \"de\" \"MALE1\" \"de\"\n";
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"})
            setenv(name, mHome.c_str(), 1);
        for (const char* name : {"ELM_DISPLAY", "ELM_ENGINE", "ELM_ACCEL"})
            unsetenv(name); // each test is a process of its own: nothing to put back
        mX.reset(new watchtest::BackgroundProcess({"/usr/bin/Xvfb", "-displayfd", "1", "-screen",
                                                   "0", "360x360x24", "-nolisten", "tcp"}));
        ASSERT_TRUE(mX->WaitForOutput("\n")) << mX->Err();
        setenv("DISPLAY", (":" + mX->Out().substr(0, mX->Out().find('\n'))).c_str(), 1);
        mWm.reset(new watchtest::BackgroundProcess(
            {"/usr/bin/matchbox-window-manager", "-use_titlebar", "no"}));
        ScreenReaderTest::SetUp();
    }
    void TearDown() override {
        mOrca.reset();
        ScreenReaderTest::TearDown(); // the window manager and X go with the fixture
        watchtest::RunProcess({"/bin/rm", "-rf", mHome});
    }

    // The desktop's setting, as GNOME sets it, then Orca.
    void StartOrca() {
        TurnScreenReaderOn();
        mOrca.reset(new watchtest::BackgroundProcess(
            {"/usr/bin/orca", "--debug-file=" + mHome + "/orca.log"}));
        Hears("Screen reader on.");
    }
    // Everything Orca said, an utterance a line.
    std::vector<std::string> Said() {
        std::vector<std::string> lines;
        std::ifstream in(mHome + "/said");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void Hears(const std::string& text) {
        EXPECT_TRUE(WaitSlowly([&] {
            auto said = Said();
            return std::find(said.begin(), said.end(), text) != said.end();
        })) << "waiting for \""
            << text << "\"; said: " << testing::PrintToString(Said());
    }
    void Key(const char* key) {
        ASSERT_EQ(watchtest::RunProcess({"/usr/bin/xdotool", "key", key}).status, 0);
    }

    std::string mHome;
    std::unique_ptr<watchtest::BackgroundProcess> mX, mWm, mOrca;
};

} // namespace

// Orca on before the editor starts (then the phone's notice) or turned on while it runs
// (then Return on OK).
TEST_P(OrcaTest, SpeaksTheScreenThePagesAndOk) {
    const bool lateReader = GetParam();
    if (!lateReader)
        StartOrca();
    watchtest::BackgroundProcess caller({WATCHCTL_PATH, "launch", appstest::kEditor});
    ASSERT_TRUE(WaitSlowly([] { return appstest::InFront(appstest::kEditor); }))
        << appstest::DumpLog();
    if (lateReader) {
        // The bridge comes up in the running editor; Orca starts after it.
        TurnScreenReaderOn();
        ASSERT_TRUE(appstest::WaitForLog("WATCH-APPFW", "accessibility bridge switched on",
                                         appstest::PidOf(appstest::kEditor)));
        StartOrca();
    }
    Hears("Blue, 1 of 5.");
    ASSERT_EQ(Watchctl({"input", "rotary", "ccw"}).status, 0); // at the clamp: nothing new
    for (const char* page : {"White, 2 of 5.", "Orange, 3 of 5."}) {
        ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
        Hears(page);
    }
    Key("Tab");
    Hears("Apply orange push button.");
    ASSERT_EQ(Watchctl({"lang", "de_DE.UTF-8"}).status, 0);
    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    Hears("Lila, 4 von 5.");
    const std::vector<std::string> expected = {"Screen reader on.", "Colour window.",
                                               "Blue, 1 of 5.",     "White, 2 of 5.",
                                               "Orange, 3 of 5.",   "Apply orange push button.",
                                               "Lila, 4 von 5."};
    EXPECT_EQ(Said(), expected);

    if (lateReader) {
        Key("Tab"); // from the page the bezel moved to, to OK: its name in German, its role
                    // in Orca's own language
        Hears("Lila anwenden push button.");
        Key("Return");
        EXPECT_TRUE(caller.WaitForOutput("watch_editor_save=true", 15)) << caller.Out();
    } else {
        ASSERT_EQ(Watchctl({"phone", "set-band", "4"}).status, 0);
        EXPECT_TRUE(WaitSlowly([&] {
            auto said = Said();
            return said.size() > expected.size() &&
                   said[expected.size()].find("Neue Einstellung") == 0;
        })) << testing::PrintToString(Said());
    }
}

INSTANTIATE_TEST_SUITE_P(ReaderOnFirstOrLater, OrcaTest, testing::Bool());
