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
 * scroller by itself on a detent: the screen that owns the scroller decides (the
 * scroller's own wheel scrolling is switched off while the indicator exists).
 *
 * The object is an Evas VG object, a smart member of the scroller (so it shows, hides and
 * is deleted with it, and its parent in rotary propagation is the scroller), covering the
 * surface's conformant (the canvas without a surface). Its root container holds four
 * named shapes: "eext.vbar.track", "eext.vbar.thumb" (an arc on the right edge, 60
 * degrees long, content top at its upper end) and "eext.hbar.track", "eext.hbar.thumb"
 * (bottom edge, content left at its left end). A thumb's length is the visible share of
 * the content, its place the scroll position.
 *
 * Policy per bar: OFF hides it, ON shows it, AUTO (the default) shows it while the
 * scroller scrolls and for one second after. One circle object per scroller: a second
 * call returns the first object. NULL (and a log line) for anything but an elm scroller. */
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

/* A detent goes to the activated object. The callbacks registered on it and on each of
 * its parents (the widget parent, else the smart parent) run, all of them ordered by
 * priority (lowest first), then nearest object first, then registration order, until
 * one returns EINA_TRUE. With no activated object on the window that got the wheel or
 * key, nothing is delivered. A deleted object's registrations and activation go with it.
 *
 * While an object of a window is activated, a wheel notch there is a detent and is not
 * scrolled by the widgets under the pointer (EVAS_EVENT_FLAG_ON_HOLD). Evas only sends
 * the wheel to the objects under the pointer, so a fed wheel needs the pointer in the
 * canvas first (evas_event_feed_mouse_in and _move). The keys are grabbed exclusively on
 * every window that has a registration or activation. */
Eina_Bool eext_rotary_object_event_callback_add(Evas_Object* obj, Eext_Rotary_Event_Cb func,
                                                void* data);
Eina_Bool eext_rotary_object_event_callback_priority_add(Evas_Object* obj, int priority,
                                                         Eext_Rotary_Event_Cb func, void* data);
/* Returns the data of the removed registration, or NULL. */
void* eext_rotary_object_event_callback_del(Evas_Object* obj, Eext_Rotary_Event_Cb func);
/* At most one object is activated; activating another deactivates the previous one. */
void eext_rotary_object_event_activated_set(Evas_Object* obj, Eina_Bool activated);

/* Hardware keys. Delivered to the object of the window that got the key whose
 * registration of that kind is the most recent: all its callbacks of that kind run, in
 * registration order, with event_info NULL. */
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
