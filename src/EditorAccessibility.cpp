#define EFL_BETA_API_SUPPORT
#define EFL_ACCESS_OBJECT_PROTECTED
#include "EditorAccessibility.h"
#include "StringUtil.h"

#include <libintl.h>

namespace NSClockEditor {
namespace EditorAccessibility {

namespace {

const char* const TEXT_DOMAIN = "clock-dalvexa";
const char* const COLOR_IDS[] = {"WDS_CLOCK_TTS_BLUE", "WDS_CLOCK_TTS_WHITE",
                                 "WDS_CLOCK_TTS_ORANGE", "WDS_CLOCK_TTS_PURPLE",
                                 "WDS_CLOCK_TTS_MINT"};
const char* const APPLY_IDS[] = {"WDS_CLOCK_TTS_APPLY_BLUE", "WDS_CLOCK_TTS_APPLY_WHITE",
                                 "WDS_CLOCK_TTS_APPLY_ORANGE", "WDS_CLOCK_TTS_APPLY_PURPLE",
                                 "WDS_CLOCK_TTS_APPLY_MINT"};
const int BAND_COUNT = sizeof(COLOR_IDS) / sizeof(COLOR_IDS[0]);

} // namespace

std::string ColorPageName(int band, int count) {
    if (band < 0 || band >= BAND_COUNT)
        return std::string();
    // Filled in here rather than by printf, so a faulty translation cannot do harm.
    std::string name = dgettext(TEXT_DOMAIN, "WDS_CLOCK_TTS_PS_PD_OF_PD");
    using NSClockCommon::StringUtil;
    name = StringUtil::ReplaceFirst(name, "%1$s", dgettext(TEXT_DOMAIN, COLOR_IDS[band]));
    name = StringUtil::ReplaceFirst(name, "%2$d", std::to_string(band + 1));
    return StringUtil::ReplaceFirst(name, "%3$d", std::to_string(count));
}

std::string ApplyButtonName(int band) {
    if (band < 0 || band >= BAND_COUNT)
        return std::string();
    return dgettext(TEXT_DOMAIN, APPLY_IDS[band]);
}

void SetName(Evas_Object* obj, const std::string& name, bool announce) {
    if (obj == NULL)
        return;
    efl_access_object_i18n_name_set(obj, name.c_str());
    if (announce && ScreenReaderOn())
        efl_access_object_event_emit(obj, EFL_ACCESS_OBJECT_EVENT_PROPERTY_CHANGED,
                                     const_cast<char*>("i18n_name"));
}

bool ScreenReaderOn() {
    return elm_config_atspi_mode_get() == EINA_TRUE;
}

} // namespace EditorAccessibility
} // namespace NSClockEditor
