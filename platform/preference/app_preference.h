/* Preferences: the package's own typed key-value store, one SQLite database in the
 * package's data folder, with change notification to every process of the package.
 * The process's package comes from its application id. */
#ifndef WATCH_APP_PREFERENCE_H
#define WATCH_APP_PREFERENCE_H

#include <errno.h>
#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    PREFERENCE_ERROR_NONE = 0,
    PREFERENCE_ERROR_INVALID_PARAMETER = -EINVAL,
    PREFERENCE_ERROR_OUT_OF_MEMORY = -ENOMEM,
    PREFERENCE_ERROR_IO_ERROR = -EIO,
    PREFERENCE_ERROR_NO_KEY = -0x01100000 | 0x30,
    PREFERENCE_ERROR_TYPE_MISMATCH = -0x01100000 | 0x31
} preference_error_e;

typedef void (*preference_changed_cb)(const char* key, void* user_data);
/* Return false to stop the iteration. */
typedef bool (*preference_item_cb)(const char* key, void* user_data);

int preference_set_int(const char* key, int value);
int preference_get_int(const char* key, int* value);
int preference_set_double(const char* key, double value);
int preference_get_double(const char* key, double* value);
int preference_set_string(const char* key, const char* value);
/* *value newly allocated, released by the caller. */
int preference_get_string(const char* key, char** value);
int preference_set_boolean(const char* key, bool value);
int preference_get_boolean(const char* key, bool* value);

int preference_remove(const char* key);
int preference_remove_all(void);
int preference_is_existing(const char* key, bool* existing);
int preference_foreach_item(preference_item_cb callback, void* user_data);

/* The callback runs on the main loop after every change of the key's value made after the
 * callback was set, by any process of the package, this one included: a process is told
 * of its own writes. A change made before the call (this process's own write just before
 * it, say) is never reported. Watching a key that does not exist yet fails with
 * PREFERENCE_ERROR_NO_KEY. One callback per key; a second call replaces the first.
 * Unsetting a key without a callback gives PREFERENCE_ERROR_INVALID_PARAMETER. */
int preference_set_changed_cb(const char* key, preference_changed_cb callback, void* user_data);
int preference_unset_changed_cb(const char* key);

#ifdef __cplusplus
}
#endif

#endif
