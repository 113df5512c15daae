// The widget factory: what it builds, and what bad input gets.
#include "ElementaryHelper.h"
#include "LogCapture.h"
#include "Toolkit.h"

#include <Elementary.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using NSClockCommon::ElementaryHelper;
using watchtest::LogBody;
using watchtest::LogCapture;

namespace {

const std::string kEdj = HELPER_TEST_EDJ;

class ElementaryHelperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(watchtest::ToolkitInit());
        mWin = elm_win_add(nullptr, "helper-test", ELM_WIN_BASIC);
        evas_object_resize(mWin, 360, 360);
        evas_object_show(mWin);
    }
    void TearDown() override {
        evas_object_del(mWin);
        watchtest::ToolkitShutdown();
    }
    Evas_Object* mWin = nullptr;
    LogCapture mLog;
    ElementaryHelper mHelper;
};

} // namespace

TEST_F(ElementaryHelperTest, BadInputCreatesNothing) {
    Evas_Object* layout = mHelper.CreateExpandLayout(mWin, kEdj.c_str(), "helper/missing");
    EXPECT_EQ(layout, nullptr);
    const std::vector<std::string> lines = mLog.Messages("CLOCK-COMMON");
    ASSERT_EQ(lines.size(), 1u) << mLog.Dump();
    EXPECT_EQ(LogBody(lines[0]),
              "elm_layout_file_set is failed. file: " + kEdj + ", group: helper/missing");

    EXPECT_EQ(mHelper.CreateExpandLayout(nullptr, kEdj.c_str(), "helper/layout"), nullptr);
    EXPECT_EQ(mHelper.CreateImage(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(mHelper.CreateActivityIndicator(mWin, ""), nullptr);
    EXPECT_EQ(mHelper.CreateCheck(mWin, ""), nullptr);
    EXPECT_EQ(mHelper.CreateRadioElement(mWin, "default", nullptr, 1), nullptr);
    EXPECT_EQ(mHelper.CreateImageWithColorClass(mWin, "", ""), nullptr);
}
