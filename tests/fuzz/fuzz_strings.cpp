// The string operations on arbitrary text: no crash, no read out of bounds, only the
// documented exceptions.
#include "FuzzScratch.h"
#include "StringUtil.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

using NSClockCommon::StringUtil;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The empty-text guard lines go to a log of the run's own.
    fuzz::ScratchRoot();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string head = text.substr(0, size / 3);
    const std::string tail = text.substr(size / 3);

    StringUtil::ReplaceFirst(text, head.substr(0, 2), tail.substr(0, 3));
    if (!head.empty())
        StringUtil::ReplaceAll(tail, head.substr(0, 1), head);
    StringUtil::RemoveString(text, head);
    StringUtil::RemoveCharacter(text, size ? text[0] : 'x');
    try {
        StringUtil::EraseString(text, size ? data[0] : 0, size ? data[size - 1] : 0);
    } catch (const std::out_of_range&) {
    }
    StringUtil::ConvertNewLineToBreak(text);
    StringUtil::StringToUpper(text);
    StringUtil::Split(text, size ? text[size / 2] : ',');
    StringUtil::Tokenize(tail, head.substr(0, 3));
    StringUtil::StringToInt(text);
    for (int which = 0; which < 3; ++which) {
        try {
            if (which == 0)
                StringUtil::StringToFloat(text);
            else if (which == 1)
                StringUtil::StringToDouble(text);
            else
                StringUtil::StringToInt64(text);
        } catch (const std::runtime_error& e) {
            if (e.what() != text.substr(0, text.find('\0')) && e.what() != text)
                __builtin_trap(); // the message must be the input
        }
    }
    float f = 0;
    if (size >= sizeof(f)) {
        memcpy(&f, data, sizeof(f));
        StringUtil::FloatToRoundedIntString(f);
        StringUtil::FloatToString(f);
    }
    int v = size ? static_cast<int8_t>(data[0]) * 1000 : 0;
    StringUtil::IntToTwoDigitString(v);
    StringUtil::BuildColorMarkup(v, v * 7, -v, 255, v, text, head);
    return 0;
}
