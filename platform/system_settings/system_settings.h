/* System settings: named device settings (kept in vconf) with change callbacks. */
#ifndef WATCH_SYSTEM_SETTINGS_H
#define WATCH_SYSTEM_SETTINGS_H

#include <errno.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    SYSTEM_SETTINGS_ERROR_NONE = 0,
    SYSTEM_SETTINGS_ERROR_INVALID_PARAMETER = -EINVAL,
    SYSTEM_SETTINGS_ERROR_OUT_OF_MEMORY = -ENOMEM,
    SYSTEM_SETTINGS_ERROR_IO_ERROR = -EIO,
    SYSTEM_SETTINGS_ERROR_NOT_SUPPORTED = -0x01100000 | 0x40
} system_settings_error_e;

typedef enum {
    SYSTEM_SETTINGS_KEY_LOCALE_COUNTRY = 12,  /* "db/menu_widget/regionformat" */
    SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE = 13, /* WATCH_VCONF_KEY_LANGUAGE */
    SYSTEM_SETTINGS_KEY_LOCALE_TIMEZONE = 14, /* "db/setting/timezone_id" */
    SYSTEM_SETTINGS_KEY_TIME_CHANGED = 15     /* "memory/system/timechanged" */
} system_settings_key_e;

typedef void (*system_settings_changed_cb)(system_settings_key_e key, void* user_data);

/* The callback runs on the main loop after every change of the setting. One per key. */
int system_settings_set_changed_cb(system_settings_key_e key, system_settings_changed_cb callback,
                                   void* user_data);
int system_settings_unset_changed_cb(system_settings_key_e key);
/* *value newly allocated, released by the caller. */
int system_settings_get_value_string(system_settings_key_e key, char** value);

#ifdef __cplusplus
}
#endif

#endif
