// The editor's screens as the device shows them, built from the staged resources with
// the platform theme, and checked on the texts they show and pixel by pixel where it
// matters.
#include "LoopUtil.h"
#include "ResourceTestUtil.h"
#include "dalvexa_palette.h"

#include <gtest/gtest.h>

#include <libintl.h>
#include <locale.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using appstest::Image;
using restest::ElmSession;

namespace {

const char* const kDomain = "clock-dalvexa";
const char* const kTemplateId = "WDS_CLOCK_TPOP_NEW_SETTING_APPLIED_VIA_PS_APP_ABB";
const char* const kIds[] = {
    "WDS_CLOCK_MBODY_COLOR",
    "WDS_ST_BUTTON_OK_ABB",
    kTemplateId,
    "WDS_STU_BODY_KORVANE_VOSK",
    "WDS_STU_BODY_VOSK_MANAGER_JPN",
    "WDS_CLOCK_BODY_TAP_SCREEN_TO_CHANGE_STYLES_COLOURS_OR_COMPLICATIONS_ABB",
};

const char* Text(const char* id) {
    return dgettext(kDomain, id);
}

// Puts content into a part the editor uses: the part must exist.
void Put(Evas_Object* layout, const char* part, Evas_Object* content) {
    EXPECT_TRUE(elm_layout_content_set(layout, part, content)) << part;
}
void PutText(Evas_Object* layout, const char* part, const char* text) {
    EXPECT_TRUE(elm_layout_text_set(layout, part, text)) << part;
}

// The editor screen in its interactive state, showing the page of the white band.
struct EditorScreen {
    Evas_Object* win = restest::MakeScreen();
    Evas_Object* main = nullptr;
    Evas_Object* frame = nullptr;

    EditorScreen() {
        Evas_Object* nf = elm_naviframe_add(win);
        evas_object_size_hint_weight_set(nf, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
        elm_win_resize_object_add(win, nf);
        evas_object_show(nf);

        main = restest::EditorLayout(nf, "MainViewLayout");
        Evas_Object* pageLayout = restest::EditorLayout(main, "PageLayout");
        if (!main || !pageLayout)
            return;
        Evas_Object* scroller = elm_scroller_add(pageLayout);
        elm_scroller_page_size_set(scroller, 0, 360);
        elm_object_scroll_lock_x_set(scroller, EINA_TRUE);
        elm_scroller_policy_set(scroller, ELM_SCROLLER_POLICY_OFF, ELM_SCROLLER_POLICY_OFF);
        evas_object_show(scroller);
        Evas_Object* box = elm_box_add(scroller);
        evas_object_show(box);
        elm_object_content_set(scroller, box);
        for (int b = 0; b < DALVEXA_BAND_COUNT; ++b) {
            Evas_Object* page = restest::EditorLayout(pageLayout, "Page");
            Evas_Object* image = elm_image_add(page);
            elm_image_file_set(
                image,
                restest::StagePath(std::string("shared/res/") + dalvexa_band_get(b)->preview)
                    .c_str(),
                nullptr);
            evas_object_show(image);
            Put(page, "elm.icon", image);
            elm_box_pack_end(box, page);
        }
        Put(pageLayout, "part_page", scroller);
        Put(main, "part_scroller", pageLayout);
        elm_naviframe_item_push(nf, nullptr, nullptr, nullptr, main, "empty");

        PutText(main, "part_title", Text("WDS_CLOCK_MBODY_COLOR"));
        Evas_Object* index = elm_index_add(main);
        elm_object_style_set(index, "thumbnail");
        elm_index_horizontal_set(index, EINA_TRUE);
        elm_index_autohide_disabled_set(index, EINA_TRUE);
        Put(main, "controller", index);
        elm_index_item_selected_set(elm_index_item_append(index, nullptr, nullptr, nullptr),
                                    EINA_TRUE);
        elm_index_level_go(index, 0);

        Evas_Object* blocker = evas_object_rectangle_add(evas_object_evas_get(pageLayout));
        evas_object_size_hint_min_set(blocker, 360, 360);
        evas_object_color_set(blocker, 0, 0, 0, 0);
        Put(pageLayout, "part_page_event_off", blocker);
        frame = restest::EditorLayout(pageLayout, "EditSelectLayout");
        elm_layout_signal_emit(frame, "focus,anim,start", "");
        Put(pageLayout, "part_edit_select", frame);

        Evas_Object* button = elm_button_add(main);
        elm_object_style_set(button, "bottom");
        elm_object_text_set(button, Text("WDS_ST_BUTTON_OK_ABB"));
        evas_object_show(button);
        Put(main, "part_button_bottom", button);
        edje_object_signal_emit(elm_layout_edje_get(main), "button,show", "*");
        elm_layout_signal_emit(main, "show,label,bg", "");

        restest::Grab(win);
        elm_scroller_page_show(scroller, 0, 1);
    }
    // Waits for the button's slide, the title shade and the frame's focus animation: the
    // ring settles on the preview, then its glow runs out.
    bool Settled() {
        Evas_Object* edje = elm_layout_edje_get(main);
        Evas_Object* ring = elm_layout_edje_get(frame);
        return restest::WaitForPartState(edje, "part_button_bottom", "visible") &&
               restest::WaitForPartState(edje, "label_bg", "visible") &&
               restest::WaitForPartState(ring, "focus_ring", "default") &&
               restest::WaitForPartState(ring, "focus_glow", "default");
    }
    ~EditorScreen() { evas_object_del(win); }
};

int BrightPixels(const Image& pic, int x0, int y0, int w, int h) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x)
            n += appstest::ColorDistance(pic.At(x, y), 0xFFFFFF) < 55; // each channel above 200
    }
    return n;
}

bool OnScreen(int x, int y) {
    const double dx = x - 180.0, dy = y - 180.0;
    return dx * dx + dy * dy <= 180.0 * 180.0;
}

// The visible texts under obj (smart members included), text and textblock objects.
void CollectTexts(Evas_Object* obj, std::vector<Evas_Object*>* out) {
    if (!evas_object_visible_get(obj))
        return;
    const std::string type = evas_object_type_get(obj);
    if (type == "text" || type == "textblock") {
        out->push_back(obj);
        return;
    }
    for (Evas_Object* member : restest::SmartMembers(obj))
        CollectTexts(member, out);
}

// Checks every visible text of the screen: whole (not ellipsized, not clipped by its
// part) and inside the round screen, line by line. Returns the texts seen.
std::set<std::string> ExpectTextsFit(Evas_Object* win) {
    std::vector<Evas_Object*> texts;
    for (Evas_Object* o = evas_object_bottom_get(evas_object_evas_get(win)); o;
         o = evas_object_above_get(o))
        CollectTexts(o, &texts);
    std::set<std::string> seen;
    for (Evas_Object* obj : texts) {
        int x, y, w, h;
        evas_object_geometry_get(obj, &x, &y, &w, &h);
        std::vector<Eina_Rectangle> lines;
        std::string text;
        if (std::string(evas_object_type_get(obj)) == "text") {
            text = evas_object_text_text_get(obj) ? evas_object_text_text_get(obj) : "";
            // Drawn as far as the whole text at the same font goes: not ellipsized.
            Evas_Object* whole = evas_object_text_add(evas_object_evas_get(obj));
            const char* font = nullptr;
            int size = 0;
            evas_object_text_font_get(obj, &font, &size);
            evas_object_text_font_set(whole, font, size);
            evas_object_text_text_set(whole, text.c_str());
            EXPECT_GE(evas_object_text_horiz_advance_get(obj),
                      evas_object_text_horiz_advance_get(whole))
                << "cut off: " << text;
            evas_object_del(whole);
            lines.push_back({x, y, w, h});
        } else {
            char* plain =
                evas_textblock_text_markup_to_utf8(obj, evas_object_textblock_text_markup_get(obj));
            text = plain ? plain : "";
            free(plain);
            Evas_Textblock_Cursor* cursor = evas_object_textblock_cursor_new(obj);
            for (int line = 0; evas_textblock_cursor_line_set(cursor, line); ++line) {
                Evas_Coord lx, ly, lw, lh;
                evas_textblock_cursor_line_geometry_get(cursor, &lx, &ly, &lw, &lh);
                lines.push_back({x + lx, y + ly, lw, lh});
                EXPECT_TRUE(lx >= 0 && ly >= 0 && lx + lw <= w && ly + lh <= h)
                    << "line " << line << " clipped by its part: " << text << " at " << lx << ","
                    << ly << " " << lw << "x" << lh << " in " << w << "x" << h;
            }
            evas_textblock_cursor_free(cursor);
        }
        if (text.empty())
            continue;
        seen.insert(text);
        for (const Eina_Rectangle& r : lines)
            EXPECT_TRUE(OnScreen(r.x, r.y) && OnScreen(r.x + r.w, r.y) &&
                        OnScreen(r.x, r.y + r.h) && OnScreen(r.x + r.w, r.y + r.h))
                << "outside the circle: " << text << " at " << r.x << "," << r.y << " " << r.w
                << "x" << r.h;
    }
    return seen;
}

} // namespace

// Title, OK, tutorial and notice, in every language and the long pseudo-language en_XA:
// translated, whole and inside the round screen, in the parts the editor puts them in; the
// tutorial's guide reads over the darkened page.
TEST(Screens, EveryTextFitsTheRoundScreenInEveryLanguage) {
    ElmSession elm;
    for (const char* language : {"en_US.UTF-8", "ko_KR.UTF-8", "ja_JP.UTF-8", "de_DE.UTF-8",
                                 "fr_FR.UTF-8", "es_ES.UTF-8", "en_XA.UTF-8"}) {
        SCOPED_TRACE(language);
        // The catalogues of the stage in that language, as the shell sets them up.
        bindtextdomain(kDomain, restest::StagePath("res/locale").c_str());
        elm_language_set(language);
        // Every id the editor asks for is translated, in UTF-8; the notice template keeps
        // its one "%s" and no other text has a "%" that a formatting call would take.
        EXPECT_NE(std::string(Text("")).find("charset=UTF-8"), std::string::npos);
        for (const char* id : kIds) {
            const std::string text = Text(id);
            EXPECT_NE(text, id) << "not translated";
            const bool isTemplate = std::string(id) == kTemplateId;
            EXPECT_EQ(std::count(text.begin(), text.end(), '%'), isTemplate ? 1 : 0) << id;
            if (isTemplate) {
                EXPECT_NE(text.find("%s"), std::string::npos) << text;
            }
        }
        const std::string title = Text("WDS_CLOCK_MBODY_COLOR"), ok = Text("WDS_ST_BUTTON_OK_ABB");
        const std::string guide =
            Text("WDS_CLOCK_BODY_TAP_SCREEN_TO_CHANGE_STYLES_COLOURS_OR_COMPLICATIONS_ABB");
        std::string notice = Text("WDS_CLOCK_TPOP_NEW_SETTING_APPLIED_VIA_PS_APP_ABB");
        const char* app = std::string(language) == "ja_JP.UTF-8" ? "WDS_STU_BODY_VOSK_MANAGER_JPN"
                                                                 : "WDS_STU_BODY_KORVANE_VOSK";
        notice.replace(notice.find("%s"), 2, Text(app));

        EditorScreen screen;
        ASSERT_TRUE(screen.Settled());
        // As the editor does it: the title set on a screen already laid out.
        elm_layout_text_set(screen.main, "part_title", "");
        restest::Grab(screen.win);
        elm_layout_text_set(screen.main, "part_title", title.c_str());
        Evas_Object* overlay = restest::EditorLayout(screen.main, "TutorialLayout");
        Evas_Object* content = restest::EditorLayout(overlay, "TutorialContentLayout");
        PutText(content, "guide.text", guide.c_str());
        Put(overlay, "content.layout.swallow", content);
        Put(screen.main, "tutorial.page", overlay);
        edje_object_signal_emit(elm_layout_edje_get(screen.main), "tutorial,layout,show", "*");
        ASSERT_TRUE(restest::WaitForPartState(elm_layout_edje_get(screen.main), "tutorial_clip",
                                              "visible"));
        elm_layout_text_set(content, "guide.text", "x");
        restest::Grab(screen.win);
        elm_layout_text_set(content, "guide.text", guide.c_str());
        const Image pic = restest::Grab(screen.win);
        // The white page is darkened by the overlay; the guide is bright text over it.
        EXPECT_LT(appstest::ColorDistance(pic.At(135, 250), 0), 80) << std::hex << pic.At(135, 250);
        EXPECT_GT(BrightPixels(pic, 50, 60, 260, 170), 300);
        std::set<std::string> seen = ExpectTextsFit(screen.win);

        edje_object_signal_emit(elm_layout_edje_get(screen.main), "tutorial,layout,hide", "*");
        Evas_Object* popup = elm_popup_add(screen.win);
        elm_object_style_set(popup, "toast/circle");
        elm_object_part_text_set(popup, "elm.text", notice.c_str());
        evas_object_show(popup);
        ASSERT_TRUE(restest::WaitForPopupShown(screen.win, "toast/circle"));
        std::set<std::string> more = ExpectTextsFit(screen.win);
        seen.insert(more.begin(), more.end());
        for (const std::string& text : {title, ok, guide, notice})
            EXPECT_TRUE(seen.count(text)) << "not on the screen: " << text;
    }
}
