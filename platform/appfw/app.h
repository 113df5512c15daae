/* The application framework: runs an application on the EFL main loop and calls its
 * lifecycle callbacks there. */
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

/* A service application: no window; create, app_control and terminate only. */
int service_app_main(int argc, char** argv, service_app_lifecycle_callback_s* callback,
                     void* user_data);
void service_app_exit(void);

#ifdef __cplusplus
}
#endif

#endif
