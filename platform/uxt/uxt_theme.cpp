// The UX theme: the current colour and font tables and what follows them.
//
// The current tables are published as global Edje classes named after their codes (a
// colour class per colour code, a text class per font code), so any theme part can
// follow a code. A widget given two codes with uxt_theme_object_replace_color gets them
// as its own edje object's colour classes "uxt.first" and "uxt.second". The directory of
// each current table's file is watched: once a write settles the file is read again and,
// when it reads cleanly and differs, the new values take over. Changed callbacks always
// run from the main loop: after a file change, or on the job queued by a set.
#include "uxt_theme.h"

#include "dlog.h"
#include "uxt_tables.h"

#include <Ecore.h>
#include <Ecore_File.h>
#include <Edje.h>
#include <Elementary.h>
// Not part of Elementary.h; its declarations are C ones.
extern "C" {
#include <efl_ui_layout_base.eo.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>
#include <vector>

struct uxt_theme_color_table_s {
    std::string path;
    uxt::ColorMap colors;
};

struct uxt_theme_font_table_s {
    std::string path;
    uxt::FontMap fonts;
};

namespace {

const char* const kTag = "WATCH-UXT";
const char* const kFirstClass = "uxt.first";
const char* const kSecondClass = "uxt.second";
// A write comes as several file events; the table is read once they have settled.
const double kSettleDelay = 0.1;

bool gChangeable = false;
uxt_theme_style_e gStyle = UXT_THEME_STYLE_DEFAULT;

std::set<uxt_theme_color_table_s*> gColorTables;
std::set<uxt_theme_font_table_s*> gFontTables;
uxt_theme_color_table_s* gColor = nullptr;
uxt_theme_font_table_s* gFont = nullptr;

// Codes currently published as global Edje classes.
std::set<std::string> gPublishedColors;
std::set<std::string> gPublishedFonts;
bool gEdjeUp = false;

struct ChangedReg {
    uint64_t id;
    uxt_theme_changed_cb callback;
    void* data;
};
std::vector<ChangedReg> gChanged[2];
uint64_t gNextId = 1;

// A change queued for the main loop: the registrations present when it happened.
struct PendingNotice {
    int type;
    std::vector<uint64_t> ids;
    Ecore_Job* job;
};
std::vector<PendingNotice*> gPending;

struct Replaced {
    std::string first;
    std::string second;
};
std::unordered_map<Evas_Object*, Replaced> gReplaced;

// Follows one current table's file through its directory.
struct FileWatch {
    std::string dir;
    std::string base;
    Ecore_File_Monitor* monitor = nullptr;
    Ecore_Timer* settle = nullptr;
};
FileWatch gColorWatch;
FileWatch gFontWatch;

void Log(int prio, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void Log(int prio, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    __dlog_vprint(LOG_ID_MAIN, prio, kTag, fmt, ap);
    va_end(ap);
}

void EnsureEdje() {
    if (!gEdjeUp)
        gEdjeUp = edje_init() > 0;
}

void PublishColors() {
    EnsureEdje();
    std::set<std::string> now;
    for (const auto& entry : gColor->colors) {
        const uxt::Rgba& c = entry.second;
        edje_color_class_set(entry.first.c_str(), c.r, c.g, c.b, c.a, c.r, c.g, c.b, c.a, c.r, c.g,
                             c.b, c.a);
        now.insert(entry.first);
    }
    for (const auto& code : gPublishedColors)
        if (!now.count(code))
            edje_color_class_del(code.c_str());
    gPublishedColors.swap(now);
}

void PublishFonts() {
    EnsureEdje();
    std::set<std::string> now;
    for (const auto& entry : gFont->fonts) {
        const uxt::FontSpec& f = entry.second;
        const std::string font = f.family + ":style=" + f.style;
        edje_text_class_set(entry.first.c_str(), font.c_str(), f.size);
        now.insert(entry.first);
    }
    for (const auto& code : gPublishedFonts)
        if (!now.count(code))
            edje_text_class_del(code.c_str());
    gPublishedFonts.swap(now);
}

Evas_Object* EdjeOf(Evas_Object* obj) {
    if (!strcmp(evas_object_type_get(obj), "edje"))
        return obj;
    if (elm_object_widget_check(obj) && efl_isa(obj, EFL_UI_LAYOUT_BASE_CLASS))
        return elm_layout_edje_get(obj);
    return nullptr;
}

// Gives one widget the current colours of its codes; UXT_ERROR_NOT_FOUND (and one line)
// when there is no current table or it lacks a code.
int ApplyColors(Evas_Object* obj, const Replaced& codes) {
    Evas_Object* edje = EdjeOf(obj);
    if (!edje)
        return UXT_ERROR_INVALID_PARAMETER;
    if (!gColor) {
        Log(DLOG_WARN, "no current colour table for \"%s\" and \"%s\"", codes.first.c_str(),
            codes.second.c_str());
        return UXT_ERROR_NOT_FOUND;
    }
    int result = UXT_ERROR_NONE;
    std::string missing;
    const std::pair<const char*, const std::string*> classes[] = {{kFirstClass, &codes.first},
                                                                  {kSecondClass, &codes.second}};
    for (const auto& cls : classes) {
        auto it = gColor->colors.find(*cls.second);
        if (it == gColor->colors.end()) {
            missing += (missing.empty() ? "\"" : ", \"") + *cls.second + "\"";
            result = UXT_ERROR_NOT_FOUND;
            continue;
        }
        const uxt::Rgba& c = it->second;
        edje_object_color_class_set(edje, cls.first, c.r, c.g, c.b, c.a, c.r, c.g, c.b, c.a, c.r,
                                    c.g, c.b, c.a);
    }
    if (!missing.empty())
        Log(DLOG_WARN, "colour code %s not in the colour table %s", missing.c_str(),
            gColor->path.c_str());
    return result;
}

void ReplacedDelCb(void*, Evas*, Evas_Object* obj, void*) {
    gReplaced.erase(obj);
}

void ReapplyAll() {
    if (!gChangeable)
        return;
    // A copy: nothing in here deletes widgets, but the table must not move under us.
    const auto objects = gReplaced;
    for (const auto& entry : objects)
        ApplyColors(entry.first, entry.second);
}

void RunCallbacks(int type, const std::vector<uint64_t>& ids) {
    for (uint64_t id : ids) {
        const auto& list = gChanged[type];
        auto it = std::find_if(list.begin(), list.end(),
                               [id](const ChangedReg& reg) { return reg.id == id; });
        if (it == list.end())
            continue;
        const ChangedReg reg = *it;
        reg.callback(reg.data);
    }
}

std::vector<uint64_t> CurrentIds(int type) {
    std::vector<uint64_t> ids;
    for (const auto& reg : gChanged[type])
        ids.push_back(reg.id);
    return ids;
}

void NoticeJobCb(void* data) {
    auto* notice = static_cast<PendingNotice*>(data);
    gPending.erase(std::remove(gPending.begin(), gPending.end(), notice), gPending.end());
    RunCallbacks(notice->type, notice->ids);
    delete notice;
}

// A change made by a call: its callbacks run from the main loop, not inside the call.
void QueueNotice(int type) {
    if (gChanged[type].empty())
        return;
    auto* notice = new PendingNotice{type, CurrentIds(type), nullptr};
    notice->job = ecore_job_add(NoticeJobCb, notice);
    if (!notice->job) {
        Log(DLOG_ERROR, "theme change not announced: no main loop");
        delete notice;
        return;
    }
    gPending.push_back(notice);
}

void StopWatch(FileWatch* watch) {
    if (watch->monitor)
        ecore_file_monitor_del(watch->monitor);
    if (watch->settle)
        ecore_timer_del(watch->settle);
    *watch = FileWatch();
}

void ReloadColors() {
    uxt::ColorMap colors;
    std::string error;
    if (!uxt::ReadColorTable(gColor->path, &colors, &error)) {
        Log(DLOG_ERROR, "colour table not reloaded, keeping its colours: %s", error.c_str());
        return;
    }
    if (colors == gColor->colors)
        return;
    gColor->colors.swap(colors);
    PublishColors();
    ReapplyAll();
    RunCallbacks(UXT_THEME_CHANGED_COLOR, CurrentIds(UXT_THEME_CHANGED_COLOR));
}

void ReloadFonts() {
    uxt::FontMap fonts;
    std::string error;
    if (!uxt::ReadFontTable(gFont->path, &fonts, &error)) {
        Log(DLOG_ERROR, "font table not reloaded, keeping its fonts: %s", error.c_str());
        return;
    }
    if (fonts == gFont->fonts)
        return;
    gFont->fonts.swap(fonts);
    PublishFonts();
    RunCallbacks(UXT_THEME_CHANGED_FONT, CurrentIds(UXT_THEME_CHANGED_FONT));
}

Eina_Bool SettledCb(void* data) {
    auto* watch = static_cast<FileWatch*>(data);
    watch->settle = nullptr;
    if (watch == &gColorWatch && gColor)
        ReloadColors();
    else if (watch == &gFontWatch && gFont)
        ReloadFonts();
    return ECORE_CALLBACK_CANCEL;
}

void MonitorCb(void* data, Ecore_File_Monitor*, Ecore_File_Event event, const char* path) {
    auto* watch = static_cast<FileWatch*>(data);
    const char* slash = path ? strrchr(path, '/') : nullptr;
    if (!slash || watch->base != slash + 1)
        return;
    switch (event) {
    case ECORE_FILE_EVENT_CREATED_FILE:
    case ECORE_FILE_EVENT_MODIFIED:
    case ECORE_FILE_EVENT_CLOSED:
        if (watch->settle)
            ecore_timer_reset(watch->settle);
        else
            watch->settle = ecore_timer_add(kSettleDelay, SettledCb, watch);
        break;
    case ECORE_FILE_EVENT_DELETED_FILE:
        Log(DLOG_WARN, "table file %s was removed; its last values stay", path);
        break;
    default:
        break;
    }
}

void StartWatch(FileWatch* watch, const std::string& path) {
    StopWatch(watch);
    static bool fileUp = false;
    if (!fileUp)
        fileUp = ecore_file_init() > 0;
    // The directory, not the file: a table replaced by a rename is a new file.
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char* real = realpath(dir.c_str(), nullptr);
    if (!real) {
        Log(DLOG_ERROR, "table file %s is not followed: %s", path.c_str(), strerror(errno));
        return;
    }
    watch->dir = real;
    free(real);
    watch->base = slash == std::string::npos ? path : path.substr(slash + 1);
    watch->monitor = ecore_file_monitor_add(watch->dir.c_str(), MonitorCb, watch);
    if (!watch->monitor)
        Log(DLOG_ERROR, "table file %s is not followed: cannot watch %s", path.c_str(),
            watch->dir.c_str());
}

} // namespace

extern "C" {

int uxt_theme_set_changeable_ui_enabled(bool enabled) {
    gChangeable = enabled;
    if (enabled)
        ReapplyAll();
    return UXT_ERROR_NONE;
}

int uxt_theme_set_style(uxt_theme_style_e style) {
    if (style != UXT_THEME_STYLE_DEFAULT && style != UXT_THEME_STYLE_DARK &&
        style != UXT_THEME_STYLE_LIGHT) {
        Log(DLOG_ERROR, "style not set: unknown style %d", int(style));
        return UXT_ERROR_INVALID_PARAMETER;
    }
    gStyle = style;
    return UXT_ERROR_NONE;
}

uxt_theme_style_e uxt_theme_get_style(void) {
    return gStyle;
}

uxt_theme_color_table_h uxt_theme_add_color_table(const char* file_path) {
    if (!file_path || !*file_path) {
        Log(DLOG_ERROR, "colour table not loaded: no path");
        return nullptr;
    }
    uxt::ColorMap colors;
    std::string error;
    if (!uxt::ReadColorTable(file_path, &colors, &error)) {
        Log(DLOG_ERROR, "colour table not loaded: %s", error.c_str());
        return nullptr;
    }
    auto* table = new uxt_theme_color_table_s{file_path, std::move(colors)};
    gColorTables.insert(table);
    return table;
}

int uxt_theme_set_color_table(uxt_theme_color_table_h table) {
    if (!table || !gColorTables.count(table)) {
        Log(DLOG_ERROR, "colour table not set: %s", table ? "unknown table" : "table is NULL");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    if (gColor == table)
        return UXT_ERROR_NONE;
    gColor = table;
    StartWatch(&gColorWatch, table->path);
    PublishColors();
    ReapplyAll();
    QueueNotice(UXT_THEME_CHANGED_COLOR);
    return UXT_ERROR_NONE;
}

int uxt_theme_delete_color_table(uxt_theme_color_table_h table) {
    if (!table || !gColorTables.count(table)) {
        Log(DLOG_ERROR, "colour table not deleted: %s", table ? "unknown table" : "table is NULL");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    // The current look stays as it is until another table is set.
    if (gColor == table) {
        gColor = nullptr;
        StopWatch(&gColorWatch);
    }
    gColorTables.erase(table);
    delete table;
    return UXT_ERROR_NONE;
}

uxt_theme_font_table_h uxt_theme_add_font_table(const char* file_path) {
    if (!file_path || !*file_path) {
        Log(DLOG_ERROR, "font table not loaded: no path");
        return nullptr;
    }
    uxt::FontMap fonts;
    std::string error;
    if (!uxt::ReadFontTable(file_path, &fonts, &error)) {
        Log(DLOG_ERROR, "font table not loaded: %s", error.c_str());
        return nullptr;
    }
    auto* table = new uxt_theme_font_table_s{file_path, std::move(fonts)};
    gFontTables.insert(table);
    return table;
}

int uxt_theme_set_font_table(uxt_theme_font_table_h table) {
    if (!table || !gFontTables.count(table)) {
        Log(DLOG_ERROR, "font table not set: %s", table ? "unknown table" : "table is NULL");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    if (gFont == table)
        return UXT_ERROR_NONE;
    gFont = table;
    StartWatch(&gFontWatch, table->path);
    PublishFonts();
    QueueNotice(UXT_THEME_CHANGED_FONT);
    return UXT_ERROR_NONE;
}

int uxt_theme_delete_font_table(uxt_theme_font_table_h table) {
    if (!table || !gFontTables.count(table)) {
        Log(DLOG_ERROR, "font table not deleted: %s", table ? "unknown table" : "table is NULL");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    if (gFont == table) {
        gFont = nullptr;
        StopWatch(&gFontWatch);
    }
    gFontTables.erase(table);
    delete table;
    return UXT_ERROR_NONE;
}

int uxt_theme_get_color(const char* code, int* r, int* g, int* b, int* a) {
    if (!code || !r || !g || !b || !a) {
        Log(DLOG_ERROR, "colour not read: NULL argument");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    const uxt::Rgba* color = nullptr;
    if (gColor) {
        auto it = gColor->colors.find(code);
        if (it != gColor->colors.end())
            color = &it->second;
    }
    if (!color) {
        Log(DLOG_WARN, "colour code \"%s\" not in the current table", code);
        return UXT_ERROR_NOT_FOUND;
    }
    *r = color->r;
    *g = color->g;
    *b = color->b;
    *a = color->a;
    return UXT_ERROR_NONE;
}

int uxt_theme_get_font(const char* code, char** family, char** style, int* size) {
    if (!code || !family || !style || !size) {
        Log(DLOG_ERROR, "font not read: NULL argument");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    const uxt::FontSpec* font = nullptr;
    if (gFont) {
        auto it = gFont->fonts.find(code);
        if (it != gFont->fonts.end())
            font = &it->second;
    }
    if (!font) {
        Log(DLOG_WARN, "font code \"%s\" not in the current table", code);
        return UXT_ERROR_NOT_FOUND;
    }
    *family = strdup(font->family.c_str());
    *style = strdup(font->style.c_str());
    if (!*family || !*style) {
        free(*family);
        free(*style);
        *family = *style = nullptr;
        return UXT_ERROR_OUT_OF_MEMORY;
    }
    *size = font->size;
    return UXT_ERROR_NONE;
}

int uxt_theme_add_changed_callback(uxt_theme_changed_type_e type, uxt_theme_changed_cb callback,
                                   void* user_data) {
    if ((type != UXT_THEME_CHANGED_COLOR && type != UXT_THEME_CHANGED_FONT) || !callback) {
        Log(DLOG_ERROR, "changed callback not added: %s",
            callback ? "unknown change type" : "callback is NULL");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    gChanged[type].push_back({gNextId++, callback, user_data});
    return UXT_ERROR_NONE;
}

int uxt_theme_delete_changed_callback(uxt_theme_changed_type_e type,
                                      uxt_theme_changed_cb callback) {
    if (type == UXT_THEME_CHANGED_COLOR || type == UXT_THEME_CHANGED_FONT) {
        auto& list = gChanged[type];
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (it->callback == callback) {
                list.erase(it);
                return UXT_ERROR_NONE;
            }
        }
    }
    Log(DLOG_WARN, "changed callback not deleted: no such registration");
    return UXT_ERROR_INVALID_PARAMETER;
}

int uxt_theme_object_replace_color(Evas_Object* obj, const char* first_code,
                                   const char* second_code) {
    if (!obj || !first_code || !*first_code || !second_code || !*second_code) {
        Log(DLOG_ERROR, "colours not replaced: %s", obj ? "empty colour code" : "object is NULL");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    if (!EdjeOf(obj)) {
        Log(DLOG_ERROR, "colours not replaced: %s is neither a layout widget nor an edje object",
            evas_object_type_get(obj));
        return UXT_ERROR_INVALID_PARAMETER;
    }
    if (!gReplaced.count(obj))
        evas_object_event_callback_add(obj, EVAS_CALLBACK_DEL, ReplacedDelCb, nullptr);
    Replaced& codes = gReplaced[obj];
    codes.first = first_code;
    codes.second = second_code;
    return ApplyColors(obj, codes);
}

} // extern "C"
