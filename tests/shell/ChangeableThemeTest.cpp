// The changeable theme: finding the watch face's tables, handing them to the UX theme,
// and the guard lines of every way that can fail.
#include "ChangeableTheme.h"
#include "LogCapture.h"
#include "StackFixture.h"
#include "TestDevice.h"

#include <Elementary.h>
#include <uxt_theme.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace watchtest;
using NSClockCommon::ChangeableTheme;

namespace {

class ThemeTables : public ::testing::Test {
  protected:
    void SetUp() override { InitToolkit(); }
    void TearDown() override { elm_shutdown(); }

    // Bodies of the lines logged under the theme's tag.
    std::vector<std::string> Lines() const { return mLog.Bodies("CLOCK-COMMON"); }

    LogCapture mLog;
};

} // namespace

TEST_F(ThemeTables, LoadsTheWatchFacesTables) {
    TestDevice device;
    ChangeableTheme theme;
    ASSERT_EQ(theme.InitChangeableTheme(), 0) << mLog.Dump();
    const std::string tables = device.PackagePath("shared/res/tables/");
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "colorTablePath : " + tables + "changeableColorInfo.xml",
                           "fontTablePath : " + tables + "changeableColorInfo_font.xml"}));
    // The face's OK button colours are now current.
    int r = 0, g = 0, b = 0, a = 0;
    ASSERT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b, &a), UXT_ERROR_NONE);
    EXPECT_EQ((std::vector<int>{r, g, b, a}), (std::vector<int>{0x0A, 0x5F, 0xC9, 0xFF}));

    mLog.Clear();
    theme.DeinitChangeableTheme();
    EXPECT_TRUE(Lines().empty()) << mLog.Dump();
    // Unloaded once: a second teardown finds nothing to unload.
    theme.DeinitChangeableTheme();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"(mColorTable == NULL) [return]",
                                                 "(mFontTable == NULL) [return]"}));
}

TEST_F(ThemeTables, AFailingTableIsRefusedAndWhatLoadedStaysUntilTheTeardown) {
    TestDevice device;
    const std::string tables = device.PackagePath("shared/res/tables/");
    std::filesystem::remove(tables + "changeableColorInfo_font.xml");
    ChangeableTheme theme;
    EXPECT_EQ(theme.InitChangeableTheme(), -1);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 4u) << mLog.Dump();
    EXPECT_EQ(lines[2], "(fontTable == NULL) [return]");
    EXPECT_EQ(lines[3], "(mFontTable == NULL) [return]");
    int r, g, b, a;
    EXPECT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b, &a), UXT_ERROR_NONE);
    mLog.Clear();
    theme.DeinitChangeableTheme();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"(mFontTable == NULL) [return]"}));

    // A damaged colour table is refused before the fonts are tried.
    std::ofstream(tables + "changeableColorInfo.xml") << "<color-table><co";
    mLog.Clear();
    ChangeableTheme damaged;
    EXPECT_EQ(damaged.InitChangeableTheme(), -1);
    lines = Lines();
    ASSERT_EQ(lines.size(), 3u) << mLog.Dump();
    EXPECT_EQ(lines[1], "(colorTable == NULL) [return]");
    EXPECT_EQ(lines[2], "(mColorTable == NULL) [return]");
}
