/* vconf: the device's typed key-value settings (int, bool, double, string), kept in one
 * SQLite database in the device root, with change notification across processes.
 * Keys begin with "db/", "file/" or "memory/"; "memory/" keys are volatile: they start
 * empty at every boot of the device. Every call returns 0 on success; a missing key or a
 * key of another type is an error result, never a silent zero. */
#ifndef WATCH_VCONF_H
#define WATCH_VCONF_H

#ifdef __cplusplus
extern "C" {
#endif

/* Keys of the device that several programs share. */
/* The display language as a locale (string, e.g. "ko_KR.UTF-8"), set by the settings. */
#define WATCH_VCONF_KEY_LANGUAGE "db/menu_widget/language"
/* 1 asks the idle clock to come to the front; set back to 0 once it is there (int). */
#define WATCH_VCONF_KEY_IDLE_CLOCK_SHOW "db/setting/idle_clock_show"
/* The application id of the idle clock the next show brings forward (string). */
#define WATCH_VCONF_KEY_CLOCKS_SET_IDLE "db/wms/clocks_set_idle"

typedef enum {
    VCONF_OK = 0,
    VCONF_ERROR = -1,
    VCONF_ERROR_WRONG_PREFIX = -2,
    VCONF_ERROR_WRONG_TYPE = -3,
    VCONF_ERROR_WRONG_VALUE = -4,
    VCONF_ERROR_NO_KEY = -5,
    VCONF_ERROR_NO_MEM = -6,
    VCONF_ERROR_FILE = -7, /* the database cannot be opened, read or written */
    VCONF_ERROR_BUSY = -8
} vconf_error_e;

typedef enum {
    VCONF_TYPE_NONE = 0,
    VCONF_TYPE_STRING = 1,
    VCONF_TYPE_INT = 2,
    VCONF_TYPE_DOUBLE = 3,
    VCONF_TYPE_BOOL = 4
} vconf_t;

/* A changed key as handed to a callback: its name, type and new value (valid only
 * during the call). */
typedef struct _keynode_t keynode_t;
typedef void (*vconf_callback_fn)(keynode_t* node, void* user_data);

int vconf_set_int(const char* in_key, const int intval);
int vconf_set_bool(const char* in_key, const int boolval);
int vconf_set_dbl(const char* in_key, const double dblval);
int vconf_set_str(const char* in_key, const char* strval);

int vconf_get_int(const char* in_key, int* intval);
int vconf_get_bool(const char* in_key, int* boolval);
int vconf_get_dbl(const char* in_key, double* dblval);
/* Newly allocated (released by the caller with free or g_free); NULL on any error. */
char* vconf_get_str(const char* in_key);

int vconf_unset(const char* in_key);

/* The callback runs on this process's main loop after every change of the key's value
 * made after the callback was registered, by any process of the device, this one
 * included: a process is told of its own writes. A change made before the call is never
 * reported. A removed key arrives as a node of VCONF_TYPE_NONE.
 * The same (key, callback) pair registers once: registering it again only replaces its
 * user data. Ignoring a pair that is not registered gives VCONF_ERROR. */
int vconf_notify_key_changed(const char* in_key, vconf_callback_fn cb, void* user_data);
int vconf_ignore_key_changed(const char* in_key, vconf_callback_fn cb);

/* The typed accessors give -1 (-1.0, NULL) with errno EINVAL for a node of another type. */
char* vconf_keynode_get_name(keynode_t* keynode);
int vconf_keynode_get_type(keynode_t* keynode);
int vconf_keynode_get_int(keynode_t* keynode);
int vconf_keynode_get_bool(keynode_t* keynode);
double vconf_keynode_get_dbl(keynode_t* keynode);
char* vconf_keynode_get_str(keynode_t* keynode); /* owned by the node */

#ifdef __cplusplus
}
#endif

#endif
