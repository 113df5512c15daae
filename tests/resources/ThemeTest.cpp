// The platform theme: watch_theme_apply() and the widget styles it brings, on the real
// widgets, with what they must do (click, colour classes, naviframe transitions, toast).
#include "LogCapture.h"
#include "LoopUtil.h"
#include "ResourceTestUtil.h"
#include "uxt_theme.h"
#include "watch_theme.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

using restest::ElmSession;

namespace {

const char* const kThemeGroups[] = {
    "elm/button/base/bottom",
    "elm/index/base/horizontal/thumbnail",
    "elm/index/item/horizontal/thumbnail",
    "elm/index/item_odd/horizontal/thumbnail",
    "elm/index/base/vertical/thumbnail",
    "elm/index/item/vertical/thumbnail",
    "elm/index/item_odd/vertical/thumbnail",
    "elm/popup/base/toast/circle",
    "elm/popup/content/popup/toast/circle",
    "elm/label/base/popup/toast/circle",
    "elm/notify/center/popup/toast/circle",
    "elm/notify/block_events/popup/toast/circle",
    "elm/naviframe/item/empty/default",
    "elm/layout/application/default",
};

} // namespace

TEST(WatchTheme, AppliesOnceAndProvidesEveryStyleGroup) {
    ElmSession elm(false);
    // Without the theme the default theme has none of them: the check below can fail.
    EXPECT_EQ(elm_theme_group_path_find(nullptr, "elm/button/base/bottom"), nullptr);

    watchtest::LogCapture log;
    ASSERT_EQ(watch_theme_apply(), WATCH_THEME_ERROR_NONE);
    ASSERT_EQ(watch_theme_apply(), WATCH_THEME_ERROR_NONE);
    EXPECT_TRUE(log.Lines().empty()) << log.Dump();
    const char* path = watch_theme_file_path();
    EXPECT_EQ(eina_list_count(elm_theme_extension_list_get(nullptr)), 1u);
    for (const char* group : kThemeGroups) {
        const char* found = elm_theme_group_path_find(nullptr, group);
        ASSERT_NE(found, nullptr) << group;
        EXPECT_STREQ(found, path) << group;
    }
}

// A theme file that is missing or is not the theme: one line naming it, nothing added.
TEST(WatchTheme, BadFilesAreRefusedWithOneLineAndAddNothing) {
    ElmSession elm(false);
    const std::string junk = std::string(WATCH_TEST_BINARY_DIR) + "/not-a-theme.edj";
    std::ofstream(junk) << "not an edje file";
    const struct {
        std::string path;
        int error;
    } cases[] = {
        {"/nonexistent/watch-theme.edj", WATCH_THEME_ERROR_NOT_FOUND},
        {junk, WATCH_THEME_ERROR_INVALID_FILE},
        {restest::StagePath("res/edje/ClockEditor.edj"),
         WATCH_THEME_ERROR_INVALID_FILE}, // edje, but not the theme
    };
    for (const auto& c : cases) {
        setenv("WATCH_THEME_FILE", c.path.c_str(), 1);
        watchtest::LogCapture log;
        EXPECT_EQ(watch_theme_apply(), c.error) << c.path;
        ASSERT_EQ(log.Lines().size(), 1u) << log.Dump();
        EXPECT_TRUE(log.Contains(c.path)) << log.Dump();
        EXPECT_EQ(elm_theme_extension_list_get(nullptr), nullptr);
    }
    // An empty variable means the built-in path.
    setenv("WATCH_THEME_FILE", "", 1);
    EXPECT_EQ(watch_theme_apply(), WATCH_THEME_ERROR_NONE);
}

TEST(WatchTheme, OkButtonTakesTheWatchFacesTableColoursThroughTheUxTheme) {
    ElmSession elm;
    // As the shell and the widget factory do it: the face's colour table made current,
    // then the button's two colour codes.
    uxt_theme_color_table_h table = uxt_theme_add_color_table(
        restest::StagePath("shared/res/tables/changeableColorInfo.xml").c_str());
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(uxt_theme_set_color_table(table), UXT_ERROR_NONE);
    int r = 0, g = 0, b = 0, a = 0;
    ASSERT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b, &a), UXT_ERROR_NONE);
    const uint32_t background = uint32_t(r << 16 | g << 8 | b);

    Evas_Object* win = restest::MakeScreen();
    Evas_Object* button = elm_button_add(win);
    ASSERT_TRUE(elm_object_style_set(button, "bottom"));
    EXPECT_EQ(uxt_theme_object_replace_color(button, "B065L4", "AO039"), UXT_ERROR_NONE);
    elm_object_text_set(button, "OK");
    evas_object_move(button, 0, 282);
    evas_object_resize(button, 360, 78);
    evas_object_show(button);
    appstest::Image pic = restest::Grab(win);
    // Not the theme's own default blue: the table's.
    EXPECT_NE(background, 0x266EEBu);
    EXPECT_LE(appstest::ColorDistance(pic.At(180, 352), background), 2)
        << std::hex << pic.At(180, 352) << " instead of " << background;
    evas_object_del(win);
    uxt_theme_delete_color_table(table);
}
