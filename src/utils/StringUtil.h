// String operations shared by the clock applications: replacement, splitting,
// upper-casing, number parsing and formatting, and textblock colour markup.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace NSClockCommon {

class StringUtil {
  public:
    virtual ~StringUtil() {}

    static std::string ReplaceFirst(std::string text, const std::string& search,
                                    const std::string& replacement);
    static std::string ReplaceAll(std::string text, const std::string& search,
                                  const std::string& replacement);
    static std::string RemoveString(std::string text, const std::string& search);
    static std::string RemoveCharacter(std::string text, char character);
    static std::string EraseString(std::string text, size_t position, size_t count);
    static std::string ConvertNewLineToBreak(const std::string& text);
    static std::string StringToUpper(const std::string& string);
    static std::vector<std::string> Split(const std::string& text, char delimiter);
    static std::vector<std::string> Tokenize(const std::string& text,
                                             const std::string& delimiters);

    // Empty text logs a guard and gives 0. StringToInt never throws; the other three
    // throw std::runtime_error carrying the whole input when nothing parses.
    static int StringToInt(const std::string& str);
    static float StringToFloat(const std::string& str);
    static double StringToDouble(const std::string& str);
    static int64_t StringToInt64(const std::string& str);

    static std::string IntToString(int value);
    static std::string Int64ToString(int64_t value);
    static std::string DoubleToString(double value);
    static std::string FloatToString(float value);
    static std::string IntToTwoDigitString(int value);
    static std::string FloatToRoundedIntString(float value);

    static std::string BuildColorMarkup(int red, int green, int blue, int alpha, int fontSize,
                                        const std::string& text, const std::string& fontName);
};

} // namespace NSClockCommon
