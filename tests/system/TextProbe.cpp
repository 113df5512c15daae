// Preloaded into a program (LD_PRELOAD) to report the texts its window shows. When the
// program enters its main loop, the probe finds the window's canvas; after each frame it
// writes the visible text objects to the file named by WATCH_TEXT_PROBE, whenever they
// changed, one a line:
//   TYPE X Y W H ADVANCE WHOLE LINES [LX LY LW LH]... |TEXT
// TYPE is text or textblock; X Y W H the object's geometry; for a text object ADVANCE is
// how far it is drawn and WHOLE how far the whole text would go at its font (0 0 for a
// textblock); each line's rectangle is relative to the object; a break in TEXT is a space.
#define EFL_BETA_API_SUPPORT 1
#include <Ecore_Evas.h>
#include <Elementary.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

Evas* gCanvas = nullptr;
std::string gLast;

// One line per text: a break becomes a space.
std::string OneLine(const char* text) {
    std::string out = text ? text : "";
    std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

// Shown, and so are all its clippers.
bool Drawn(Evas_Object* obj) {
    for (; obj; obj = evas_object_clip_get(obj)) {
        if (!evas_object_visible_get(obj))
            return false;
    }
    return true;
}

void Describe(Evas_Object* obj, std::string* out) {
    if (!evas_object_visible_get(obj))
        return;
    const char* type = evas_object_type_get(obj);
    int x, y, w, h;
    evas_object_geometry_get(obj, &x, &y, &w, &h);
    char head[128];
    if (strcmp(type, "text") == 0 || strcmp(type, "textblock") == 0) {
        if (!Drawn(obj))
            return; // hidden by a clipper, as the window frame's title is
    }
    if (strcmp(type, "text") == 0) {
        const char* text = evas_object_text_text_get(obj);
        Evas_Object* whole = evas_object_text_add(gCanvas);
        const char* font = nullptr;
        int size = 0;
        evas_object_text_font_get(obj, &font, &size);
        evas_object_text_font_set(whole, font, size);
        evas_object_text_text_set(whole, text);
        snprintf(head, sizeof head, "text %d %d %d %d %d %d 1 0 0 %d %d |", x, y, w, h,
                 evas_object_text_horiz_advance_get(obj), evas_object_text_horiz_advance_get(whole),
                 w, h);
        evas_object_del(whole);
        *out += head + OneLine(text) + "\n";
    } else if (strcmp(type, "textblock") == 0) {
        std::string lines;
        int count = 0;
        Evas_Textblock_Cursor* cursor = evas_object_textblock_cursor_new(obj);
        for (; evas_textblock_cursor_line_set(cursor, count); ++count) {
            Evas_Coord lx, ly, lw, lh;
            evas_textblock_cursor_line_geometry_get(cursor, &lx, &ly, &lw, &lh);
            lines += " " + std::to_string(lx) + " " + std::to_string(ly) + " " +
                     std::to_string(lw) + " " + std::to_string(lh);
        }
        evas_textblock_cursor_free(cursor);
        char* plain =
            evas_textblock_text_markup_to_utf8(obj, evas_object_textblock_text_markup_get(obj));
        snprintf(head, sizeof head, "textblock %d %d %d %d 0 0 %d", x, y, w, h, count);
        *out += head + lines + " |" + OneLine(plain) + "\n";
        free(plain);
    } else if (efl_isa(obj, EFL_CANVAS_GROUP_CLASS)) {
        Eina_List* members = evas_object_smart_members_get(obj);
        void* member;
        EINA_LIST_FREE(members, member)
        Describe(static_cast<Evas_Object*>(member), out);
    }
}

void OnRenderPost(void*, Evas*, void*) {
    std::string now;
    for (Evas_Object* o = evas_object_bottom_get(gCanvas); o; o = evas_object_above_get(o))
        Describe(o, &now);
    const char* path = getenv("WATCH_TEXT_PROBE");
    if (now == gLast || !path)
        return;
    gLast = now;
    const std::string partial = std::string(path) + ".partial";
    if (FILE* f = fopen(partial.c_str(), "w")) {
        fputs(now.c_str(), f);
        if (fclose(f) == 0)
            rename(partial.c_str(), path);
    }
}

// Runs before each render until the program's window exists.
Eina_Bool FindWindow(void*) {
    Eina_List* all = ecore_evas_ecore_evas_list_get();
    void* ee;
    EINA_LIST_FREE(all, ee) {
        if (!gCanvas && ecore_evas_data_get(static_cast<Ecore_Evas*>(ee), "elm_win"))
            gCanvas = ecore_evas_get(static_cast<Ecore_Evas*>(ee));
    }
    if (!gCanvas)
        return ECORE_CALLBACK_RENEW;
    evas_event_callback_add(gCanvas, EVAS_CALLBACK_RENDER_POST, OnRenderPost, nullptr);
    return ECORE_CALLBACK_CANCEL;
}

} // namespace

// The program's own start-up has run by now; the probe joins its loop.
extern "C" void ecore_main_loop_begin(void) {
    static bool joined = false;
    if (!joined) {
        joined = true;
        ecore_idle_enterer_before_add(FindWindow, nullptr);
    }
    using Begin = void (*)(void);
    reinterpret_cast<Begin>(dlsym(RTLD_NEXT, "ecore_main_loop_begin"))();
}
