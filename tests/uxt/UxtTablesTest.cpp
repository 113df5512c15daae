// Reading tables: good ones, the watch face's shipped ones, and bad ones.
#include "LogCapture.h"
#include "Toolkit.h"
#include "UxtTestUtil.h"
#include "uxt_theme.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include <unistd.h>

using uxttest::ColorTable;
using uxttest::FontTable;
using uxttest::TableDir;

namespace {

class UxtTablesTest : public ::testing::Test {
  protected:
    // Ecore alone, as the tables need: the library starts Edje itself.
    void SetUp() override { ASSERT_TRUE(watchtest::ToolkitInit(false)); }
    void TearDown() override { watchtest::ToolkitShutdown(false); }
    TableDir mDir;
};

} // namespace

TEST_F(UxtTablesTest, ColoursAndFontsOfTheCurrentTablesCanBeRead) {
    const std::string colors =
        mDir.Write("c.xml", ColorTable({{"B065L4", "#0A5FC9"}, {"AO039", "#ffffff80"}}));
    const std::string fonts = mDir.Write(
        "f.xml", "<font-table><!-- title --><font code=\"T1\" family=\"Sans\" size=\"30\"/>"
                 "<font code=\"T2\" family=\"DejaVu Serif\" style=\"Bold\" size=\"24\"/>"
                 "</font-table>");
    uxt_theme_color_table_h colorTable = uxt_theme_add_color_table(colors.c_str());
    uxt_theme_font_table_h fontTable = uxt_theme_add_font_table(fonts.c_str());
    ASSERT_NE(colorTable, nullptr);
    ASSERT_NE(fontTable, nullptr);

    // Nothing is current before set.
    int r = -1, g = -1, b = -1, a = -1;
    EXPECT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b, &a), UXT_ERROR_NOT_FOUND);

    EXPECT_EQ(uxt_theme_set_color_table(colorTable), UXT_ERROR_NONE);
    EXPECT_EQ(uxt_theme_set_font_table(fontTable), UXT_ERROR_NONE);
    ASSERT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b, &a), UXT_ERROR_NONE);
    EXPECT_EQ((std::vector<int>{r, g, b, a}), (std::vector<int>{0x0a, 0x5f, 0xc9, 255}));
    ASSERT_EQ(uxt_theme_get_color("AO039", &r, &g, &b, &a), UXT_ERROR_NONE);
    EXPECT_EQ((std::vector<int>{r, g, b, a}), (std::vector<int>{255, 255, 255, 0x80}));
    EXPECT_EQ(uxt_theme_get_color("nope", &r, &g, &b, &a), UXT_ERROR_NOT_FOUND);

    char* family = nullptr;
    char* style = nullptr;
    int size = 0;
    ASSERT_EQ(uxt_theme_get_font("T2", &family, &style, &size), UXT_ERROR_NONE);
    EXPECT_STREQ(family, "DejaVu Serif");
    EXPECT_STREQ(style, "Bold");
    EXPECT_EQ(size, 24);
    free(family);
    free(style);
    ASSERT_EQ(uxt_theme_get_font("T1", &family, &style, &size), UXT_ERROR_NONE);
    EXPECT_STREQ(style, "Regular");
    free(family);
    free(style);

    EXPECT_EQ(uxt_theme_set_style(UXT_THEME_STYLE_DEFAULT), UXT_ERROR_NONE);
    EXPECT_EQ(uxt_theme_set_style(UXT_THEME_STYLE_DARK), UXT_ERROR_NONE);
    EXPECT_EQ(uxt_theme_get_style(), UXT_THEME_STYLE_DARK);
    EXPECT_EQ(uxt_theme_set_style(uxt_theme_style_e(9)), UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_get_style(), UXT_THEME_STYLE_DARK);

    EXPECT_EQ(uxt_theme_delete_color_table(colorTable), UXT_ERROR_NONE);
    EXPECT_EQ(uxt_theme_delete_font_table(fontTable), UXT_ERROR_NONE);
    EXPECT_EQ(uxt_theme_get_color("B065L4", &r, &g, &b, &a), UXT_ERROR_NOT_FOUND);

    // Deleted and NULL handles are refused.
    EXPECT_EQ(uxt_theme_set_color_table(colorTable), UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_delete_color_table(colorTable), UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_set_color_table(nullptr), UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_set_font_table(nullptr), UXT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(uxt_theme_delete_font_table(nullptr), UXT_ERROR_INVALID_PARAMETER);
}

// Each bad table gives NULL and one line: which kind, the file, the line and why. Entries
// are put in the root element of their kind unless the case has a root of its own.
TEST_F(UxtTablesTest, BadTablesGiveNullAndOneLogLine) {
    const struct {
        bool colours;        // a colour table, else a font table
        const char* content; // nullptr: no file at all
        std::string expected;
    } cases[] = {
        {true, nullptr, "bad.xml: No such file or directory"},
        {true, "", "bad.xml:"},
        {true, "<color-table><color code=\"A\" rgba=\"#000000\">", "bad.xml:1: "},
        {true, "<font-table/>", "the root element is not <color-table>"},
        {false, "<color-table/>", "the root element is not <font-table>"},
        {true, "\n<!-- nothing -->\n", "no entries"},
        {true, "\n<color code=\"A\" rgba=\"#12345\"/>",
         "bad.xml:2: code \"A\": bad rgba \"#12345\""},
        {true, "<color code=\"A\" rgba=\"#GG0000\"/>", "bad rgba"},
        {true, "<color code=\"A\" rgba=\"FF0000FF\"/>", "bad rgba"},
        {true, "<color code=\"A\"/>", "code \"A\": no rgba"},
        {true, "<color rgba=\"#000000\"/>", "an entry without a code"},
        {true, "<color code=\"A\" rgba=\"#000000\"/>\n\n<color code=\"A\" rgba=\"#FFFFFF\"/>",
         "bad.xml:3: code \"A\" appears twice"},
        {true, "<colour code=\"A\" rgba=\"#000000\"/>", "unexpected <colour>"},
        {true, "red<color code=\"A\" rgba=\"#000000\"/>", "text outside an entry"},
        {false, "<font code=\"T\" family=\"Sans\" size=\"0\"/>",
         "bad.xml:1: code \"T\": bad size \"0\""},
        {false, "<font code=\"T\" family=\"Sans\" size=\"99999\"/>", "bad size \"99999\""},
        {false, "<font code=\"T\" family=\"Sans\"/>", "bad size \"\""},
        {false, "<font code=\"T\" size=\"20\"/>", "no usable family"},
        {false, "<font code=\"T\" family=\"Sans:style=Bold\" size=\"20\"/>", "no usable family"},
        {false, "<font code=\"T\" family=\"Sans\" style=\"\" size=\"20\"/>", "bad style \"\""},
    };
    const std::string path = mDir.Path() + "/bad.xml";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content ? c.content : "(no file)");
        const std::string content = c.content ? c.content : "";
        const std::string root = c.colours ? "color-table" : "font-table";
        if (content.empty() || content.find("-table") != std::string::npos)
            mDir.Write("bad.xml", content);
        else
            mDir.Write("bad.xml", "<" + root + ">" + content + "</" + root + ">");
        if (!c.content)
            unlink(path.c_str());
        watchtest::LogCapture log;
        if (c.colours)
            EXPECT_EQ(uxt_theme_add_color_table(path.c_str()), nullptr);
        else
            EXPECT_EQ(uxt_theme_add_font_table(path.c_str()), nullptr);
        const auto lines = log.Messages("WATCH-UXT");
        ASSERT_EQ(lines.size(), 1u) << log.Dump();
        const std::string head =
            c.colours ? "colour table not loaded: " : "font table not loaded: ";
        EXPECT_EQ(lines[0].rfind(head, 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find(c.expected), std::string::npos) << lines[0];
    }
    watchtest::LogCapture log;
    EXPECT_EQ(uxt_theme_add_color_table(nullptr), nullptr);
    EXPECT_EQ(uxt_theme_add_color_table(mDir.Path().c_str()), nullptr); // a directory
    EXPECT_EQ(log.Messages("WATCH-UXT"),
              (std::vector<std::string>{"colour table not loaded: no path",
                                        "colour table not loaded: " + mDir.Path() +
                                            ": not a regular file"}));
}
