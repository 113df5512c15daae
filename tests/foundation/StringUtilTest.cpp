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

TEST(StringUtil, Parsers) {
    watchtest::LogCapture log;
    EXPECT_EQ(StringUtil::StringToInt("12abc"), 12);
    EXPECT_EQ(StringUtil::StringToInt("abc"), 0);
    EXPECT_EQ(StringUtil::StringToInt("  -7"), -7);
    EXPECT_EQ(StringUtil::StringToInt(""), 0);
    EXPECT_FLOAT_EQ(StringUtil::StringToFloat("2.5x"), 2.5f);
    EXPECT_DOUBLE_EQ(StringUtil::StringToDouble("1e3"), 1000.0);
    EXPECT_EQ(StringUtil::StringToInt64("9000000000"), 9000000000LL);
    try {
        StringUtil::StringToFloat("abc");
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "abc");
    }
    EXPECT_THROW(StringUtil::StringToDouble("   "), std::runtime_error);
    EXPECT_THROW(StringUtil::StringToInt64("x1"), std::runtime_error);
    EXPECT_EQ(StringUtil::StringToDouble(""), 0.0);
    // Empty text is the guard's case, logged once per call; unparsable text is not logged.
    EXPECT_EQ(log.Count("(str.length() <= 0) [return]"), 2);
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST(StringUtil, Formatting) {
    EXPECT_EQ(StringUtil::IntToTwoDigitString(5), "05");
    EXPECT_EQ(StringUtil::IntToTwoDigitString(12), "12");
    EXPECT_EQ(StringUtil::IntToTwoDigitString(-5), "-5");
    EXPECT_EQ(StringUtil::IntToTwoDigitString(100), "100");
    EXPECT_EQ(StringUtil::FloatToRoundedIntString(3.14f), "3");
    EXPECT_EQ(StringUtil::FloatToRoundedIntString(3.5f), "4");
    EXPECT_EQ(StringUtil::FloatToRoundedIntString(-3.5f), "-4");
    EXPECT_EQ(StringUtil::FloatToRoundedIntString(0.0f), "0");
    EXPECT_EQ(StringUtil::FloatToRoundedIntString(7.0f), "7");
    // Beyond int's range the rounded value is written as a double, never overflowed.
    EXPECT_EQ(StringUtil::FloatToRoundedIntString(1.5e10f), "1.5e+10");
    EXPECT_EQ(StringUtil::FloatToRoundedIntString(-2147483648.0f), "-2147483648");
    EXPECT_EQ(StringUtil::DoubleToString(0.1 + 0.2), "0.3");
    EXPECT_EQ(StringUtil::DoubleToString(1234567.0), "1.23457e+06");
    EXPECT_EQ(StringUtil::Int64ToString(-9000000000LL), "-9000000000");
}

TEST(StringUtil, ColorMarkup) {
    EXPECT_EQ(StringUtil::BuildColorMarkup(255, 0, 0, 255, 30, "Hi", ""),
              "<color=#ff0000ff font_size=30>Hi</color>");
    EXPECT_EQ(StringUtil::BuildColorMarkup(255, 0, 0, 255, 30, "Hi", "Sans"),
              "<color=#ff0000ff font_size=30 font=Sans>Hi</color>");
    EXPECT_EQ(StringUtil::BuildColorMarkup(256, 1, 2, 3, 10, "", ""),
              "<color=#100010203 font_size=10></color>");
    EXPECT_EQ(StringUtil::BuildColorMarkup(-1, 0, 0, 0, 10, "t", ""),
              "<color=#ffffffff000000 font_size=10>t</color>");
    // The opening tag is cut to 255 characters; the text is kept whole.
    const std::string longFont(400, 'f');
    const std::string text(300, 't');
    const std::string markup = StringUtil::BuildColorMarkup(1, 2, 3, 4, 5, text, longFont);
    EXPECT_EQ(markup.size(), 255u + text.size() + 8u);
}

TEST(StringUtil, UpperCaseOfBrokenUtf8StaysInBounds) {
    // A sequence cut at the end of the text, and a stray continuation byte.
    EXPECT_EQ(StringUtil::StringToUpper(std::string("ab\xe3\x81", 4)),
              "AB\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(StringUtil::StringToUpper("\x80x"), "\xef\xbf\xbdX");
    EXPECT_EQ(StringUtil::StringToUpper(std::string("a\0b", 3)), "A"); // read up to the zero
}
