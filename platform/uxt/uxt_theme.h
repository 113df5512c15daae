/* The UX theme: colours and fonts of the toolkit's widgets that can change at run time,
 * driven by colour and font tables (XML files). */
#ifndef WATCH_UXT_THEME_H
#define WATCH_UXT_THEME_H

#include <errno.h>
#include <stdbool.h>

#include <Evas.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    UXT_ERROR_NONE = 0,
    UXT_ERROR_INVALID_PARAMETER = -EINVAL,
    UXT_ERROR_OUT_OF_MEMORY = -ENOMEM,
    UXT_ERROR_IO_ERROR = -EIO,
    UXT_ERROR_NOT_FOUND = -0x01100000 | 0x50,
    UXT_ERROR_INVALID_OPERATION = -0x01100000 | 0x51
} uxt_error_e;

typedef enum {
    UXT_THEME_STYLE_DEFAULT = 0,
    UXT_THEME_STYLE_DARK = 1,
    UXT_THEME_STYLE_LIGHT = 2
} uxt_theme_style_e;

typedef enum { UXT_THEME_CHANGED_COLOR = 0, UXT_THEME_CHANGED_FONT = 1 } uxt_theme_changed_type_e;

typedef struct uxt_theme_color_table_s* uxt_theme_color_table_h;
typedef struct uxt_theme_font_table_s* uxt_theme_font_table_h;

typedef void (*uxt_theme_changed_cb)(void* user_data);

int uxt_theme_set_changeable_ui_enabled(bool enabled);
int uxt_theme_set_style(uxt_theme_style_e style);

/* A table read from an XML file; NULL (and one log line) when the file is missing or
 * malformed. set makes it current; delete releases it. */
uxt_theme_color_table_h uxt_theme_add_color_table(const char* file_path);
int uxt_theme_set_color_table(uxt_theme_color_table_h table);
int uxt_theme_delete_color_table(uxt_theme_color_table_h table);
uxt_theme_font_table_h uxt_theme_add_font_table(const char* file_path);
int uxt_theme_set_font_table(uxt_theme_font_table_h table);
int uxt_theme_delete_font_table(uxt_theme_font_table_h table);

/* The colour of a code in the current table. */
int uxt_theme_get_color(const char* code, int* r, int* g, int* b, int* a);
/* Font family, style and size of a code in the current table; strings newly allocated. */
int uxt_theme_get_font(const char* code, char** family, char** style, int* size);

/* The callback runs on the main loop after each change of that type: the current table's
 * file changed on disk, or another table became current. */
int uxt_theme_add_changed_callback(uxt_theme_changed_type_e type, uxt_theme_changed_cb callback,
                                   void* user_data);
int uxt_theme_delete_changed_callback(uxt_theme_changed_type_e type, uxt_theme_changed_cb callback);

/* The widget takes the current table's colours for its two codes (for a button: the
 * background, then the text) and follows later table changes until it is deleted. */
int uxt_theme_object_replace_color(Evas_Object* obj, const char* first_code,
                                   const char* second_code);

#ifdef __cplusplus
}
#endif

#endif
