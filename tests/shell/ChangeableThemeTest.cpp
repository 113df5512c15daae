// The changeable theme: finding the watch face's tables, handing them to the UX theme,
// and the guard lines of every way that can fail.
#include "ChangeableTheme.h"
#include "LogCapture.h"
#include "StackFixture.h"
#include "TestDevice.h"

#include <Elementary.h>
#include <uxt_theme.h>

#include <gtest/gtest.h>

#include <algorithm>
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
    std::vector<std::string> Lines() const {
        std::vector<std::string> bodies;
        for (const std::string& message : mLog.Messages("CLOCK-COMMON"))
            bodies.push_back(LogBody(message));
        return bodies;
    }
    static std::string Guard(const std::string& body) {
        // "[Function(): 12] (condition) [return]" -> "(condition) [return]"
        size_t open = body.find("] (");
        return open == std::string::npos ? body : body.substr(open + 2);
    }
    std::vector<std::string> Guards() const {
        std::vector<std::string> guards;
        for (const std::string& body : Lines())
            guards.push_back(Guard(body));
        return guards;
    }

    LogCapture mLog;
};

const std::string TABLES = "apps/com.korvane.clock-dalvexa/shared/res/tables/";

bool ColorOf(const char* code, int* r, int* g, int* b, int* a) {
    return uxt_theme_get_color(code, r, g, b, a) == UXT_ERROR_NONE;
}

} // namespace

TEST_F(ThemeTables, LoadsTheWatchFacesTables) {
    TestDevice device;
    ChangeableTheme theme;
    ASSERT_EQ(theme.InitChangeableTheme(), 0) << mLog.Dump();
    const std::string tables = device.Root() + "/" + TABLES;
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "colorTablePath : " + tables + "changeableColorInfo.xml",
                           "fontTablePath : " + tables + "changeableColorInfo_font.xml"}));
    // The face's OK button colours are now current.
    int r = 0, g = 0, b = 0, a = 0;
    ASSERT_TRUE(ColorOf("B065L4", &r, &g, &b, &a));
    EXPECT_EQ((std::vector<int>{r, g, b, a}), (std::vector<int>{0x0A, 0x5F, 0xC9, 0xFF}));

    mLog.Clear();
    theme.DeinitChangeableTheme();
    EXPECT_TRUE(Lines().empty()) << mLog.Dump();
    // Unloaded once: a second teardown finds nothing to unload.
    theme.DeinitChangeableTheme();
    EXPECT_EQ(Guards(), (std::vector<std::string>{"(mColorTable == NULL) [return]",
                                                  "(mFontTable == NULL) [return]"}));
}

// A missing or damaged table is refused with a guard line; a colour table that loaded stays.
TEST_F(ThemeTables, ABadTableIsRefused) {
    struct Case {
        const char* file;
        const char* content; // null: the file is removed
        const char* guard;
        bool coloursLoaded;
    };
    for (const Case& c :
         {Case{"changeableColorInfo_font.xml", nullptr, "(fontTable == NULL) [return]", true},
          Case{"changeableColorInfo.xml", "<color-table><co", "(colorTable == NULL) [return]",
               false}}) {
        SCOPED_TRACE(c.file);
        TestDevice device;
        const std::string path = device.Root() + "/" + TABLES + c.file;
        if (c.content)
            std::ofstream(path) << c.content;
        else
            std::filesystem::remove(path);
        mLog.Clear();
        ChangeableTheme theme;
        EXPECT_EQ(theme.InitChangeableTheme(), -1);
        std::vector<std::string> guards = Guards();
        EXPECT_NE(std::find(guards.begin(), guards.end(), c.guard), guards.end()) << mLog.Dump();
        int r, g, b, a;
        EXPECT_EQ(ColorOf("B065L4", &r, &g, &b, &a), c.coloursLoaded);
        theme.DeinitChangeableTheme();
    }
}
