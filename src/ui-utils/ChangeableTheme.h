// Switches the UX theme into changeable mode and loads the watch face's colour and font
// tables (tables/ in the face's shared resources). The tables go only on Deinit.
#pragma once

#include <uxt_theme.h>

#include <string>

namespace NSClockCommon {

class ChangeableTheme {
  public:
    ChangeableTheme();
    ~ChangeableTheme();

    // 0 when the style is set and both tables are loaded, -1 otherwise (a colour table
    // loaded before the font table failed stays loaded).
    int InitChangeableTheme();
    // Colour table, then font table.
    void DeinitChangeableTheme();

    uxt_theme_color_table_h LoadColorTable();
    uxt_theme_font_table_h LoadFontTable();
    void UnloadColorTable();
    void UnloadFontTable();

    // The table file's path, or an empty string.
    std::string GetColorTablePath();
    std::string GetFontTablePath();
    // The watch face's shared resource directory, ending in "/"; empty when unknown.
    // Cached after the first successful lookup.
    std::string GetSharedResourceDirectoryPath();

  private:
    uxt_theme_color_table_h mColorTable;
    uxt_theme_font_table_h mFontTable;

    static std::string mSharedResourceDirectoryPath;

    ChangeableTheme(const ChangeableTheme&) = delete;
    ChangeableTheme& operator=(const ChangeableTheme&) = delete;
};

} // namespace NSClockCommon
