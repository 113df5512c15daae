/* The application framework: runs an application on the EFL main loop and calls its
 * lifecycle callbacks there, with the user data.
 *
 * Order: create (false ends the application: no terminate, and ui_app_main returns
 * APP_ERROR_INVALID_CONTEXT); then for each launch request app_control and resume (an
 * application started by hand gets an empty request that expects no reply); pause and resume
 * as the application leaves and comes back to the front; at the end (ui_app_exit, SIGTERM,
 * SIGINT, `watchctl app terminate`, the device shutting down) pause when it was running, then
 * terminate, and ui_app_main returns 0.
 *
 * The front: one ui application at a time. A launch request brings its application to the
 * front and pauses the one that was there; a ui application whose windows are all hidden,
 * iconified or withdrawn, or that lowered its window (elm_win_lower), is paused and leaves
 * the front, and the one it had covered comes back; shown or raised again, it comes back to
 * the front.
 *
 * Without a display (no DISPLAY or WAYLAND_DISPLAY) or with ELM_DISPLAY=buffer, windows are
 * drawn by the buffer engine; everything else behaves the same.
 *
 * Each running application owns a name on the device bus. A second instance of a running
 * application ends at once (APP_ERROR_ALREADY_RUNNING); a program started by the bus that
 * cannot connect to it ends with APP_ERROR_IO_ERROR. Without a bus (the device is not
 * booted) an application still runs, alone. */
#ifndef WATCH_APP_H
#define WATCH_APP_H

#include <stdbool.h>

#include "app_common.h"
#include "app_control.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef bool (*app_create_cb)(void* user_data);
typedef void (*app_terminate_cb)(void* user_data);
typedef void (*app_pause_cb)(void* user_data);
typedef void (*app_resume_cb)(void* user_data);
typedef void (*app_control_cb)(app_control_h app_control, void* user_data);

typedef struct {
    app_create_cb create;       /* first; false ends the application */
    app_terminate_cb terminate; /* last */
    app_pause_cb pause;         /* leaving the foreground */
    app_resume_cb resume;       /* coming to the foreground */
    app_control_cb app_control; /* each launch request; the handle is valid during the call */
} ui_app_lifecycle_callback_s;

/* Runs the main loop until ui_app_exit (or SIGTERM/SIGINT) and returns 0, or an
 * app_error_e when the application could not run. */
int ui_app_main(int argc, char** argv, ui_app_lifecycle_callback_s* callback, void* user_data);
/* Ends the main loop; terminate follows. */
void ui_app_exit(void);

typedef bool (*service_app_create_cb)(void* user_data);
typedef void (*service_app_terminate_cb)(void* user_data);
typedef void (*service_app_control_cb)(app_control_h app_control, void* user_data);

typedef struct {
    service_app_create_cb create;
    service_app_terminate_cb terminate;
    service_app_control_cb app_control;
} service_app_lifecycle_callback_s;

/* A service application: no window and no front; create, app_control (for each request)
 * and terminate only. Ends like a ui application. */
int service_app_main(int argc, char** argv, service_app_lifecycle_callback_s* callback,
                     void* user_data);
void service_app_exit(void);

#ifdef __cplusplus
}
#endif

#endif
