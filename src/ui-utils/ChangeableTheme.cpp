#define LOG_TAG "CLOCK-COMMON"
#include "ChangeableTheme.h"
#include "ClockDefines.h"
#include "ClockLog.h"

#include <app_manager.h>
#include <glib.h>

namespace NSClockCommon {

namespace {

const char* const TABLE_DIRECTORY = "tables/";
const char* const COLOR_TABLE_FILE = "changeableColorInfo.xml";
const char* const FONT_TABLE_FILE = "changeableColorInfo_font.xml";

} // namespace

std::string ChangeableTheme::mSharedResourceDirectoryPath;

ChangeableTheme::ChangeableTheme() : mColorTable(nullptr), mFontTable(nullptr) {}

ChangeableTheme::~ChangeableTheme() {}

int ChangeableTheme::InitChangeableTheme() {
    uxt_theme_set_changeable_ui_enabled(true);
    RETURN_VALUE_IF(uxt_theme_set_style(UXT_THEME_STYLE_DEFAULT) != UXT_ERROR_NONE, -1);
    mColorTable = LoadColorTable();
    RETURN_VALUE_IF(mColorTable == NULL, -1);
    mFontTable = LoadFontTable();
    RETURN_VALUE_IF(mFontTable == NULL, -1);
    return 0;
}

void ChangeableTheme::DeinitChangeableTheme() {
    UnloadColorTable();
    UnloadFontTable();
}

uxt_theme_color_table_h ChangeableTheme::LoadColorTable() {
    std::string colorTablePath = GetColorTablePath();
    RETURN_VALUE_IF(colorTablePath.length() < 1, NULL);
    CLOCK_LOG("colorTablePath : %s", colorTablePath.c_str());
    uxt_theme_color_table_h colorTable = uxt_theme_add_color_table(colorTablePath.c_str());
    RETURN_VALUE_IF(colorTable == NULL, NULL);
    if (uxt_theme_set_color_table(colorTable) != 0)
        CLOCK_LOG("uxt_theme_set_color_table failed");
    return colorTable;
}

uxt_theme_font_table_h ChangeableTheme::LoadFontTable() {
    std::string fontTablePath = GetFontTablePath();
    RETURN_VALUE_IF(fontTablePath.length() < 1, NULL);
    CLOCK_LOG("fontTablePath : %s", fontTablePath.c_str());
    uxt_theme_font_table_h fontTable = uxt_theme_add_font_table(fontTablePath.c_str());
    RETURN_VALUE_IF(fontTable == NULL, NULL);
    if (uxt_theme_set_font_table(fontTable) != 0)
        CLOCK_LOG("uxt_theme_set_font_table failed");
    return fontTable;
}

void ChangeableTheme::UnloadColorTable() {
    RETURN_IF(mColorTable == NULL);
    uxt_theme_delete_color_table(mColorTable);
    mColorTable = nullptr;
}

void ChangeableTheme::UnloadFontTable() {
    RETURN_IF(mFontTable == NULL);
    uxt_theme_delete_font_table(mFontTable);
    mFontTable = nullptr;
}

std::string ChangeableTheme::GetColorTablePath() {
    std::string ret = GetSharedResourceDirectoryPath();
    RETURN_VALUE_IF(ret.length() < 1, std::string());
    return ret + TABLE_DIRECTORY + COLOR_TABLE_FILE;
}

std::string ChangeableTheme::GetFontTablePath() {
    std::string ret = GetSharedResourceDirectoryPath();
    RETURN_VALUE_IF(ret.length() < 1, std::string());
    return ret + TABLE_DIRECTORY + FONT_TABLE_FILE;
}

std::string ChangeableTheme::GetSharedResourceDirectoryPath() {
    if (!mSharedResourceDirectoryPath.empty())
        return mSharedResourceDirectoryPath;

    char* sharedResDirPath = NULL;
    int ret = app_manager_get_shared_resource_path(WATCH_APPLICATION_ID, &sharedResDirPath);
    RETURN_VALUE_IF(ret != ERR_OK, std::string());
    RETURN_VALUE_IF(sharedResDirPath == NULL, std::string());
    if (sharedResDirPath[0] == '\0') {
        g_free(sharedResDirPath);
        return std::string();
    }
    mSharedResourceDirectoryPath = sharedResDirPath;
    g_free(sharedResDirPath);
    return mSharedResourceDirectoryPath;
}

} // namespace NSClockCommon
