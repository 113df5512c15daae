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
    uxt::ColorMap entries;
};

struct uxt_theme_font_table_s {
    std::string path;
    uxt::FontMap entries;
};

namespace {

const char* const kTag = "WATCH-UXT";
const char* const kFirstClass = "uxt.first";
const char* const kSecondClass = "uxt.second";
// A write comes as several file events; the table is read once they have settled.
const double kSettleDelay = 0.1;

bool gChangeable = false;
uxt_theme_style_e gStyle = UXT_THEME_STYLE_DEFAULT;
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

// One kind of table, colours or fonts: the tables loaded, the current one, the codes it
// publishes as global Edje classes and the watch on its file. Both kinds go the same way.
template <typename Table> struct Kind {
    using Map = decltype(Table::entries);
    using Entry = typename Map::mapped_type;
    using Reader = bool (*)(const std::string& path, Map* out, std::string* error);
    using Publisher = void (*)(const std::string& code, const Entry& entry);

    Kind(const char* noun, const char* plural, int changeType, Reader read, Publisher publish,
         void (*unpublish)(const char*), void (*changed)())
        : noun(noun), plural(plural), changeType(changeType), read(read), publish(publish),
          unpublish(unpublish), changed(changed) {}

    const char* const noun;   // "colour", "font": in log lines
    const char* const plural; // "colours", "fonts"
    const int changeType;     // UXT_THEME_CHANGED_COLOR or UXT_THEME_CHANGED_FONT
    const Reader read;
    const Publisher publish;
    void (*const unpublish)(const char* code);
    void (*const changed)(); // after new values are published, before the callbacks; or NULL
    std::set<Table*> tables;
    Table* current = nullptr;
    std::set<std::string> published;
    FileWatch watch;
};

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

void PublishColor(const std::string& code, const uxt::Rgba& c) {
    edje_color_class_set(code.c_str(), c.r, c.g, c.b, c.a, c.r, c.g, c.b, c.a, c.r, c.g, c.b, c.a);
}

void PublishFont(const std::string& code, const uxt::FontSpec& f) {
    const std::string font = f.family + ":style=" + f.style;
    edje_text_class_set(code.c_str(), font.c_str(), f.size);
}

void ReapplyAll();

Kind<uxt_theme_color_table_s> gColors{"colour",
                                      "colours",
                                      UXT_THEME_CHANGED_COLOR,
                                      uxt::ReadColorTable,
                                      PublishColor,
                                      edje_color_class_del,
                                      ReapplyAll};
Kind<uxt_theme_font_table_s> gFonts{
    "font", "fonts", UXT_THEME_CHANGED_FONT, uxt::ReadFontTable, PublishFont, edje_text_class_del,
    nullptr};

// Publishes the current table's codes and withdraws those it no longer has.
template <typename Table> void Publish(Kind<Table>& kind) {
    EnsureEdje();
    std::set<std::string> now;
    for (const auto& entry : kind.current->entries) {
        kind.publish(entry.first, entry.second);
        now.insert(entry.first);
    }
    for (const auto& code : kind.published)
        if (!now.count(code))
            kind.unpublish(code.c_str());
    kind.published.swap(now);
}

// The current table's entry for a code; NULL (and one line) when there is none.
template <typename Table>
const typename Kind<Table>::Entry* Find(const Kind<Table>& kind, const std::string& code) {
    if (kind.current) {
        auto it = kind.current->entries.find(code);
        if (it != kind.current->entries.end())
            return &it->second;
    }
    Log(DLOG_WARN, "%s code \"%s\" not in the current table", kind.noun, code.c_str());
    return nullptr;
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
    const uxt_theme_color_table_s* table = gColors.current;
    if (!table) {
        Log(DLOG_WARN, "no current colour table for \"%s\" and \"%s\"", codes.first.c_str(),
            codes.second.c_str());
        return UXT_ERROR_NOT_FOUND;
    }
    int result = UXT_ERROR_NONE;
    std::string missing;
    const std::pair<const char*, const std::string*> classes[] = {{kFirstClass, &codes.first},
                                                                  {kSecondClass, &codes.second}};
    for (const auto& cls : classes) {
        auto it = table->entries.find(*cls.second);
        if (it == table->entries.end()) {
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
            table->path.c_str());
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

// After the current table's file changed: its values take over when they read cleanly
// and differ.
template <typename Table> void Reload(Kind<Table>& kind) {
    typename Kind<Table>::Map entries;
    std::string error;
    if (!kind.read(kind.current->path, &entries, &error)) {
        Log(DLOG_ERROR, "%s table not reloaded, keeping its %s: %s", kind.noun, kind.plural,
            error.c_str());
        return;
    }
    if (entries == kind.current->entries)
        return;
    kind.current->entries.swap(entries);
    Publish(kind);
    if (kind.changed)
        kind.changed();
    RunCallbacks(kind.changeType, CurrentIds(kind.changeType));
}

template <typename Table> Eina_Bool SettledCb(void* data) {
    auto* kind = static_cast<Kind<Table>*>(data);
    kind->watch.settle = nullptr;
    if (kind->current)
        Reload(*kind);
    return ECORE_CALLBACK_CANCEL;
}

template <typename Table>
void MonitorCb(void* data, Ecore_File_Monitor*, Ecore_File_Event event, const char* path) {
    auto* kind = static_cast<Kind<Table>*>(data);
    FileWatch* watch = &kind->watch;
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
            watch->settle = ecore_timer_add(kSettleDelay, SettledCb<Table>, kind);
        break;
    case ECORE_FILE_EVENT_DELETED_FILE:
        Log(DLOG_WARN, "table file %s was removed; its last values stay", path);
        break;
    default:
        break;
    }
}

template <typename Table> void StartWatch(Kind<Table>& kind, const std::string& path) {
    FileWatch* watch = &kind.watch;
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
    watch->monitor = ecore_file_monitor_add(watch->dir.c_str(), MonitorCb<Table>, &kind);
    if (!watch->monitor)
        Log(DLOG_ERROR, "table file %s is not followed: cannot watch %s", path.c_str(),
            watch->dir.c_str());
}

template <typename Table> Table* AddTable(Kind<Table>& kind, const char* path) {
    if (!path || !*path) {
        Log(DLOG_ERROR, "%s table not loaded: no path", kind.noun);
        return nullptr;
    }
    typename Kind<Table>::Map entries;
    std::string error;
    if (!kind.read(path, &entries, &error)) {
        Log(DLOG_ERROR, "%s table not loaded: %s", kind.noun, error.c_str());
        return nullptr;
    }
    auto* table = new Table{path, std::move(entries)};
    kind.tables.insert(table);
    return table;
}

// True for a table of this kind; else one line saying what was not done and why.
template <typename Table> bool Known(const Kind<Table>& kind, Table* table, const char* notDone) {
    if (table && kind.tables.count(table))
        return true;
    Log(DLOG_ERROR, "%s table not %s: %s", kind.noun, notDone,
        table ? "unknown table" : "table is NULL");
    return false;
}

template <typename Table> int SetTable(Kind<Table>& kind, Table* table) {
    if (!Known(kind, table, "set"))
        return UXT_ERROR_INVALID_PARAMETER;
    if (kind.current == table)
        return UXT_ERROR_NONE;
    kind.current = table;
    StartWatch(kind, table->path);
    Publish(kind);
    if (kind.changed)
        kind.changed();
    QueueNotice(kind.changeType);
    return UXT_ERROR_NONE;
}

template <typename Table> int DeleteTable(Kind<Table>& kind, Table* table) {
    if (!Known(kind, table, "deleted"))
        return UXT_ERROR_INVALID_PARAMETER;
    // The current look stays as it is until another table is set.
    if (kind.current == table) {
        kind.current = nullptr;
        StopWatch(&kind.watch);
    }
    kind.tables.erase(table);
    delete table;
    return UXT_ERROR_NONE;
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
    return AddTable(gColors, file_path);
}

int uxt_theme_set_color_table(uxt_theme_color_table_h table) {
    return SetTable(gColors, table);
}

int uxt_theme_delete_color_table(uxt_theme_color_table_h table) {
    return DeleteTable(gColors, table);
}

uxt_theme_font_table_h uxt_theme_add_font_table(const char* file_path) {
    return AddTable(gFonts, file_path);
}

int uxt_theme_set_font_table(uxt_theme_font_table_h table) {
    return SetTable(gFonts, table);
}

int uxt_theme_delete_font_table(uxt_theme_font_table_h table) {
    return DeleteTable(gFonts, table);
}

int uxt_theme_get_color(const char* code, int* r, int* g, int* b, int* a) {
    if (!code || !r || !g || !b || !a) {
        Log(DLOG_ERROR, "colour not read: NULL argument");
        return UXT_ERROR_INVALID_PARAMETER;
    }
    const uxt::Rgba* color = Find(gColors, code);
    if (!color)
        return UXT_ERROR_NOT_FOUND;
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
    const uxt::FontSpec* font = Find(gFonts, code);
    if (!font)
        return UXT_ERROR_NOT_FOUND;
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
