/* The round-screen and rotary extension of the toolkit: a circle surface bound to the
 * conformant, circle objects drawn along the edge of the round screen (the scroll
 * indicator of a scroller), rotary detents of the bezel, and the back and more keys.
 *
 * On the desktop, one mouse-wheel notch is one detent (down = clockwise), and so are the
 * Down, Right and Next (page down) keys (clockwise) and Up, Left and Prior (page up).
 * Escape is the back key, Menu the more key. */
#ifndef WATCH_EFL_EXTENSION_H
#define WATCH_EFL_EXTENSION_H

#include <Elementary.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Circle surface and circle objects. */
typedef struct _Eext_Circle_Surface Eext_Circle_Surface;

Eext_Circle_Surface* eext_circle_surface_conformant_add(Evas_Object* conformant);
void eext_circle_surface_del(Eext_Circle_Surface* surface);

/* A round scroll indicator along the screen's edge that follows the scroller. The
 * returned object stands for the scroller in rotary activation; it does not scroll the
 * scroller by itself on a detent: the screen that owns the scroller decides. */
Evas_Object* eext_circle_object_scroller_add(Evas_Object* scroller, Eext_Circle_Surface* surface);
void eext_circle_object_scroller_policy_set(Evas_Object* obj, Elm_Scroller_Policy policy_h,
                                            Elm_Scroller_Policy policy_v);
void eext_circle_object_scroller_policy_get(const Evas_Object* obj, Elm_Scroller_Policy* policy_h,
                                            Elm_Scroller_Policy* policy_v);

/* Rotary events. */
typedef enum {
    EEXT_ROTARY_DIRECTION_CLOCKWISE,
    EEXT_ROTARY_DIRECTION_COUNTER_CLOCKWISE
} Eext_Rotary_Event_Direction;

typedef struct {
    Eext_Rotary_Event_Direction direction;
    unsigned int time_stamp;
} Eext_Rotary_Event_Info;

/* Return EINA_TRUE to consume the detent (no later callback sees it). */
typedef Eina_Bool (*Eext_Rotary_Event_Cb)(void* data, Evas_Object* obj,
                                          Eext_Rotary_Event_Info* info);

#define EEXT_CALLBACK_PRIORITY_BEFORE -100
#define EEXT_CALLBACK_PRIORITY_DEFAULT 0
#define EEXT_CALLBACK_PRIORITY_AFTER 100

/* A detent goes to the activated object: the callbacks registered on it, then on each of
 * its parent objects, run in priority order (lowest first) until one returns EINA_TRUE.
 * With no activated object nothing is delivered. */
Eina_Bool eext_rotary_object_event_callback_add(Evas_Object* obj, Eext_Rotary_Event_Cb func,
                                                void* data);
Eina_Bool eext_rotary_object_event_callback_priority_add(Evas_Object* obj, int priority,
                                                         Eext_Rotary_Event_Cb func, void* data);
/* Returns the data of the removed registration, or NULL. */
void* eext_rotary_object_event_callback_del(Evas_Object* obj, Eext_Rotary_Event_Cb func);
/* At most one object is activated; activating another deactivates the previous one. */
void eext_rotary_object_event_activated_set(Evas_Object* obj, Eina_Bool activated);

/* Hardware keys. Delivered to the most recently registered object of the focused window. */
typedef enum { EEXT_CALLBACK_BACK, EEXT_CALLBACK_MORE, EEXT_CALLBACK_LAST } Eext_Callback_Type;

typedef void (*Eext_Event_Cb)(void* data, Evas_Object* obj, void* event_info);

void eext_object_event_callback_add(Evas_Object* obj, Eext_Callback_Type type, Eext_Event_Cb func,
                                    void* data);
/* Returns the data of the removed registration, or NULL. */
void* eext_object_event_callback_del(Evas_Object* obj, Eext_Callback_Type type, Eext_Event_Cb func);

#ifdef __cplusplus
}
#endif

#endif
