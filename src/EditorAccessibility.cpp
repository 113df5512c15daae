#define EFL_BETA_API_SUPPORT
#define EFL_ACCESS_OBJECT_PROTECTED
#include "EditorAccessibility.h"
#include "DalvexaNames.h"
#include "StringUtil.h"
#include "dalvexa_palette.h"

#include <cctype>

#include <libintl.h>

namespace NSClockEditor {
namespace EditorAccessibility {

namespace {

const char* const TEXT_DOMAIN = dalvexa::kTextDomain;

// A band's spoken texts come from catalogue ids made of its palette name
// ("WDS_CLOCK_TTS_ORANGE", "WDS_CLOCK_TTS_APPLY_ORANGE"); a band the catalogue does not
// know yet is spoken by its palette name.
std::string Translated(const std::string& prefix, const char* name) {
    std::string id = prefix;
    for (const char* c = name; *c != '\0'; ++c)
        id += static_cast<char>(toupper(static_cast<unsigned char>(*c)));
    const char* text = dgettext(TEXT_DOMAIN, id.c_str());
    return id == text ? std::string() : std::string(text);
}

} // namespace

std::string ColorPageName(int band, int count) {
    const dalvexa_band_colors* colors = dalvexa_band_get(band);
    if (colors == NULL)
        return std::string();
    std::string color = Translated("WDS_CLOCK_TTS_", colors->name);
    if (color.empty())
        color = colors->name;
    // Filled in here rather than by printf, so a faulty translation cannot do harm.
    std::string name = dgettext(TEXT_DOMAIN, "WDS_CLOCK_TTS_PS_PD_OF_PD");
    using NSClockCommon::StringUtil;
    name = StringUtil::ReplaceFirst(name, "%1$s", color);
    name = StringUtil::ReplaceFirst(name, "%2$d", std::to_string(band + 1));
    return StringUtil::ReplaceFirst(name, "%3$d", std::to_string(count));
}

std::string ApplyButtonName(int band) {
    const dalvexa_band_colors* colors = dalvexa_band_get(band);
    if (colors == NULL)
        return std::string();
    std::string name = Translated("WDS_CLOCK_TTS_APPLY_", colors->name);
    return name.empty() ? std::string("Apply ") + colors->name : name;
}

void SetName(Evas_Object* obj, const std::string& name, bool announce) {
    if (obj == NULL)
        return;
    const char* old = efl_access_object_i18n_name_get(obj);
    const bool changed = old == NULL || name != old;
    efl_access_object_i18n_name_set(obj, name.c_str());
    if (announce && changed && ScreenReaderOn())
        efl_access_object_event_emit(obj, EFL_ACCESS_OBJECT_EVENT_PROPERTY_CHANGED,
                                     const_cast<char*>("i18n_name"));
}

void NameWindow(Evas_Object* obj, const char* titleId) {
    Evas_Object* win = obj ? elm_object_top_widget_get(obj) : NULL;
    SetName(win, dgettext(TEXT_DOMAIN, titleId), true);
}

void KeepInTree(Evas_Object* obj) {
    if (obj != NULL)
        efl_access_object_access_type_set(obj, EFL_ACCESS_TYPE_REGULAR);
}

void FocusPage(Evas_Object* const pages[], int count, int shown) {
    if (shown < 0 || shown >= count || pages[shown] == NULL)
        return;
    // The new page takes the focus before the old one gives it up, so that nothing else
    // takes it in between.
    elm_object_focus_allow_set(pages[shown], EINA_TRUE);
    elm_object_focus_set(pages[shown], EINA_TRUE);
    for (int band = 0; band < count; ++band) {
        if (pages[band] != NULL && band != shown)
            elm_object_focus_allow_set(pages[band], EINA_FALSE);
    }
}

bool ScreenReaderOn() {
    return elm_config_atspi_mode_get() == EINA_TRUE;
}

} // namespace EditorAccessibility
} // namespace NSClockEditor
