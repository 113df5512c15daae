/* The platform theme: the widget styles the device's theme provides beyond EFL's default
 * theme (button "bottom", index "thumbnail", popup "toast/circle", naviframe item
 * "empty", layout "application/default"). They live in one compiled edje file that is
 * added to Elementary as a theme extension. */
#ifndef WATCH_THEME_H
#define WATCH_THEME_H

#include <errno.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    WATCH_THEME_ERROR_NONE = 0,
    WATCH_THEME_ERROR_NOT_FOUND = -ENOENT,   /* the theme file does not exist or is unreadable */
    WATCH_THEME_ERROR_INVALID_FILE = -EINVAL /* the file is not the platform theme */
} watch_theme_error_e;

/* The theme file: WATCH_THEME_FILE when set and not empty, else the path the build
 * compiled in. Not to be freed. */
const char* watch_theme_file_path(void);

/* Adds the theme file to the default theme's extensions. Call after elm_init. A second
 * call with the same file adds nothing. On an error one line goes to the platform log
 * and the toolkit's themes are left as they were. */
int watch_theme_apply(void);

#ifdef __cplusplus
}
#endif

#endif
