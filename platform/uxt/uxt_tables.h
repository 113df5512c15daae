// Reading the colour and font tables.
//
// Colour table:
//   <color-table>
//     <color code="B065L4" rgba="#0A5FC9FF"/>   #RRGGBB or #RRGGBBAA, not premultiplied
//   </color-table>
// Font table:
//   <font-table>
//     <font code="T0111" family="Sans" style="Bold" size="30"/>   style defaults to Regular
//   </font-table>
// A table needs at least one entry; codes are unique. Comments may appear anywhere; any
// other element is a fault.
#pragma once

#include <map>
#include <string>

namespace uxt {

struct Rgba {
    int r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

struct FontSpec {
    std::string family;
    std::string style;
    int size = 0;
    bool operator==(const FontSpec& o) const {
        return family == o.family && style == o.style && size == o.size;
    }
};

using ColorMap = std::map<std::string, Rgba>;
using FontMap = std::map<std::string, FontSpec>;

// False, with one reason ("<path>:<line>: ..." where a line is known), on any fault.
bool ReadColorTable(const std::string& path, ColorMap* out, std::string* error);
bool ReadFontTable(const std::string& path, FontMap* out, std::string* error);

} // namespace uxt
