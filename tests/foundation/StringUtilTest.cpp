// String operations whose corner cases are easy to get wrong.
#include "StringUtil.h"

#include <gtest/gtest.h>

using NSClockCommon::StringUtil;

TEST(StringUtil, UpperCaseIsUtf8AwareAndStaysInBoundsOfBrokenUtf8) {
    EXPECT_EQ(StringUtil::StringToUpper("colour ß é"), "COLOUR SS É");
    EXPECT_EQ(StringUtil::StringToUpper(""), "");
    // A sequence cut at the end of the text, and a stray continuation byte.
    EXPECT_EQ(StringUtil::StringToUpper(std::string("ab\xe3\x81", 4)),
              "AB\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(StringUtil::StringToUpper("\x80x"), "\xef\xbf\xbdX");
    EXPECT_EQ(StringUtil::StringToUpper(std::string("a\0b", 3)), "A"); // read up to the zero
}
