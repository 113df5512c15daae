#define LOG_TAG "CLOCK-COMMON"
#include "StringUtil.h"
#include "ClockLog.h"

#include <glib.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace NSClockCommon {

namespace {

template <typename T> T ParseOrThrow(const std::string& str) {
    std::istringstream stream(str);
    T value{};
    stream >> value;
    if (stream.fail() || stream.bad())
        throw std::runtime_error(str);
    return value;
}

} // namespace

std::string StringUtil::ReplaceFirst(std::string text, const std::string& search,
                                     const std::string& replacement) {
    size_t pos = text.find(search);
    if (pos != std::string::npos)
        text.replace(pos, search.size(), replacement);
    return text;
}

std::string StringUtil::ReplaceAll(std::string text, const std::string& search,
                                   const std::string& replacement) {
    if (search.empty())
        return text;
    size_t pos = 0;
    while ((pos = text.find(search, pos)) != std::string::npos) {
        text.replace(pos, search.size(), replacement);
        pos += replacement.size();
    }
    return text;
}

std::string StringUtil::RemoveString(std::string text, const std::string& search) {
    size_t pos = text.find(search);
    if (pos != std::string::npos)
        text.erase(pos, search.size());
    return text;
}

std::string StringUtil::RemoveCharacter(std::string text, char character) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != character)
            out += c;
    }
    return out;
}

std::string StringUtil::EraseString(std::string text, size_t position, size_t count) {
    text.erase(position, count);
    return text;
}

std::string StringUtil::ConvertNewLineToBreak(const std::string& text) {
    return ReplaceAll(text, "\n", "<br/>");
}

std::string StringUtil::StringToUpper(const std::string& string) {
    RETURN_VALUE_IF(string.length() < 1, std::string());
    // g_utf8_strup walks UTF-8 sequences blindly: mend invalid input first, or a cut
    // sequence at the end would make it read past the terminator.
    // The text is read up to its first zero byte.
    gchar* valid = g_utf8_validate(string.c_str(), -1, nullptr)
                       ? g_strdup(string.c_str())
                       : g_utf8_make_valid(string.c_str(), -1);
    gchar* upper = g_utf8_strup(valid, -1);
    g_free(valid);
    std::string out(upper ? upper : "");
    g_free(upper);
    return out;
}

std::vector<std::string> StringUtil::Split(const std::string& text, char delimiter) {
    std::vector<std::string> pieces;
    std::istringstream stream(text);
    std::string piece;
    while (std::getline(stream, piece, delimiter))
        pieces.push_back(piece);
    return pieces;
}

std::vector<std::string> StringUtil::Tokenize(const std::string& text,
                                              const std::string& delimiters) {
    std::vector<std::string> tokens;
    size_t start = text.find_first_not_of(delimiters);
    size_t end = text.find_first_of(delimiters, start);
    while (start != std::string::npos || end != std::string::npos) {
        if (start == std::string::npos)
            break;
        tokens.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = text.find_first_not_of(delimiters, end);
        end = text.find_first_of(delimiters, start);
    }
    return tokens;
}

int StringUtil::StringToInt(const std::string& str) {
    RETURN_VALUE_IF(str.length() <= 0, 0);
    std::istringstream stream(str);
    int value = 0;
    stream >> value;
    return value;
}

float StringUtil::StringToFloat(const std::string& str) {
    RETURN_VALUE_IF(str.length() <= 0, 0.0f);
    return ParseOrThrow<float>(str);
}

double StringUtil::StringToDouble(const std::string& str) {
    RETURN_VALUE_IF(str.length() <= 0, 0.0);
    return ParseOrThrow<double>(str);
}

int64_t StringUtil::StringToInt64(const std::string& str) {
    RETURN_VALUE_IF(str.length() <= 0, 0);
    return static_cast<int64_t>(ParseOrThrow<uint64_t>(str));
}

std::string StringUtil::IntToString(int value) {
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

std::string StringUtil::Int64ToString(int64_t value) {
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

std::string StringUtil::DoubleToString(double value) {
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

std::string StringUtil::FloatToString(float value) {
    return DoubleToString(static_cast<double>(value));
}

std::string StringUtil::IntToTwoDigitString(int value) {
    std::string text = IntToString(value);
    if (text.length() < 2)
        text = "0" + text;
    return text;
}

std::string StringUtil::FloatToRoundedIntString(float value) {
    std::string text = FloatToString(value);
    if (value == 0.0f)
        return text;
    size_t dot = text.find('.');
    if (dot == std::string::npos || dot + 1 >= text.size())
        return text;
    int digit = text[dot + 1] - '0';
    // Work in double: a float beyond int's range must not overflow the conversion.
    double result = std::trunc(static_cast<double>(value));
    if (digit >= 5)
        result += value > 0 ? 1 : -1;
    if (result < INT_MIN || result > INT_MAX)
        return DoubleToString(result);
    return IntToString(static_cast<int>(result));
}

std::string StringUtil::BuildColorMarkup(int red, int green, int blue, int alpha, int fontSize,
                                         const std::string& text, const std::string& fontName) {
    char tag[256];
    if (!fontName.empty())
        snprintf(tag, sizeof(tag), "<color=#%02x%02x%02x%02x font_size=%d font=%s>", red, green,
                 blue, alpha, fontSize, fontName.c_str());
    else
        snprintf(tag, sizeof(tag), "<color=#%02x%02x%02x%02x font_size=%d>", red, green, blue,
                 alpha, fontSize);
    return std::string(tag) + text + "</color>";
}

} // namespace NSClockCommon
