#include "uxt_tables.h"

#include "xml_read.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/stat.h>

namespace uxt {

namespace {

// Longest accepted attribute value; a table is a small hand-written file.
const size_t kMaxValue = 256;
const int kMaxFontSize = 1000;

using watch::xml::Node;

bool Attr(const Node& node, const char* name, std::string* out) {
    auto it = node.attrs.find(name);
    if (it == node.attrs.end())
        return false;
    *out = it->second;
    return true;
}

std::string Where(const std::string& path, const Node& node) {
    return path + ":" + std::to_string(node.line) + ": ";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseRgba(const std::string& text, Rgba* out) {
    if ((text.size() != 7 && text.size() != 9) || text[0] != '#')
        return false;
    int bytes[4] = {0, 0, 0, 255};
    for (size_t i = 1, n = 0; i < text.size(); i += 2, ++n) {
        const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[n] = high * 16 + low;
    }
    *out = Rgba{bytes[0], bytes[1], bytes[2], bytes[3]};
    return true;
}

bool ParseSize(const std::string& text, int* out) {
    if (text.empty() || text.size() > 4)
        return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kMaxFontSize)
        return false;
    *out = value;
    return true;
}

// The shared walk: root element, then one entry element per code. `entry` reads one
// entry's values and returns an empty string or the fault.
template <typename Map>
bool ReadTable(const std::string& path, const char* rootName, const char* entryName, Map* out,
               std::string* error,
               const std::function<std::string(const Node&, typename Map::mapped_type*)>& entry) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        *error = path + ": " + strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = path + ": not a regular file";
        return false;
    }
    Node root;
    std::string fault;
    if (!watch::xml::ReadFile(path, &root, &fault)) {
        *error = path + ":" + fault;
        return false;
    }
    Map table;
    error->clear();
    if (root.name != rootName) {
        *error = path + ": the root element is not <" + rootName + ">";
    } else {
        for (const Node& node : root.children) {
            if (node.text) {
                if (!node.blank) {
                    *error = Where(path, node) + "text outside an entry";
                    break;
                }
                continue;
            }
            if (node.name != entryName) {
                *error = Where(path, node) + "unexpected <" + node.name + ">";
                break;
            }
            std::string code;
            if (!Attr(node, "code", &code) || code.empty() || code.size() > kMaxValue) {
                *error = Where(path, node) + "an entry without a code";
                break;
            }
            if (table.count(code)) {
                *error = Where(path, node) + "code \"" + code + "\" appears twice";
                break;
            }
            typename Map::mapped_type value;
            const std::string fault = entry(node, &value);
            if (!fault.empty()) {
                *error = Where(path, node) + "code \"" + code + "\": " + fault;
                break;
            }
            table[code] = value;
        }
        if (error->empty() && table.empty())
            *error = path + ": no entries";
    }
    if (!error->empty())
        return false;
    *out = std::move(table);
    return true;
}

} // namespace

bool ReadColorTable(const std::string& path, ColorMap* out, std::string* error) {
    return ReadTable<ColorMap>(path, "color-table", "color", out, error,
                               [](const Node& node, Rgba* value) -> std::string {
                                   std::string rgba;
                                   if (!Attr(node, "rgba", &rgba))
                                       return "no rgba";
                                   if (!ParseRgba(rgba, value))
                                       return "bad rgba \"" + rgba.substr(0, kMaxValue) +
                                              "\" (expected #RRGGBB or #RRGGBBAA)";
                                   return std::string();
                               });
}

bool ReadFontTable(const std::string& path, FontMap* out, std::string* error) {
    return ReadTable<FontMap>(
        path, "font-table", "font", out, error, [](const Node& node, FontSpec* value) {
            std::string size;
            if (!Attr(node, "family", &value->family) || value->family.empty() ||
                value->family.size() > kMaxValue ||
                value->family.find_first_of(":,") != std::string::npos)
                return std::string("no usable family");
            if (!Attr(node, "style", &value->style))
                value->style = "Regular";
            if (value->style.empty() || value->style.size() > kMaxValue ||
                value->style.find_first_of(":,") != std::string::npos)
                return std::string("bad style \"") + value->style.substr(0, kMaxValue) + "\"";
            if (!Attr(node, "size", &size) || !ParseSize(size, &value->size))
                return "bad size \"" + size.substr(0, kMaxValue) + "\" (expected 1 to " +
                       std::to_string(kMaxFontSize) + ")";
            return std::string();
        });
}

} // namespace uxt
