/* The UX theme: colours and fonts of the toolkit's widgets that can change at run time,
 * driven by colour and font tables (XML files).
 *
 * Colour table:                                   Font table:
 *   <color-table>                                   <font-table>
 *     <color code="B065L4" rgba="#0A5FC9FF"/>         <font code="T0111" family="Sans"
 *   </color-table>                                          style="Bold" size="30"/>
 *                                                   </font-table>
 * rgba is #RRGGBB or #RRGGBBAA (not premultiplied); style defaults to "Regular"; size is
 * 1 to 1000. At least one entry, codes unique, nothing else but comments.
 *
 * The current tables are published as global Edje classes named after their codes: a
 * colour class per colour code, a text class ("family:style=Style", size) per font code.
 * All calls belong to the main loop. */
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

/* Enabled, widgets given colours with uxt_theme_object_replace_color follow every later
 * change of the colour table; disabled (the start), they keep the colours they were
 * given. Enabling brings them up to date. */
int uxt_theme_set_changeable_ui_enabled(bool enabled);
int uxt_theme_set_style(uxt_theme_style_e style);
uxt_theme_style_e uxt_theme_get_style(void);

/* A table read from an XML file; NULL (and one log line) when the file is missing or
 * malformed or an entry is bad. set makes it current (UXT_ERROR_INVALID_PARAMETER for an
 * unknown handle); delete releases it, and deleting the current table leaves the look as
 * it is until another one is set. While a table is current its file is followed: a
 * change on disk that reads cleanly replaces its values (one log line and the old values
 * kept when it does not). */
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
 * file changed on disk, or another table became current. For a set it runs from a job
 * after the call, for the registrations present at the call. */
int uxt_theme_add_changed_callback(uxt_theme_changed_type_e type, uxt_theme_changed_cb callback,
                                   void* user_data);
int uxt_theme_delete_changed_callback(uxt_theme_changed_type_e type, uxt_theme_changed_cb callback);

/* The widget takes the current table's colours for its two codes (for a button: the
 * background, then the text) and follows later table changes until it is deleted. The
 * colours go to the widget's own edje object (elm_layout_edje_get, or obj itself when
 * it is an edje object) as the per-object colour classes "uxt.first" and "uxt.second": a
 * theme group that wants them uses those colour classes. UXT_ERROR_NOT_FOUND (and one
 * log line) when there is no current table or it lacks a code; the widget is followed
 * all the same. */
int uxt_theme_object_replace_color(Evas_Object* obj, const char* first_code,
                                   const char* second_code);

#ifdef __cplusplus
}
#endif

#endif
