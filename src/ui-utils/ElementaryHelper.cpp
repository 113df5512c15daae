#define LOG_TAG "CLOCK-COMMON"
#include "ElementaryHelper.h"
#include "ClockLog.h"
#include "DalvexaNames.h"
#include "FileUtil.h"

#include <libintl.h>
#include <uxt_theme.h>

namespace NSClockCommon {

namespace {

const char* const TEXT_DOMAIN = dalvexa::kTextDomain;

void SetExpand(Evas_Object* obj) {
    evas_object_size_hint_weight_set(obj, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
}

void SetFill(Evas_Object* obj) {
    evas_object_size_hint_align_set(obj, EVAS_HINT_FILL, EVAS_HINT_FILL);
}

void SetFillCentred(Evas_Object* obj) {
    evas_object_size_hint_align_set(obj, EVAS_HINT_FILL, 0.5);
}

} // namespace

Evas_Object* ElementaryHelper::CreateExpandLayout(Evas_Object* parent, const char* file,
                                                  const char* group) {
    RETURN_VALUE_IF(parent == NULL, NULL);

    Evas_Object* layout = elm_layout_add(parent);
    if (layout == NULL || file == NULL || group == NULL)
        return layout;

    if (!elm_layout_file_set(layout, file, group)) {
        CLOCK_LOG("elm_layout_file_set is failed. file: %s, group: %s", file, group);
        evas_object_del(layout);
        return NULL;
    }
    SetExpand(layout);
    SetFill(layout);
    return layout;
}

Evas_Object* ElementaryHelper::CreateLayout(Evas_Object* parent, const char* file,
                                            const char* group) {
    RETURN_VALUE_IF(parent == NULL, NULL);

    Evas_Object* layout = elm_layout_add(parent);
    if (layout == NULL || file == NULL || group == NULL)
        return layout;

    if (!elm_layout_file_set(layout, file, group)) {
        CLOCK_LOG("elm_layout_file_set is failed. file: %s, group: %s", file, group);
        evas_object_del(layout);
        return NULL;
    }
    return layout;
}

Evas_Object* ElementaryHelper::CreateImage(Evas_Object* parent, const char* file,
                                           const char* group) {
    RETURN_VALUE_IF(parent == NULL, NULL);
    Evas_Object* image = elm_image_add(parent);
    RETURN_VALUE_IF(image == NULL, NULL);
    elm_image_file_set(image, file, group);
    return image;
}

Evas_Object* ElementaryHelper::CreateBGImage(Evas_Object* parent, const char* file,
                                             const char* group) {
    RETURN_VALUE_IF(parent == NULL, NULL);
    Evas_Object* image = elm_bg_add(parent);
    RETURN_VALUE_IF(image == NULL, NULL);
    elm_bg_file_set(image, file, group);
    return image;
}

Evas_Object* ElementaryHelper::CreateActivityIndicator(Evas_Object* parent,
                                                       const std::string& style) {
    RETURN_VALUE_IF(parent == NULL, NULL);
    RETURN_VALUE_IF(style.length() <= 0, NULL);

    Evas_Object* progressbar = elm_progressbar_add(parent);
    RETURN_VALUE_IF(progressbar == NULL, NULL);
    if (!elm_object_style_set(progressbar, style.c_str()))
        CLOCK_LOG("elm_object_style_set failed");
    SetFillCentred(progressbar);
    SetExpand(progressbar);
    evas_object_show(progressbar);
    elm_progressbar_pulse(progressbar, EINA_TRUE);
    return progressbar;
}

Evas_Object* ElementaryHelper::CreateGenlist(Evas_Object* parent) {
    RETURN_VALUE_IF(parent == NULL, NULL);

    Evas_Object* genlist = elm_genlist_add(parent);
    if (genlist == NULL)
        return NULL;
    elm_genlist_homogeneous_set(genlist, EINA_TRUE);
    SetExpand(genlist);
    SetFill(genlist);
    elm_scroller_policy_set(genlist, ELM_SCROLLER_POLICY_OFF, ELM_SCROLLER_POLICY_AUTO);
    evas_object_show(genlist);
    return genlist;
}

Evas_Object* ElementaryHelper::CreateCheck(Evas_Object* parent, const std::string& style) {
    RETURN_VALUE_IF(parent == NULL, NULL);
    RETURN_VALUE_IF(style.length() <= 0, NULL);

    Evas_Object* check = elm_check_add(parent);
    RETURN_VALUE_IF(check == NULL, NULL);
    SetFill(check);
    SetExpand(check);
    elm_object_style_set(check, style.c_str());
    evas_object_show(check);
    return check;
}

Evas_Object* ElementaryHelper::CreateRadioGroup(Evas_Object* parent, int groupValue,
                                                int stateValue) {
    RETURN_VALUE_IF(parent == NULL, NULL);

    Evas_Object* radio = elm_radio_add(parent);
    RETURN_VALUE_IF(radio == NULL, NULL);
    elm_radio_state_value_set(radio, stateValue);
    elm_radio_value_set(radio, groupValue);
    return radio;
}

Evas_Object* ElementaryHelper::CreateRadioElement(Evas_Object* parent, const std::string& style,
                                                  Evas_Object* radioGroup, int stateValue) {
    RETURN_VALUE_IF(parent == NULL || style.length() <= 0 || radioGroup == NULL, NULL);

    Evas_Object* radio = elm_radio_add(parent);
    RETURN_VALUE_IF(radio == NULL, NULL);
    elm_object_style_set(radio, style.c_str());
    elm_radio_group_add(radio, radioGroup);
    elm_radio_state_value_set(radio, stateValue);
    SetExpand(radio);
    SetFill(radio);
    return radio;
}

Evas_Object* ElementaryHelper::CreateImageWithColorClass(Evas_Object* parent,
                                                         const std::string& imagePath,
                                                         const std::string& colorClass) {
    RETURN_VALUE_IF(parent == NULL || imagePath.length() <= 0, NULL);

    Evas_Object* img = elm_image_add(parent);
    RETURN_VALUE_IF(img == NULL, NULL);
    elm_image_file_set(img, FileUtil::GetEdjResourceFilePath().c_str(), imagePath.c_str());
    if (!colorClass.empty()) {
        int r = 0, g = 0, b = 0, a = 0;
        int r2, g2, b2, a2, r3, g3, b3, a3;
        edje_color_class_get(colorClass.c_str(), &r, &g, &b, &a, &r2, &g2, &b2, &a2, &r3, &g3, &b3,
                             &a3);
        evas_object_color_set(img, r, g, b, a);
    }
    SetFill(img);
    SetExpand(img);
    return img;
}

int ElementaryHelper::GetTextblockMaxLine(Evas_Object* edje, const char* part) {
    RETURN_VALUE_IF(edje == NULL, -1);
    RETURN_VALUE_IF(part == NULL, -1);

    const Evas_Object* textblock = edje_object_part_object_get(edje, part);
    RETURN_VALUE_IF(textblock == NULL, -1);
    Evas_Textblock_Cursor* cursor = evas_object_textblock_cursor_new(textblock);
    RETURN_VALUE_IF(cursor == NULL, -1);

    int line = 0;
    while (evas_textblock_cursor_line_set(cursor, line))
        ++line;
    evas_textblock_cursor_free(cursor);
    return line;
}

Evas_Object* ElementaryHelper::CreateBottomButton(Evas_Object* parent) {
    Evas_Object* button = elm_button_add(parent);
    elm_object_style_set(button, "bottom");
    uxt_theme_object_replace_color(button, "B065L4", "AO039");
    elm_object_domain_translatable_text_set(button, TEXT_DOMAIN, "WDS_ST_BUTTON_OK_ABB");
    evas_object_show(button);
    return button;
}

Evas_Object* ElementaryHelper::CreateProgressBar(Evas_Object* parent, const std::string& style) {
    Evas_Object* progressbar = elm_progressbar_add(parent);
    elm_object_style_set(progressbar, style.c_str());
    SetFillCentred(progressbar);
    SetExpand(progressbar);
    evas_object_show(progressbar);
    elm_progressbar_pulse(progressbar, EINA_TRUE);
    return progressbar;
}

Evas_Object* ElementaryHelper::CreateBox(Evas_Object* parent, bool horizontal) {
    Evas_Object* box = elm_box_add(parent);
    elm_box_horizontal_set(box, horizontal ? EINA_TRUE : EINA_FALSE);
    evas_object_show(box);
    return box;
}

Evas_Object* ElementaryHelper::CreateScroller(Evas_Object* parent, int pageSize, bool horizontal) {
    Evas_Object* scroller = elm_scroller_add(parent);
    SetExpand(scroller);
    SetFill(scroller);
    if (horizontal) {
        elm_scroller_page_size_set(scroller, pageSize, 0);
        elm_object_scroll_lock_y_set(scroller, EINA_TRUE);
        elm_scroller_page_scroll_limit_set(scroller, 1, 0);
    } else {
        elm_scroller_page_size_set(scroller, 0, pageSize);
        elm_object_scroll_lock_x_set(scroller, EINA_TRUE);
        elm_scroller_page_scroll_limit_set(scroller, 0, 1);
    }
    evas_object_show(scroller);
    return scroller;
}

} // namespace NSClockCommon
