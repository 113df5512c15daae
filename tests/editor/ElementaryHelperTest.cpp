// The widget factory: what it builds, and what bad input gets.
#include "ElementaryHelper.h"
#include "LogCapture.h"

#include <Elementary.h>
#include <gtest/gtest.h>

#include <string>

using NSClockCommon::ElementaryHelper;
using watchtest::LogBody;
using watchtest::LogCapture;

namespace {

const std::string kEdj = HELPER_TEST_EDJ;

class ElementaryHelperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ecore_app_no_system_modules();
        elm_init(0, nullptr);
        mWin = elm_win_add(nullptr, "helper-test", ELM_WIN_BASIC);
        evas_object_resize(mWin, 360, 360);
        evas_object_show(mWin);
    }
    void TearDown() override {
        evas_object_del(mWin);
        elm_shutdown();
    }
    // Bodies of the lines logged under the common tag.
    std::vector<std::string> Bodies() const {
        std::vector<std::string> out;
        for (const std::string& m : mLog.Messages("CLOCK-COMMON"))
            out.push_back(LogBody(m));
        return out;
    }

    Evas_Object* mWin = nullptr;
    LogCapture mLog;
    ElementaryHelper mHelper;
};

} // namespace

TEST_F(ElementaryHelperTest, ExpandLayoutWithAGroupThatIsNotThere) {
    Evas_Object* layout = mHelper.CreateExpandLayout(mWin, kEdj.c_str(), "helper/missing");
    EXPECT_EQ(layout, nullptr);
    ASSERT_EQ(Bodies().size(), 1u) << mLog.Dump();
    EXPECT_EQ(Bodies()[0],
              "elm_layout_file_set is failed. file: " + kEdj + ", group: helper/missing");
}

TEST_F(ElementaryHelperTest, ExpandLayoutWithoutAGroupIsBare) {
    Evas_Object* layout = mHelper.CreateExpandLayout(mWin, kEdj.c_str(), nullptr);
    ASSERT_NE(layout, nullptr);
    const char* file = nullptr;
    elm_layout_file_get(layout, &file, nullptr);
    EXPECT_EQ(file, nullptr);
    double wx = -1, wy = -1;
    evas_object_size_hint_weight_get(layout, &wx, &wy);
    EXPECT_EQ(wx, 0.0);
    EXPECT_EQ(wy, 0.0);
    EXPECT_TRUE(Bodies().empty()) << mLog.Dump();
}

TEST_F(ElementaryHelperTest, ExpandLayoutExpandsAndFillsPlainLayoutDoesNot) {
    Evas_Object* expand = mHelper.CreateExpandLayout(mWin, kEdj.c_str(), "helper/layout");
    Evas_Object* plain = mHelper.CreateLayout(mWin, kEdj.c_str(), "helper/layout");
    ASSERT_NE(expand, nullptr);
    ASSERT_NE(plain, nullptr);
    double wx, wy, ax, ay;
    evas_object_size_hint_weight_get(expand, &wx, &wy);
    evas_object_size_hint_align_get(expand, &ax, &ay);
    EXPECT_EQ(wx, EVAS_HINT_EXPAND);
    EXPECT_EQ(wy, EVAS_HINT_EXPAND);
    EXPECT_EQ(ax, EVAS_HINT_FILL);
    EXPECT_EQ(ay, EVAS_HINT_FILL);
    evas_object_size_hint_weight_get(plain, &wx, &wy);
    EXPECT_EQ(wx, 0.0);
    EXPECT_FALSE(evas_object_visible_get(expand)); // the caller shows it
}

TEST_F(ElementaryHelperTest, NullParentsAndEmptyStylesCreateNothing) {
    EXPECT_EQ(mHelper.CreateExpandLayout(nullptr, kEdj.c_str(), "helper/layout"), nullptr);
    EXPECT_EQ(mHelper.CreateImage(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(mHelper.CreateActivityIndicator(mWin, ""), nullptr);
    EXPECT_EQ(mHelper.CreateCheck(mWin, ""), nullptr);
    EXPECT_EQ(mHelper.CreateRadioElement(mWin, "default", nullptr, 1), nullptr);
    EXPECT_EQ(mHelper.CreateImageWithColorClass(mWin, "", ""), nullptr);
    const std::vector<std::string> bodies = Bodies();
    ASSERT_EQ(bodies.size(), 6u) << mLog.Dump();
    EXPECT_NE(bodies[0].find("(parent == NULL) [return]"), std::string::npos) << bodies[0];
    EXPECT_NE(bodies[1].find("(parent == NULL) [return]"), std::string::npos) << bodies[1];
    EXPECT_NE(bodies[2].find("(style.length() <= 0) [return]"), std::string::npos) << bodies[2];
    EXPECT_NE(bodies[3].find("(style.length() <= 0) [return]"), std::string::npos) << bodies[3];
    EXPECT_NE(bodies[4].find("(parent == NULL || style.length() <= 0 || radioGroup == NULL)"),
              std::string::npos)
        << bodies[4];
    EXPECT_NE(bodies[5].find("(parent == NULL || imagePath.length() <= 0)"), std::string::npos)
        << bodies[5];
}

TEST_F(ElementaryHelperTest, TextblockLineCount) {
    Evas_Object* layout = mHelper.CreateExpandLayout(mWin, kEdj.c_str(), "helper/text");
    ASSERT_NE(layout, nullptr);
    evas_object_resize(layout, 300, 300);
    Evas_Object* edje = elm_layout_edje_get(layout);
    edje_object_part_text_set(edje, "text", "one<br/>two<br/>three");
    edje_object_calc_force(edje);
    EXPECT_EQ(mHelper.GetTextblockMaxLine(edje, "text"), 3);
    edje_object_part_text_set(edje, "text", "one");
    EXPECT_EQ(mHelper.GetTextblockMaxLine(edje, "text"), 1);

    mLog.Clear();
    EXPECT_EQ(mHelper.GetTextblockMaxLine(nullptr, "text"), -1);
    EXPECT_EQ(mHelper.GetTextblockMaxLine(edje, nullptr), -1);
    EXPECT_EQ(mHelper.GetTextblockMaxLine(edje, "no-such-part"), -1);
    const std::vector<std::string> bodies = Bodies();
    ASSERT_EQ(bodies.size(), 3u) << mLog.Dump();
    EXPECT_NE(bodies[0].find("(edje == NULL)"), std::string::npos);
    EXPECT_NE(bodies[1].find("(part == NULL)"), std::string::npos);
    EXPECT_NE(bodies[2].find("(textblock == NULL)"), std::string::npos);
}

TEST_F(ElementaryHelperTest, VerticalPageScroller) {
    Evas_Object* scroller = mHelper.CreateScroller(mWin, 360, false);
    ASSERT_NE(scroller, nullptr);
    int pw = -1, ph = -1;
    elm_scroller_page_size_get(scroller, &pw, &ph);
    EXPECT_EQ(pw, 0);
    EXPECT_EQ(ph, 360);
    EXPECT_TRUE(elm_object_scroll_lock_x_get(scroller));
    EXPECT_FALSE(elm_object_scroll_lock_y_get(scroller));
    int lh = -1, lv = -1;
    elm_scroller_page_scroll_limit_get(scroller, &lh, &lv);
    EXPECT_EQ(lv, 1); // one page per flick
    EXPECT_GT(lh, 1); // 0 asks EFL for no limit on the locked axis
    EXPECT_TRUE(evas_object_visible_get(scroller));

    Evas_Object* horizontal = mHelper.CreateScroller(mWin, 200, true);
    elm_scroller_page_size_get(horizontal, &pw, &ph);
    EXPECT_EQ(pw, 200);
    EXPECT_EQ(ph, 0);
    EXPECT_TRUE(elm_object_scroll_lock_y_get(horizontal));
}

TEST_F(ElementaryHelperTest, BottomButtonCarriesTheOkText) {
    Evas_Object* button = mHelper.CreateBottomButton(mWin);
    ASSERT_NE(button, nullptr);
    EXPECT_STREQ(elm_object_style_get(button), "bottom");
    // No catalogue is bound here: the message id itself is the text.
    EXPECT_STREQ(elm_object_text_get(button), "WDS_ST_BUTTON_OK_ABB");
    EXPECT_TRUE(evas_object_visible_get(button));
}
