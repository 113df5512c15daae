// String operations whose corner cases are easy to get wrong.
#include "LogCapture.h"
#include "StringUtil.h"

#include <gtest/gtest.h>

#include <stdexcept>

using NSClockCommon::StringUtil;
using Strings = std::vector<std::string>;

TEST(StringUtil, UpperCaseIsUtf8Aware) {
    EXPECT_EQ(StringUtil::StringToUpper("colour ß é"), "COLOUR SS É");
    watchtest::LogCapture log;
    EXPECT_EQ(StringUtil::StringToUpper(""), "");
    EXPECT_EQ(log.Count("(string.length() < 1) [return]"), 1);
}

TEST(StringUtil, UpperCaseOfBrokenUtf8StaysInBounds) {
    // A sequence cut at the end of the text, and a stray continuation byte.
    EXPECT_EQ(StringUtil::StringToUpper(std::string("ab\xe3\x81", 4)),
              "AB\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(StringUtil::StringToUpper("\x80x"), "\xef\xbf\xbdX");
    EXPECT_EQ(StringUtil::StringToUpper(std::string("a\0b", 3)), "A"); // read up to the zero
}
