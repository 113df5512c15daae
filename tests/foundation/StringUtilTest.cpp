// String operations whose corner cases are easy to get wrong.
#include "LogCapture.h"
#include "StringUtil.h"

#include <gtest/gtest.h>

#include <stdexcept>

using NSClockCommon::StringUtil;
using Strings = std::vector<std::string>;

TEST(StringUtil, Replacement) {
    EXPECT_EQ(StringUtil::ReplaceFirst("a %s b %s", "%s", "X"), "a X b %s");
    EXPECT_EQ(StringUtil::ReplaceFirst("no marker", "%s", "X"), "no marker");
    EXPECT_EQ(StringUtil::ReplaceFirst("%s", "%s", "Phone app"), "Phone app");
    EXPECT_EQ(StringUtil::ReplaceAll("aa", "a", "aa"), "aaaa");
    EXPECT_EQ(StringUtil::ReplaceAll("x-y-z", "-", ""), "xyz");
    EXPECT_EQ(StringUtil::RemoveString("abcabc", "bc"), "aabc");
    EXPECT_EQ(StringUtil::RemoveCharacter("a,b,,c", ','), "abc");
    EXPECT_EQ(StringUtil::EraseString("abcdef", 2, 100), "ab");
    EXPECT_THROW(StringUtil::EraseString("abc", 4, 1), std::out_of_range);
    const std::string converted = StringUtil::ConvertNewLineToBreak("one\ntwo\nthree");
    EXPECT_EQ(converted, "one<br/>two<br/>three");
    EXPECT_EQ(converted.find('\n'), std::string::npos);
}

TEST(StringUtil, SplitKeepsInnerEmptiesTokenizeDropsThem) {
    EXPECT_EQ(StringUtil::Split("a,,b,", ','), (Strings{"a", "", "b"}));
    EXPECT_EQ(StringUtil::Split("", ','), Strings{});
    EXPECT_EQ(StringUtil::Tokenize(",a,,b,", ","), (Strings{"a", "b"}));
    EXPECT_EQ(StringUtil::Tokenize("a b\tc", " \t"), (Strings{"a", "b", "c"}));
    EXPECT_EQ(StringUtil::Tokenize(",,,", ","), Strings{});
    EXPECT_EQ(StringUtil::Tokenize("", ","), Strings{});
}

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
