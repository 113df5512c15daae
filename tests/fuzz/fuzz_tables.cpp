// Colour and font tables from arbitrary bytes: the reader refuses what is bad with a
// reason, and a table it accepts is what the theme library then serves code by code.
#include "FuzzScratch.h"
#include "Toolkit.h"
#include "uxt_tables.h"
#include "uxt_theme.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool Usable(const std::string& text, size_t max) {
    return !text.empty() && text.size() <= max;
}

void CheckColors(const std::string& path) {
    uxt::ColorMap colors;
    std::string error;
    const bool read = uxt::ReadColorTable(path, &colors, &error);
    if (read != error.empty() || (!read && !colors.empty()))
        __builtin_trap(); // success leaves no reason, a refusal gives one and no table
    for (const auto& entry : colors) {
        const uxt::Rgba& c = entry.second;
        if (!Usable(entry.first, 256) || c.r < 0 || c.r > 255 || c.g < 0 || c.g > 255 || c.b < 0 ||
            c.b > 255 || c.a < 0 || c.a > 255)
            __builtin_trap();
    }

    // The library reads the same file the same way and serves every code of it.
    uxt_theme_color_table_h table = uxt_theme_add_color_table(path.c_str());
    if ((table != nullptr) != read)
        __builtin_trap();
    if (!table)
        return;
    if (uxt_theme_set_color_table(table) != UXT_ERROR_NONE)
        __builtin_trap();
    for (const auto& entry : colors) {
        int r = -1, g = -1, b = -1, a = -1;
        if (uxt_theme_get_color(entry.first.c_str(), &r, &g, &b, &a) != UXT_ERROR_NONE ||
            !(uxt::Rgba{r, g, b, a} == entry.second)) {
            // A code with a zero byte inside cannot be asked for through the C call.
            if (entry.first.find('\0') == std::string::npos)
                __builtin_trap();
        }
    }
    uxt_theme_delete_color_table(table);
}

void CheckFonts(const std::string& path) {
    uxt::FontMap fonts;
    std::string error;
    const bool read = uxt::ReadFontTable(path, &fonts, &error);
    if (read != error.empty())
        __builtin_trap();
    for (const auto& entry : fonts) {
        const uxt::FontSpec& f = entry.second;
        if (!Usable(entry.first, 256) || !Usable(f.family, 256) || !Usable(f.style, 256) ||
            f.size < 1 || f.size > 1000 || f.family.find_first_of(":,") != std::string::npos ||
            f.style.find_first_of(":,") != std::string::npos)
            __builtin_trap();
    }

    uxt_theme_font_table_h table = uxt_theme_add_font_table(path.c_str());
    if ((table != nullptr) != read)
        __builtin_trap();
    if (!table)
        return;
    if (uxt_theme_set_font_table(table) != UXT_ERROR_NONE)
        __builtin_trap();
    for (const auto& entry : fonts) {
        char* family = nullptr;
        char* style = nullptr;
        int size = 0;
        if (uxt_theme_get_font(entry.first.c_str(), &family, &style, &size) == UXT_ERROR_NONE) {
            if (entry.second.family != family || entry.second.style != style ||
                entry.second.size != size)
                __builtin_trap();
        } else if (entry.first.find('\0') == std::string::npos) {
            __builtin_trap();
        }
        free(family);
        free(style);
    }
    uxt_theme_delete_font_table(table);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The refusals are logged in the run's own device root, and the table has that folder to
    // itself (the library follows the folder of the current table).
    static const bool ready = !fuzz::ScratchRoot().empty() && watchtest::ToolkitInit(false);
    const std::string path = ready ? fuzz::WriteInput("table.xml", data, size) : "";
    if (path.empty())
        return 0;

    // The same bytes are tried as both kinds: a file can be at most one of them.
    CheckColors(path);
    CheckFonts(path);
    // The change notices of the sets above run as jobs.
    ecore_main_loop_iterate();
    return 0;
}
