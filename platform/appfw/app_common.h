/* What every application can ask the framework: its id and its package folders. */
#ifndef WATCH_APP_COMMON_H
#define WATCH_APP_COMMON_H

#include <errno.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    APP_ERROR_NONE = 0,
    APP_ERROR_INVALID_PARAMETER = -EINVAL,
    APP_ERROR_OUT_OF_MEMORY = -ENOMEM,
    APP_ERROR_INVALID_CONTEXT = -0x01100000 | 0x01,
    APP_ERROR_NO_SUCH_FILE = -ENOENT,
    APP_ERROR_ALREADY_RUNNING = -EALREADY,
    APP_ERROR_PERMISSION_DENIED = -EACCES,
    APP_ERROR_IO_ERROR = -EIO
} app_error_e;

/* The running application's id (WATCH_APP_ID, or the installed program it runs).
 * *id is newly allocated; the caller frees it. */
int app_get_id(char** id);

/* Folders of the running application's package, each newly allocated, ending in "/",
 * released by the caller; NULL (with one log line) when the application is unknown. */
char* app_get_resource_path(void);
char* app_get_shared_resource_path(void);
char* app_get_data_path(void);
char* app_get_shared_data_path(void);
char* app_get_cache_path(void);

#ifdef __cplusplus
}
#endif

#endif
