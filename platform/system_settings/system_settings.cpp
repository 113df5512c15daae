#include "system_settings.h"

#include "dlog.h"
#include "vconf.h"

#include <cstdint>
#include <cstdlib>
#include <map>

namespace {

const char* const kTag = "WATCH-SYSTEM-SETTINGS";

struct Setting {
    const char* vconfKey;
    bool isString;
};

// The settings this device knows, and the vconf keys that hold them.
bool Lookup(system_settings_key_e key, Setting* out) {
    switch (key) {
    case SYSTEM_SETTINGS_KEY_LOCALE_COUNTRY:
        *out = {"db/menu_widget/regionformat", true};
        return true;
    case SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE:
        *out = {WATCH_VCONF_KEY_LANGUAGE, true};
        return true;
    case SYSTEM_SETTINGS_KEY_LOCALE_TIMEZONE:
        *out = {"db/setting/timezone_id", true};
        return true;
    case SYSTEM_SETTINGS_KEY_TIME_CHANGED:
        *out = {"memory/system/timechanged", false};
        return true;
    }
    return false;
}

struct Callback {
    system_settings_changed_cb cb;
    void* data;
};

std::map<int, Callback>& Callbacks() {
    static auto* callbacks = new std::map<int, Callback>(); // lives with the vconf watches
    return *callbacks;
}

// The one vconf callback of every setting; the setting rides in the user data.
void OnKeyChanged(keynode_t*, void* data) {
    const int key = static_cast<int>(reinterpret_cast<intptr_t>(data));
    auto it = Callbacks().find(key);
    if (it == Callbacks().end())
        return;
    const Callback callback = it->second; // it may unset itself
    callback.cb(static_cast<system_settings_key_e>(key), callback.data);
}

int ErrorOfVconf(int rc) {
    return rc == VCONF_ERROR_WRONG_VALUE || rc == VCONF_ERROR_WRONG_PREFIX
               ? SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER
               : SYSTEM_SETTINGS_ERROR_IO_ERROR;
}

} // namespace

extern "C" {

int system_settings_set_changed_cb(system_settings_key_e key, system_settings_changed_cb callback,
                                   void* user_data) {
    Setting setting;
    if (!Lookup(key, &setting) || !callback) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "system_settings_set_changed_cb(%d): %s",
                     static_cast<int>(key), callback ? "no such setting" : "NULL callback");
        return SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER;
    }
    int rc = vconf_notify_key_changed(setting.vconfKey, OnKeyChanged,
                                      reinterpret_cast<void*>(static_cast<intptr_t>(key)));
    if (rc != VCONF_OK) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "system_settings_set_changed_cb(%d): cannot watch %s (%d)",
                     static_cast<int>(key), setting.vconfKey, rc);
        return ErrorOfVconf(rc);
    }
    Callbacks()[key] = Callback{callback, user_data}; // one per setting: the newest wins
    return SYSTEM_SETTINGS_ERROR_NONE;
}

int system_settings_unset_changed_cb(system_settings_key_e key) {
    Setting setting;
    if (!Lookup(key, &setting) || Callbacks().erase(key) == 0) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                     "system_settings_unset_changed_cb(%d): no callback is registered for it",
                     static_cast<int>(key));
        return SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER;
    }
    vconf_ignore_key_changed(setting.vconfKey, OnKeyChanged);
    return SYSTEM_SETTINGS_ERROR_NONE;
}

int system_settings_get_value_string(system_settings_key_e key, char** value) {
    Setting setting;
    if (!value || !Lookup(key, &setting)) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "system_settings_get_value_string(%d): %s",
                     static_cast<int>(key), value ? "no such setting" : "NULL result pointer");
        return SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER;
    }
    if (!setting.isString) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                     "system_settings_get_value_string(%d): not a text setting",
                     static_cast<int>(key));
        return SYSTEM_SETTINGS_ERROR_NOT_SUPPORTED;
    }
    char* text = vconf_get_str(setting.vconfKey); // vconf logs why it failed
    if (!text)
        return SYSTEM_SETTINGS_ERROR_IO_ERROR;
    *value = text; // malloc'd: released by the caller
    return SYSTEM_SETTINGS_ERROR_NONE;
}

} // extern "C"
