// The whole package on a booted device, with real processes: the editor launched by a
// caller and driven by `watchctl input`, the companion service, the idle-clock component
// and the watch face. Pictures of each step are compared with the references in
// tests/system/reference/ (WATCH_UPDATE_REFERENCES=1 writes them anew instead).
#include "InstalledEditorTest.h"
#include "dalvexa_palette.h"

#include <Ecore.h>
#include <Ecore_Evas.h>
#include <gtest/gtest.h>
#include <vconf.h>

#include <libintl.h>
#include <locale.h>
#include <signal.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using appstest::Image;
using watchtest::Watchctl;

namespace {

const std::string kReferenceDir = WATCH_SOURCE_DIR "/tests/system/reference/";
const std::string kShotDir = WATCH_TEST_BINARY_DIR "/system-shots/";

class SystemTest : public appstest::InstalledEditorTest {
  protected:
    SystemTest() : InstalledEditorTest(kShotDir) {}

    // The front window's picture.
    Image Shot(const std::string& name) {
        Image image;
        const std::string path = kShotDir + name + ".png";
        auto r = Watchctl({"screenshot", path});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(appstest::LoadPng(path, &image)) << path;
        return image;
    }
    // The front window's picture once it has stopped changing: different from `before`
    // (when given) and the same in two pictures in a row.
    Image SettledShot(const std::string& name, const Image* before = nullptr) {
        Image previous, current;
        const bool settled = WaitSlowly(
            [&] {
                current = Shot(name);
                const bool same = !previous.pixels.empty() && current.pixels == previous.pixels;
                previous = current;
                return same && (!before || current.pixels != before->pixels);
            },
            10);
        EXPECT_TRUE(settled) << name << " kept changing (or never changed)";
        return current;
    }
    // Compares with the reference of that name.
    void ExpectLike(const Image& shot, const std::string& name,
                    appstest::Compare compare = appstest::Compare()) {
        const std::string reference = kReferenceDir + name + ".png";
        if (getenv("WATCH_UPDATE_REFERENCES")) {
            ASSERT_TRUE(appstest::SavePng(reference, shot)) << reference;
            return;
        }
        Image expected;
        ASSERT_TRUE(appstest::LoadPng(reference, &expected)) << "no reference " << reference;
        std::string why;
        EXPECT_TRUE(appstest::MatchesReference(shot, expected, compare,
                                               kShotDir + name + ".diff.png", &why))
            << name << ": " << why;
    }
};

// What a program printed to stderr, without the toolkit's report of an animator thread
// that overslept: a starved machine's, which a test on a busy one may get any time.
std::string Noise(const std::string& err) {
    std::string kept, line;
    std::istringstream in(err);
    while (std::getline(in, line)) {
        if (line.find("ecore_animator thread") == std::string::npos ||
            line.find("should have slept") == std::string::npos)
            kept += line + "\n";
    }
    return kept;
}

} // namespace

TEST_F(SystemTest, OkAppliesOrangeAndHandsTheScreenToTheWatchFace) {
    auto reply = LaunchEditor();
    Image opening = SettledShot("01-opening-blue");
    ExpectLike(opening, "editor-blue");

    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    Image white = SettledShot("02-white", &opening);
    ExpectLike(white, "editor-white");
    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    Image orange = SettledShot("03-orange", &white);
    ExpectLike(orange, "editor-orange");
    EXPECT_FALSE(reply->called);

    ASSERT_EQ(Watchctl({"input", "tap", std::to_string(kOkX), std::to_string(kOkY)}).status, 0);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return reply->called; }, 10)) << appstest::DumpLog();
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(reply->extras["watch_editor_save"], "true");
    EXPECT_EQ(reply->extras["watch_editor_tutorial"], "true");
    // The reply leaves at the end of the OK animation: the chosen face fills the screen.
    ExpectLike(Shot("04-ok-animation-end"), "editor-ok-end-orange");

    EXPECT_EQ(StoredBandText(), "2\n");
    EXPECT_TRUE(appstest::WaitForLog("CLOCK-DALVEXA-SERVICE", "colour band 2 recorded"));
    const std::vector<std::string> outbox = Outbox();
    ASSERT_EQ(outbox.size(), 1u);
    EXPECT_NE(outbox[0].find("\"caller\":\"com.korvane.clock-dalvexa.editor\","
                             "\"clock_color_style\":2,\"color\":\"orange\""),
              std::string::npos)
        << outbox[0];

    EXPECT_TRUE(WaitSlowly([] { return appstest::InFront(appstest::kFace); }))
        << appstest::DumpLog();
    char* idle = vconf_get_str("db/wms/clocks_set_idle");
    EXPECT_STREQ(idle, appstest::kFace);
    free(idle);
    int show = -1;
    EXPECT_EQ(vconf_get_int("db/setting/idle_clock_show", &show), VCONF_OK);
    EXPECT_EQ(show, 0);

    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; }, 10));
    EXPECT_EQ(EditorStatus(), 0) << mEditor->Err();

    // The face in orange: its ring and indices as the reference, the hands left out.
    Image face = SettledShot("05-watch-face");
    appstest::Compare ring;
    ring.skipX = ring.skipY = 180;
    ring.skipRadius = 152;
    ExpectLike(face, "face-orange", ring);
    const dalvexa_band_colors* orangeBand = dalvexa_band_get(2);
    EXPECT_LE(appstest::ColorDistance(face.At(186, 180), 0xFF000000u | orangeBand->accent), 8);
}

// Editors that end without saving. On a first launch (no stored band) the phone's orange is
// a change, also while the editor shows orange. A killed editor fails its caller. The one
// after starts as before, on the stored band, and follows a language change as if it had been
// opened in that language.
TEST_F(SystemTest, EditorsEndedByThePhoneOrAKillKeepNothingAndALanguageChangeReachesThem) {
    auto reply = LaunchEditor();
    Image shown = SettledShot("10-opening");
    for (int detent = 0; detent < 2; ++detent) {
        ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
        shown = SettledShot("10-orange", &shown);
    }

    auto r = Watchctl({"phone", "set-band", "2"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const double changed = watchtest::Now();
    // The notice: a toast over the unchanged editor.
    Image notice = SettledShot("11-notice");
    ExpectLike(notice, "editor-notice");

    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; },
                                        4.0 - (watchtest::Now() - changed)))
        << "the editor still runs 4 s after the change";
    EXPECT_EQ(EditorStatus(), 0) << mEditor->Err();
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return reply->called; }, 5));
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_SUCCEEDED);
    EXPECT_EQ(reply->extras["watch_editor_save"], "false");
    EXPECT_EQ(StoredBandText(), "2\n");
    EXPECT_TRUE(Outbox().empty());

    // The next editor killed: its caller fails and the stores stay intact.
    StoreBand(1);
    mEditor.reset();
    reply = LaunchEditor();
    Image opening = SettledShot("20-opening-white");
    ExpectLike(opening, "editor-white");
    ASSERT_EQ(Watchctl({"input", "rotary", "cw"}).status, 0);
    SettledShot("21-orange", &opening);

    ASSERT_EQ(kill(mEditor->Pid(), SIGKILL), 0);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return reply->called; }, 10));
    EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_FALSE(reply->hasReply);
    // The bus sees the connection close a moment before the process is reaped.
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; }));
    EXPECT_EQ(EditorStatus(), 128 + SIGKILL);
    EXPECT_EQ(StoredBandText(), "1\n");
    EXPECT_TRUE(Outbox().empty());
    EXPECT_EQ(vconf_get_str("db/wms/clocks_set_idle"), nullptr);
    auto list = Watchctl({"pref", appstest::kPackage, "list"});
    EXPECT_EQ(list.status, 0) << list.err;

    // The editor after it.
    mEditor.reset();
    auto again = LaunchEditor();
    Image english = SettledShot("22-again-white");
    ExpectLike(english, "editor-white");
    ASSERT_EQ(Watchctl({"lang", "de_DE.UTF-8"}).status, 0);
    Image switched = SettledShot("23-changed-to-german", &english);
    ASSERT_EQ(Watchctl({"app", "terminate", appstest::kEditor}).status, 0);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return again->called; }, 10));
    EXPECT_EQ(again->extras["watch_editor_save"], "false");
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; }, 10));
    mEditor.reset();
    LaunchEditor();
    appstest::Compare exact;
    exact.maxShare = 0;
    std::string why;
    EXPECT_TRUE(appstest::MatchesReference(switched, SettledShot("24-opened-in-german"), exact,
                                           kShotDir + "23-changed-to-german.diff.png", &why))
        << why;
}

namespace {

// The screen of an X display as `xwd -root` dumps it (32 bits per pixel, any byte order),
// cut to the rectangle (x, y, w, h).
bool GrabX(const std::string& display, int x, int y, int w, int h, Image* out) {
    auto r = watchtest::RunProcess({"/usr/bin/xwd", "-root", "-silent", "-display", display});
    const auto* bytes = reinterpret_cast<const unsigned char*>(r.out.data());
    // A 32-bit word in big-endian order, or in the dump's byte order (field 7).
    auto word = [&](const unsigned char* b, bool big) {
        return big ? uint32_t(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3]
                   : uint32_t(b[3]) << 24 | b[2] << 16 | b[1] << 8 | b[0];
    };
    auto field = [&](int i) { return word(bytes + 4 * i, true); };
    if (r.status != 0 || r.out.size() < 100 || field(11) != 32)
        return false;
    const size_t data = field(0) + 12 * field(19), line = field(12);
    if (x < 0 || y < 0 || x + w > int(field(4)) || y + h > int(field(5)) ||
        r.out.size() < data + line * field(5))
        return false;
    *out = Image{w, h, {}};
    for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col)
            out->pixels.push_back(0xFF000000u |
                                  word(bytes + data + line * row + 4 * col, field(7)));
    }
    return true;
}

} // namespace

// A window manager that makes the window bigger than the screen (matchbox fills a
// 400x400 display): the round screen stays whole in the window's centre, as the
// headless picture shows it, and black around it.
TEST_F(SystemTest, InABiggerWindowTheScreenStaysWholeInItsCentre) {
    watchtest::BackgroundProcess x(
        {"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "400x400x24", "-nolisten", "tcp"});
    // Ended by SIGTERM, so that the server removes its lock file.
    struct Stop {
        watchtest::BackgroundProcess& p;
        ~Stop() { p.Stop(); }
    } stopX{x};
    ASSERT_TRUE(x.WaitForOutput("\n", 10)) << x.Err();
    const std::string display = ":" + x.Out().substr(0, x.Out().find('\n'));
    watchtest::BackgroundProcess wm({"/usr/bin/matchbox-window-manager", "-use_titlebar", "no"},
                                    {"DISPLAY=" + display});
    Stop stopWm{wm};
    ASSERT_TRUE(WaitSlowly([&] {
        auto r = watchtest::RunProcess(
            {"/usr/bin/xprop", "-display", display, "-root", "_NET_SUPPORTING_WM_CHECK"});
        return r.out.find("window id") != std::string::npos;
    })) << wm.Err();

    auto reply =
        LaunchEditor({"/usr/bin/env", "-u", "ELM_ENGINE", "ELM_DISPLAY=x11", "DISPLAY=" + display});
    // The headless screen (its reference is opaque, as the display shows it).
    Image expected, around, centre;
    ASSERT_TRUE(appstest::LoadPng(kReferenceDir + "editor-blue.png", &expected));
    std::string why;
    const bool same = WaitSlowly([&] {
        return GrabX(display, 20, 20, 360, 360, &centre) &&
               appstest::MatchesReference(centre, expected, appstest::Compare(),
                                          kShotDir + "50-x-centre.diff.png", &why);
    });
    appstest::SavePng(kShotDir + "50-x-centre.png", centre);
    EXPECT_TRUE(same) << why << appstest::DumpLog();
    // The frame around it: black.
    ASSERT_TRUE(GrabX(display, 0, 0, 400, 20, &around));
    for (uint32_t p : around.pixels)
        ASSERT_EQ(p, 0xFF000000u);
    ASSERT_EQ(Watchctl({"app", "terminate", appstest::kEditor}).status, 0);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; }, 10));
}

// From a plain shell (only PATH, HOME and WATCH_ROOT), every command that succeeds says
// nothing on stderr: the toolkit's system modules stay off without any variable.
TEST_F(SystemTest, EveryWatchctlCommandIsQuietFromAPlainShell) {
    // `watchctl ARGS...` from a shell whose home is `home`.
    auto plain = [&](const std::string& home, std::vector<std::string> args) {
        std::vector<std::string> env{"/usr/bin/env", "-i", std::string("PATH=") + getenv("PATH"),
                                     "HOME=" + home, "WATCH_ROOT=" + mDevice->Root()};
        // A sanitizer build's own settings (reports to files) are not the toolkit's.
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = getenv(name))
                env.push_back(std::string(name) + "=" + value);
        args.insert(args.begin(), env.begin(), env.end());
        return args;
    };
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), WATCHCTL_PATH);
        return plain(getenv("HOME"), args);
    };
    const std::string shot = kShotDir + "30-plain.png", band = appstest::kBandKey;
    const std::vector<std::vector<std::string>> commands = {
        {"shutdown"},
        {"install", WATCH_PACKAGE_STAGE},
        {"boot"},
        {"lang", "de_DE.UTF-8"},
        {"lang"},
        {"vconf", "set", "db/plain/k", "1", "--type", "int"},
        {"vconf", "get", "db/plain/k"},
        {"vconf", "list"},
        {"vconf", "unset", "db/plain/k"},
        {"pref", appstest::kPackage, "set", band, "1", "--type", "int"},
        {"pref", appstest::kPackage, "get", band},
        {"pref", appstest::kPackage, "list"},
        {"launch", appstest::kEditor},
        {"app", "list"},
        {"input", "rotary", "cw"},
        {"screenshot", shot},
        {"input", "tap", std::to_string(kOkX), std::to_string(kOkY)},
        {"phone", "set-band", "3"},
        {"phone", "outbox"},
        {"log", "--tag", "CLOCK-DALVEXA-SERVICE"}};
    std::unique_ptr<watchtest::BackgroundProcess> launch;
    for (const std::vector<std::string>& command : commands) {
        if (command[0] == "launch") { // answered after OK, below
            launch.reset(new watchtest::BackgroundProcess(run(command)));
            ASSERT_TRUE(WaitSlowly([] { return appstest::InFront(appstest::kEditor); }));
            // The bezel and OK take effect once the opening zoom has made way for the pages.
            SettledShot("30-plain-opening");
            continue;
        }
        auto r = watchtest::RunProcess(run(command));
        EXPECT_EQ(r.status, 0) << command[0] << " " << command.back();
        EXPECT_EQ(Noise(r.err), "") << command[0] << " " << command.back();
    }
    ASSERT_TRUE(launch); // answered at the end of OK's animation
    EXPECT_EQ(launch->Wait(10), 0) << launch->Err();
    EXPECT_EQ(Noise(launch->Err()), "");
    EXPECT_NE(launch->Out().find("watch_editor_save=true\n"), std::string::npos) << launch->Out();
    EXPECT_NE(launch->Out().find("result=succeeded"), std::string::npos) << launch->Out();

    // The editor itself, started from that shell with a home of its own: quiet too, also
    // about the toolkit's helper daemons. It starts once OK's hand-over is over: a face
    // still starting would take the front from it, and a pause ends the editor.
    ASSERT_TRUE(WaitSlowly([] {
        return appstest::PidOf(appstest::kEditor) == 0 && appstest::InFront(appstest::kFace);
    })) << appstest::DumpLog();
    char home[] = "/tmp/plain-home-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    LaunchEditor(plain(home, {"DBUS_STARTER_ADDRESS=" + watch::bus::Address(),
                              "DBUS_STARTER_BUS_TYPE=session",
                              "WATCH_APP_ID=" + std::string(appstest::kEditor)}));
    auto ended = Watchctl({"app", "terminate", appstest::kEditor});
    ASSERT_EQ(ended.status, 0) << ended.err << appstest::DumpLog();
    EXPECT_EQ(mEditor->Wait(10), 0);
    EXPECT_EQ(Noise(mEditor->Err()), "");
    std::filesystem::remove_all(home);
}

namespace {

// A visible text of the editor's window, as the preloaded text probe reports it.
struct ShownText {
    std::string type, text;
    int x = 0, y = 0, w = 0, h = 0, advance = 0, whole = 0;
    std::vector<std::array<int, 4>> lines; // relative to the object
};

std::vector<ShownText> ReadTexts(const std::string& path) {
    std::vector<ShownText> texts;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const size_t bar = line.find(" |");
        std::istringstream fields(line.substr(0, bar));
        ShownText t;
        int count = 0;
        fields >> t.type >> t.x >> t.y >> t.w >> t.h >> t.advance >> t.whole >> count;
        for (int i = 0; i < count; ++i) {
            std::array<int, 4> r{};
            fields >> r[0] >> r[1] >> r[2] >> r[3];
            t.lines.push_back(r);
        }
        if (bar != std::string::npos)
            t.text = line.substr(bar + 2);
        if (fields && !t.text.empty())
            texts.push_back(t);
    }
    return texts;
}

bool OnScreen(int x, int y) {
    const double dx = x - 180.0, dy = y - 180.0;
    return dx * dx + dy * dy <= 180.0 * 180.0;
}

// Every text whole (not ellipsized, no line outside its part) and inside the round screen;
// each of `expected` among them.
void ExpectTextsFit(const std::vector<ShownText>& texts, const std::vector<std::string>& expected) {
    std::set<std::string> seen;
    for (const ShownText& t : texts) {
        seen.insert(t.text);
        EXPECT_GE(t.advance, t.whole) << "cut off: " << t.text;
        for (const auto& r : t.lines) {
            EXPECT_TRUE(r[0] >= 0 && r[1] >= 0 && r[0] + r[2] <= t.w && r[1] + r[3] <= t.h)
                << "clipped by its part: " << t.text << " at " << r[0] << "," << r[1] << " " << r[2]
                << "x" << r[3] << " in " << t.w << "x" << t.h;
            const int x = t.x + r[0], y = t.y + r[1];
            EXPECT_TRUE(OnScreen(x, y) && OnScreen(x + r[2], y) && OnScreen(x, y + r[3]) &&
                        OnScreen(x + r[2], y + r[3]))
                << "outside the circle: " << t.text << " at " << x << "," << y;
        }
    }
    for (const std::string& text : expected)
        EXPECT_TRUE(seen.count(text)) << "not on the screen: " << text;
}

} // namespace

// The installed editor opened in every language and the long pseudo-language en_XA, with
// its tutorial, then told of a change from the phone: title, OK, guide and notice are
// translated, whole, in their parts and inside the round screen, the guide over the darkened
// page. The notice names the phone application of the device's country.
TEST_F(SystemTest, EveryTextFitsTheRoundScreenInEveryLanguage) {
    const std::string probe = kShotDir + "texts.txt";
    const std::vector<std::string> preload = {
        "/usr/bin/env", "LD_PRELOAD=" WATCH_TEXT_PROBE, "WATCH_TEXT_PROBE=" + probe,
        "ASAN_OPTIONS=verify_asan_link_order=0:" +
            std::string(getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "")};
    bindtextdomain("clock-dalvexa", mDevice->PackagePath("res/locale").c_str());
    auto text = [](const char* id) { return std::string(dgettext("clock-dalvexa", id)); };
    const char* const kNotice = "WDS_CLOCK_TPOP_NEW_SETTING_APPLIED_VIA_PS_APP_ABB";
    int band = 0;
    for (const char* language : {"en_US.UTF-8", "ko_KR.UTF-8", "ja_JP.UTF-8", "de_DE.UTF-8",
                                 "fr_FR.UTF-8", "es_ES.UTF-8", "en_XA.UTF-8"}) {
        SCOPED_TRACE(language);
        const bool japan = std::string(language) == "ja_JP.UTF-8";
        ASSERT_EQ(Watchctl({"lang", language}).status, 0);
        ASSERT_EQ(Watchctl({"vconf", "set", "db/csc/country_iso", japan ? "JP" : "KR", "--type",
                            "string"})
                      .status,
                  0);
        ASSERT_NE(setlocale(LC_ALL, language), nullptr);
        // Translated (the ids are English-like words only in the catalogues' sources); the
        // notice keeps its one "%s".
        std::string notice = text(kNotice);
        EXPECT_NE(notice, kNotice);
        ASSERT_EQ(std::count(notice.begin(), notice.end(), '%'), 1) << notice;
        notice.replace(notice.find("%s"), 2,
                       text(japan ? "WDS_STU_BODY_VOSK_MANAGER_JPN" : "WDS_STU_BODY_KORVANE_VOSK"));
        const std::vector<std::string> opening = {
            text("WDS_CLOCK_MBODY_COLOR"), text("WDS_ST_BUTTON_OK_ABB"),
            text("WDS_CLOCK_BODY_TAP_SCREEN_TO_CHANGE_STYLES_COLOURS_OR_COMPLICATIONS_ABB")};
        for (const std::string& t : opening)
            EXPECT_EQ(t.find('%'), std::string::npos) << t;

        // The texts once they stop moving: the same in two reports in a row.
        unlink(probe.c_str());
        auto settled = [&](const std::vector<std::string>& expected) {
            std::string previous, now;
            EXPECT_TRUE(WaitSlowly([&] {
                now = watchtest::ReadFile(probe);
                bool same = !now.empty() && now == previous;
                for (const std::string& t : expected)
                    same = same && now.find(" |" + t + "\n") != std::string::npos;
                previous = now;
                return same;
            })) << "texts never settled, last seen:\n"
                << now;
            return ReadTexts(probe);
        };
        LaunchEditor(preload, {{"watch_editor_tutorial", "true"}});
        ExpectTextsFit(settled(opening), opening);
        ASSERT_FALSE(HasFailure()) << "stopped at the first language whose texts fail";
        const Image pic = Shot(std::string("40-tutorial-") + language);
        EXPECT_LT(appstest::ColorDistance(pic.At(135, 250), 0), 80) << std::hex << pic.At(135, 250);
        int bright = 0;
        for (int y = 60; y < 230; ++y)
            for (int x = 50; x < 310; ++x)
                bright += appstest::ColorDistance(pic.At(x, y), 0xFFFFFF) < 55;
        EXPECT_GT(bright, 300);

        band = band % (DALVEXA_BAND_COUNT - 1) + 1;
        auto r = Watchctl({"phone", "set-band", std::to_string(band)});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        ExpectTextsFit(settled({notice}), {notice});
        ASSERT_FALSE(HasFailure());
        ASSERT_TRUE(watchtest::RunLoopUntil([&] { return EditorStatus() != -1; }, 6));
        EXPECT_EQ(EditorStatus(), 0) << mEditor->Err();
        mEditor.reset();
    }
}
