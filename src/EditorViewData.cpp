#define LOG_TAG "CLOCK-DALVEXA-EDITOR"
#include "EditorViewData.h"
#include "ClockLog.h"
#include "FileUtil.h"

namespace NSClockEditor {

namespace {
const char* const EDITOR_EDJ_FILE = "/edje/ClockEditor.edj";
}

EditorViewData::EditorViewData() : mCircleSurface(nullptr) {}

EditorViewData::~EditorViewData() {}

void EditorViewData::SetNaviframeItem(Elm_Object_Item* item) {
    mNaviframeItem = item;
}

std::string EditorViewData::GetTitle() {
    return std::string();
}

Elm_Object_Item* EditorViewData::GetNaviframeItem() {
    return mNaviframeItem;
}

// The resource directory ends in "/", so the path holds "//" before "edje"; the file
// system reads it as one separator.
std::string EditorViewData::GetEditorViewEDJPath() {
    std::string edjDirectoryPath = NSClockCommon::FileUtil::GetResourceDirectoryPath();
    RETURN_VALUE_IF(edjDirectoryPath.length() < 1, std::string());
    return edjDirectoryPath + EDITOR_EDJ_FILE;
}

std::string EditorViewData::GetEditorViewPageEDJPath() {
    std::string edjDirectoryPath = NSClockCommon::FileUtil::GetResourceDirectoryPath();
    RETURN_VALUE_IF(edjDirectoryPath.length() < 1, std::string());
    return edjDirectoryPath + EDITOR_EDJ_FILE;
}

std::string EditorViewData::GetTutorialEDJPath() {
    std::string edjDirectoryPath = NSClockCommon::FileUtil::GetResourceDirectoryPath();
    RETURN_VALUE_IF(edjDirectoryPath.length() < 1, std::string());
    return edjDirectoryPath + EDITOR_EDJ_FILE;
}

} // namespace NSClockEditor
