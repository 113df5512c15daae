/* Application control: launch requests between applications, and their replies.
 *
 * Every call refuses a NULL or destroyed handle with APP_CONTROL_ERROR_INVALID_PARAMETER and
 * one log line. Texts must be valid UTF-8. A request holds at most 1024 extras and 64 KiB of
 * text in all (operation, uri, keys, values); a key at most 1024 bytes
 * (APP_CONTROL_ERROR_KEY_REJECTED). A field that was never set reads as NULL. */
#ifndef WATCH_APP_CONTROL_H
#define WATCH_APP_CONTROL_H

#include <errno.h>
#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct app_control_s* app_control_h;

typedef enum {
    APP_CONTROL_ERROR_NONE = 0,
    APP_CONTROL_ERROR_INVALID_PARAMETER = -EINVAL,
    APP_CONTROL_ERROR_OUT_OF_MEMORY = -ENOMEM,
    APP_CONTROL_ERROR_IO_ERROR = -EIO,
    APP_CONTROL_ERROR_PERMISSION_DENIED = -EACCES,
    APP_CONTROL_ERROR_TIMED_OUT = -ETIMEDOUT,
    APP_CONTROL_ERROR_KEY_NOT_FOUND = -ENOKEY,
    APP_CONTROL_ERROR_APP_NOT_FOUND = -0x01100000 | 0x21,
    APP_CONTROL_ERROR_KEY_REJECTED = -0x01100000 | 0x22,
    APP_CONTROL_ERROR_INVALID_DATA_TYPE = -0x01100000 | 0x23,
    APP_CONTROL_ERROR_LAUNCH_REJECTED = -0x01100000 | 0x24,
    APP_CONTROL_ERROR_LAUNCH_FAILED = -0x01100000 | 0x25
} app_control_error_e;

typedef enum {
    APP_CONTROL_RESULT_APP_STARTED = 1,
    APP_CONTROL_RESULT_SUCCEEDED = 0,
    APP_CONTROL_RESULT_FAILED = -1,
    APP_CONTROL_RESULT_CANCELED = -2
} app_control_result_e;

/* Operation URIs: scheme and host are this platform's, the path names the operation. */
#define APP_CONTROL_OPERATION_PREFIX "watch://device.korvane/appcontrol/operation/"
#define APP_CONTROL_OPERATION_DEFAULT APP_CONTROL_OPERATION_PREFIX "default"
#define APP_CONTROL_OPERATION_MAIN APP_CONTROL_OPERATION_PREFIX "main"
#define APP_CONTROL_OPERATION_VIEW APP_CONTROL_OPERATION_PREFIX "view"
#define APP_CONTROL_OPERATION_SETTINGS APP_CONTROL_OPERATION_PREFIX "settings"

/* The reply (and the request it answers) are valid only during the call. reply is NULL when
 * no reply came (the callee ended or let go of the request without answering, the bus gave
 * up, the answer was malformed); result is then APP_CONTROL_RESULT_FAILED. */
typedef void (*app_control_reply_cb)(app_control_h request, app_control_h reply,
                                     app_control_result_e result, void* user_data);
/* Return false to stop the iteration. */
typedef bool (*app_control_extra_data_cb)(app_control_h app_control, const char* key,
                                          void* user_data);

int app_control_create(app_control_h* app_control);
int app_control_destroy(app_control_h app_control);
/* An independent copy, destroyed by the caller. */
int app_control_clone(app_control_h* clone, app_control_h app_control);

int app_control_set_operation(app_control_h app_control, const char* operation);
int app_control_get_operation(app_control_h app_control, char** operation);
int app_control_set_uri(app_control_h app_control, const char* uri);
int app_control_get_uri(app_control_h app_control, char** uri);
int app_control_set_app_id(app_control_h app_control, const char* app_id);
int app_control_get_app_id(app_control_h app_control, char** app_id);
/* The application that sent the request (NULL result when started by hand). */
int app_control_get_caller(app_control_h app_control, char** caller);
int app_control_is_reply_requested(app_control_h app_control, bool* requested);

int app_control_add_extra_data(app_control_h app_control, const char* key, const char* value);
int app_control_remove_extra_data(app_control_h app_control, const char* key);
int app_control_get_extra_data(app_control_h app_control, const char* key, char** value);
int app_control_foreach_extra_data(app_control_h app_control, app_control_extra_data_cb callback,
                                   void* user_data);

/* Sends the request over the device bus, starting the application when it does not run.
 * 0 when sent; the handle may be destroyed right after. The reply callback (optional) runs
 * later on the main loop, however late the answer comes, with a failure result when the
 * callee ends, or the bus gives up, before answering. Errors (each with one log line):
 * APP_CONTROL_ERROR_APP_NOT_FOUND (no application id, or not installed),
 * APP_CONTROL_ERROR_LAUNCH_FAILED (no device bus: the callback never runs). Needs a running
 * Ecore main loop for the reply. */
int app_control_send_launch_request(app_control_h app_control, app_control_reply_cb callback,
                                    void* user_data);
/* Answers a request that this application received, from the handle given to app_control
 * (during the call) or from a clone of it (at any time later). Only the reply's extra data
 * travel. Once per request: a second answer, an answer to a request that expects none, or to
 * a request made in this process is APP_CONTROL_ERROR_INVALID_PARAMETER and one log line.
 * When the handle and all its clones are destroyed without an answer, the caller gets a
 * failure at once. */
int app_control_reply_to_launch_request(app_control_h reply, app_control_h request,
                                        app_control_result_e result);

#ifdef __cplusplus
}
#endif

#endif
