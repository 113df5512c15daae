// Theme changes: changed callbacks on the main loop, widgets that follow the colour
// table (checked on a rendered button of our own style), and table files changed on disk.
#include "LogCapture.h"
#include "LoopUtil.h"
#include "Toolkit.h"
#include "UxtTestUtil.h"
#include "uxt_theme.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <unistd.h>

using uxttest::ColorTable;
using uxttest::FontTable;
using uxttest::TableDir;
using watchtest::RunLoopUntil;

namespace {

int gColorCalls = 0;
int gFontCalls = 0;
void* gLastData = nullptr;
void ColorChanged(void* data) {
    ++gColorCalls;
    gLastData = data;
}
void FontChanged(void* data) {
    ++gFontCalls;
    gLastData = data;
}

class UxtThemeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(watchtest::ToolkitInit());
        gColorCalls = gFontCalls = 0;
        gLastData = nullptr;
    }
    void TearDown() override {
        uxt_theme_delete_changed_callback(UXT_THEME_CHANGED_COLOR, ColorChanged);
        uxt_theme_delete_changed_callback(UXT_THEME_CHANGED_FONT, FontChanged);
        // Tables live until deleted, as in the applications (the leak check sees them).
        for (uxt_theme_color_table_h table : mColorTables)
            uxt_theme_delete_color_table(table);
        for (uxt_theme_font_table_h table : mFontTables)
            uxt_theme_delete_font_table(table);
        elm_shutdown();
    }

    uxt_theme_color_table_h AddColors(const std::string& name,
                                      const std::vector<std::pair<std::string, std::string>>& c) {
        const std::string path = mDir.Write(name, ColorTable(c));
        uxt_theme_color_table_h table = uxt_theme_add_color_table(path.c_str());
        EXPECT_NE(table, nullptr) << path;
        if (table)
            mColorTables.push_back(table);
        return table;
    }
    uxt_theme_font_table_h AddFonts(const std::string& path) {
        uxt_theme_font_table_h table = uxt_theme_add_font_table(path.c_str());
        if (table)
            mFontTables.push_back(table);
        return table;
    }

    // A 360x360 window with a 100x100 button of the test style at the top left.
    Evas_Object* AddButton() {
        elm_theme_extension_add(nullptr, UXT_TEST_EDJ);
        mWin = elm_win_add(nullptr, "uxt-test", ELM_WIN_BASIC);
        evas_object_resize(mWin, 360, 360);
        evas_object_show(mWin);
        Evas_Object* button = elm_button_add(mWin);
        EXPECT_TRUE(elm_object_style_set(button, "uxttest"));
        evas_object_move(button, 0, 0);
        evas_object_resize(button, 100, 100);
        evas_object_show(button);
        return button;
    }

    // Rendered colour at (x, y), as 0xRRGGBB.
    uint32_t Pixel(int x, int y) {
        Ecore_Evas* ee = ecore_evas_ecore_evas_get(evas_object_evas_get(mWin));
        edje_object_message_signal_process(elm_layout_edje_get(mButton));
        ecore_evas_manual_render(ee);
        const auto* px = static_cast<const uint32_t*>(ecore_evas_buffer_pixels_get(ee));
        return px[y * 360 + x] & 0xffffff;
    }
    uint32_t Background() { return Pixel(10, 10); }
    uint32_t Mark() { return Pixel(50, 50); }

    TableDir mDir;
    Evas_Object* mWin = nullptr;
    Evas_Object* mButton = nullptr;
    std::vector<uxt_theme_color_table_h> mColorTables;
    std::vector<uxt_theme_font_table_h> mFontTables;
};

// The current table's colours are also global colour classes named after their codes.
std::vector<int> GlobalClass(const char* cls) {
    int r = -1, g = -1, b = -1, a = -1;
    if (!edje_color_class_get(cls, &r, &g, &b, &a, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr))
        return {};
    return {r, g, b, a};
}

} // namespace

TEST_F(UxtThemeTest, ChangedCallbacksRunOnTheMainLoopForTheirKindOnly) {
    int data = 0;
    ASSERT_EQ(uxt_theme_add_changed_callback(UXT_THEME_CHANGED_COLOR, ColorChanged, &data),
              UXT_ERROR_NONE);
    ASSERT_EQ(uxt_theme_add_changed_callback(UXT_THEME_CHANGED_FONT, FontChanged, &data),
              UXT_ERROR_NONE);
    uxt_theme_color_table_h a = AddColors("a.xml", {{"X", "#FF0000"}});
    uxt_theme_color_table_h b = AddColors("b.xml", {{"X", "#00FF00"}});

    ASSERT_EQ(uxt_theme_set_color_table(a), UXT_ERROR_NONE);
    EXPECT_EQ(gColorCalls, 0) << "called inside the set, not from the main loop";
    ASSERT_TRUE(RunLoopUntil([] { return gColorCalls == 1; }));
    EXPECT_EQ(gLastData, &data);

    // The same table again is no change; another one is.
    uxt_theme_set_color_table(a);
    uxt_theme_set_color_table(b);
    ASSERT_TRUE(RunLoopUntil([] { return gColorCalls == 2; }));
    watchtest::RunLoopFor(0.2);
    EXPECT_EQ(gColorCalls, 2);
    EXPECT_EQ(gFontCalls, 0);

    // A set announces itself to those registered when it happened.
    uxt_theme_set_color_table(a);
    EXPECT_EQ(uxt_theme_delete_changed_callback(UXT_THEME_CHANGED_COLOR, ColorChanged),
              UXT_ERROR_NONE);
    watchtest::RunLoopFor(0.2);
    EXPECT_EQ(gColorCalls, 2);
    uxt_theme_set_color_table(b);
    uxt_theme_add_changed_callback(UXT_THEME_CHANGED_COLOR, ColorChanged, &data);
    watchtest::RunLoopFor(0.2);
    EXPECT_EQ(gColorCalls, 2);

    const std::string fonts = mDir.Write("f.xml", FontTable({{"T", "Sans", "Bold", "20"}}));
    uxt_theme_font_table_h font = AddFonts(fonts);
    uxt_theme_set_font_table(font);
    ASSERT_TRUE(RunLoopUntil([] { return gFontCalls == 1; }));
    EXPECT_EQ(gColorCalls, 2);

    EXPECT_EQ(uxt_theme_add_changed_callback(UXT_THEME_CHANGED_COLOR, nullptr, nullptr),
              UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_add_changed_callback(uxt_theme_changed_type_e(2), ColorChanged, nullptr),
              UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_delete_changed_callback(UXT_THEME_CHANGED_FONT, ColorChanged),
              UXT_ERROR_INVALID_PARAMETER);
}

TEST_F(UxtThemeTest, AButtonTakesItsTwoCodesAndFollowsTableChanges) {
    uxt_theme_add_changed_callback(UXT_THEME_CHANGED_COLOR, ColorChanged, nullptr);
    uxt_theme_color_table_h a =
        AddColors("a.xml", {{"B065L4", "#C80000"}, {"AO039", "#0000C8"}, {"Z", "#010101"}});
    uxt_theme_color_table_h b = AddColors("b.xml", {{"B065L4", "#00A000"}, {"AO039", "#F0F000"}});
    ASSERT_EQ(uxt_theme_set_color_table(a), UXT_ERROR_NONE);
    EXPECT_EQ(GlobalClass("Z"), (std::vector<int>{1, 1, 1, 255}));
    // Without the changeable mode a widget keeps the colours it was given.
    uxt_theme_set_changeable_ui_enabled(false);
    mButton = AddButton();
    ASSERT_EQ(uxt_theme_object_replace_color(mButton, "B065L4", "AO039"), UXT_ERROR_NONE);
    EXPECT_EQ(Background(), 0xC80000u);
    EXPECT_EQ(Mark(), 0x0000C8u);

    // Another table becomes current: the widget catches up once the mode is switched on.
    ASSERT_EQ(uxt_theme_set_color_table(b), UXT_ERROR_NONE);
    EXPECT_EQ(GlobalClass("B065L4"), (std::vector<int>{0, 160, 0, 255}));
    EXPECT_TRUE(GlobalClass("Z").empty());
    EXPECT_EQ(Background(), 0xC80000u);
    uxt_theme_set_changeable_ui_enabled(true);
    EXPECT_EQ(Background(), 0x00A000u);
    EXPECT_EQ(Mark(), 0xF0F000u);
    // One call for each set, from the main loop.
    ASSERT_TRUE(RunLoopUntil([] { return gColorCalls == 2; }));

    // The current table's file is rewritten in place.
    mDir.Write("b.xml", ColorTable({{"B065L4", "#101080"}, {"AO039", "#FFFFFF"}}));
    ASSERT_TRUE(RunLoopUntil([] { return gColorCalls == 3; }));
    EXPECT_EQ(Background(), 0x101080u);
    EXPECT_EQ(Mark(), 0xFFFFFFu);

    // ... and replaced by a rename, as editors save.
    mDir.Replace("b.xml", ColorTable({{"B065L4", "#404040"}, {"AO039", "#808080"}}));
    ASSERT_TRUE(RunLoopUntil([] { return gColorCalls == 4; }));
    EXPECT_EQ(Background(), 0x404040u);
    EXPECT_EQ(Mark(), 0x808080u);
    int r, g, b2, alpha;
    ASSERT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b2, &alpha), UXT_ERROR_NONE);
    EXPECT_EQ(r, 64);

    // A file of a table that is no longer current changes nothing.
    uxt_theme_set_color_table(a);
    ASSERT_TRUE(RunLoopUntil([] { return gColorCalls == 5; }));
    mDir.Write("b.xml", ColorTable({{"B065L4", "#FFFFFF"}, {"AO039", "#FFFFFF"}}));
    watchtest::RunLoopFor(0.4);
    EXPECT_EQ(gColorCalls, 5);
    EXPECT_EQ(Background(), 0xC80000u);

    // A deleted button is let go: later changes do not reach it.
    evas_object_del(mButton);
    mButton = nullptr;
    uxt_theme_set_color_table(b);
    ASSERT_TRUE(RunLoopUntil([] { return gColorCalls == 6; }));
}

TEST_F(UxtThemeTest, ABadRewriteKeepsTheLastGoodValues) {
    watchtest::LogCapture log;
    uxt_theme_add_changed_callback(UXT_THEME_CHANGED_FONT, FontChanged, nullptr);
    const std::string good = mDir.Write("f.xml", FontTable({{"T0111", "Sans", "Bold", "30"}}));
    uxt_theme_font_table_h table = AddFonts(good);
    ASSERT_NE(table, nullptr);
    uxt_theme_set_font_table(table);
    ASSERT_TRUE(RunLoopUntil([] { return gFontCalls == 1; }));
    // Published as a text class named after the code.
    const char* font = nullptr;
    Evas_Font_Size size = 0;
    ASSERT_TRUE(edje_text_class_get("T0111", &font, &size));
    EXPECT_STREQ(font, "Sans:style=Bold");
    EXPECT_EQ(size, 30);

    log.Clear();
    mDir.Write("f.xml", "<font-table><font code=\"T0111\"");
    ASSERT_TRUE(RunLoopUntil([&] { return log.Count("font table not reloaded") > 0; }));
    watchtest::RunLoopFor(0.3);
    EXPECT_EQ(gFontCalls, 1);
    char* family = nullptr;
    char* style = nullptr;
    int points = 0;
    ASSERT_EQ(uxt_theme_get_font("T0111", &family, &style, &points), UXT_ERROR_NONE);
    EXPECT_EQ(points, 30);
    free(family);
    free(style);

    // Fixed again: the new values arrive.
    mDir.Write("f.xml", FontTable({{"T0111", "Sans", "Regular", "26"}}));
    ASSERT_TRUE(RunLoopUntil([] { return gFontCalls == 2; }));
    ASSERT_TRUE(edje_text_class_get("T0111", &font, &size));
    EXPECT_STREQ(font, "Sans:style=Regular");
    EXPECT_EQ(size, 26);

    // Removing the file keeps the values too, with one line.
    log.Clear();
    unlink(good.c_str());
    ASSERT_TRUE(RunLoopUntil([&] { return log.Count("was removed; its last values stay") == 1; }));
    EXPECT_EQ(uxt_theme_get_font("T0111", &family, &style, &points), UXT_ERROR_NONE);
    free(family);
    free(style);
}

TEST_F(UxtThemeTest, ReplaceColorRefusesWhatItCannotColour) {
    uxt_theme_set_changeable_ui_enabled(true);
    mButton = AddButton();
    watchtest::LogCapture log;
    // No current table yet: followed all the same, coloured once a table is set.
    EXPECT_EQ(uxt_theme_object_replace_color(mButton, "B065L4", "AO039"), UXT_ERROR_NOT_FOUND);
    EXPECT_EQ(log.Count("no current colour table for \"B065L4\" and \"AO039\""), 1);
    uxt_theme_color_table_h a = AddColors("a.xml", {{"B065L4", "#C80000"}});
    uxt_theme_set_color_table(a);
    EXPECT_EQ(Background(), 0xC80000u);
    // The code the table lacks: one line, the other class still set.
    EXPECT_EQ(log.Count("colour code \"AO039\" not in the colour table"), 1) << log.Dump();

    log.Clear();
    Evas_Object* rect = evas_object_rectangle_add(evas_object_evas_get(mWin));
    EXPECT_EQ(uxt_theme_object_replace_color(nullptr, "B065L4", "AO039"),
              UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_object_replace_color(mButton, "", "AO039"), UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_object_replace_color(mButton, "B065L4", nullptr),
              UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_object_replace_color(rect, "B065L4", "AO039"), UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(
        log.Messages("WATCH-UXT"),
        (std::vector<std::string>{
            "colours not replaced: object is NULL", "colours not replaced: empty colour code",
            "colours not replaced: empty colour code",
            "colours not replaced: rectangle is neither a layout widget nor an edje object"}));

    // A bare edje object can be given colours too.
    Evas_Object* edje = edje_object_add(evas_object_evas_get(mWin));
    ASSERT_TRUE(edje_object_file_set(edje, UXT_TEST_EDJ, "elm/button/base/uxttest"));
    EXPECT_EQ(uxt_theme_object_replace_color(edje, "B065L4", "B065L4"), UXT_ERROR_NONE);
    int r = 0;
    edje_object_color_class_get(edje, "uxt.second", &r, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(r, 200);
}
