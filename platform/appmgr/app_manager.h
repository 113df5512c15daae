/* The application manager: what the device knows of installed applications. */
#ifndef WATCH_APP_MANAGER_H
#define WATCH_APP_MANAGER_H

#include <errno.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    APP_MANAGER_ERROR_NONE = 0,
    APP_MANAGER_ERROR_INVALID_PARAMETER = -EINVAL,
    APP_MANAGER_ERROR_OUT_OF_MEMORY = -ENOMEM,
    APP_MANAGER_ERROR_IO_ERROR = -EIO,
    APP_MANAGER_ERROR_NO_SUCH_APP = -0x01110000 | 0x01
} app_manager_error_e;

/* The shared resource / shared data folder of an installed application. On success
 * *path is newly allocated, ends in "/" and is released by the caller. An id holding a
 * '/', an empty element (so also ".."), or a control character is refused with
 * APP_MANAGER_ERROR_INVALID_PARAMETER before it comes near the file system. */
int app_manager_get_shared_resource_path(const char* app_id, char** path);
int app_manager_get_shared_data_path(const char* app_id, char** path);

#ifdef __cplusplus
}
#endif

#endif
