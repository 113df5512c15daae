// The circle surface and the round scroll indicator.
//
// A circle scroller is an Evas VG object made a smart member of its scroller: it shows,
// hides, clips and dies with the scroller, and its smart parent is the scroller, which is
// where rotary detents go next. It covers the round screen (the surface's conformant)
// and draws each bar as an arc along the edge: a dim track and a bright thumb whose
// length is the visible share of the content and whose place is the scroll position.
// Vertical bar: right edge, top of the content at the upper end; horizontal bar: bottom
// edge, left of the content at the left end.
#include "efl_extension.h"

#include "dlog.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace {
struct CircleScroller;
}

struct _Eext_Circle_Surface {
    Evas_Object* conformant = nullptr;
    std::vector<CircleScroller*> objects;
};

namespace {

const char* const kTag = "WATCH-EEXT";
// Data keys: the record on the circle object, and on the scroller it belongs to.
const char* const kObjectKey = "eext.circle.object";
const char* const kScrollerKey = "eext.circle.scroller";

const double kStrokeWidth = 8.0;
const double kEdgeGap = 4.0;    // between the screen's edge and the stroke
const double kHalfTrack = 30.0; // degrees either side of a bar's middle
const double kMinThumb = 6.0;   // degrees, so a long content keeps a visible thumb
const double kAutoHideDelay = 1.0;

struct CircleScroller {
    Evas_Object* vg = nullptr;
    Evas_Object* scroller = nullptr; // null once the scroller is going away
    Evas_Object* content = nullptr;  // whose resize we follow
    Eext_Circle_Surface* surface = nullptr;
    Evas_Vg_Shape* vTrack = nullptr;
    Evas_Vg_Shape* vThumb = nullptr;
    Evas_Vg_Shape* hTrack = nullptr;
    Evas_Vg_Shape* hThumb = nullptr;
    Elm_Scroller_Policy policyH = ELM_SCROLLER_POLICY_AUTO;
    Elm_Scroller_Policy policyV = ELM_SCROLLER_POLICY_AUTO;
    bool scrolling = false; // AUTO bars show while this holds
    Ecore_Timer* hideTimer = nullptr;
    Eina_Bool wheelWasDisabled = EINA_FALSE;
};

std::unordered_set<Eext_Circle_Surface*> gSurfaces;

CircleScroller* CircleOf(const Evas_Object* obj) {
    return obj ? static_cast<CircleScroller*>(evas_object_data_get(obj, kObjectKey)) : nullptr;
}

void ScreenGeometry(const CircleScroller* cs, int* x, int* y, int* w, int* h) {
    *x = *y = *w = *h = 0;
    if (cs->surface)
        evas_object_geometry_get(cs->surface->conformant, x, y, w, h);
    if (*w <= 0 || *h <= 0) {
        *x = *y = 0;
        evas_output_size_get(evas_object_evas_get(cs->vg), w, h);
    }
}

// One bar. `start` is the angle (degrees, counter-clockwise from 3 o'clock) where the
// content's beginning lies, `sign` the way the thumb travels from there.
void DrawBar(Evas_Vg_Shape* track, Evas_Vg_Shape* thumb, bool visible, double bx, double by,
             double d, double start, double sign, int offset, int viewport, int content) {
    evas_vg_shape_reset(track);
    evas_vg_shape_reset(thumb);
    evas_vg_node_visible_set(track, visible);
    evas_vg_node_visible_set(thumb, visible);
    if (!visible)
        return;
    const double span = 2 * kHalfTrack;
    double length = span;
    double position = 0;
    if (content > viewport && viewport > 0) {
        length = std::max(kMinThumb, span * viewport / content);
        position = std::clamp(double(offset) / double(content - viewport), 0.0, 1.0);
    }
    const double from = start + sign * position * (span - length);
    const double to = from + sign * length;
    evas_vg_shape_append_arc(track, bx, by, d, d, std::min(start, start + sign * span), span);
    evas_vg_shape_append_arc(thumb, bx, by, d, d, std::min(from, to), length);
}

bool BarVisible(const CircleScroller* cs, Elm_Scroller_Policy policy) {
    return policy == ELM_SCROLLER_POLICY_ON ||
           (policy == ELM_SCROLLER_POLICY_AUTO && cs->scrolling);
}

void ContentResizeCb(void* data, Evas*, Evas_Object*, void*);
void ContentDelCb(void* data, Evas*, Evas_Object*, void*);

void Unfollow(CircleScroller* cs) {
    if (!cs->content)
        return;
    evas_object_event_callback_del_full(cs->content, EVAS_CALLBACK_RESIZE, ContentResizeCb, cs);
    evas_object_event_callback_del_full(cs->content, EVAS_CALLBACK_DEL, ContentDelCb, cs);
    cs->content = nullptr;
}

// The content can be set or replaced at any time; its size decides the thumb's length.
void FollowContent(CircleScroller* cs) {
    Evas_Object* content = elm_object_content_get(cs->scroller);
    if (content == cs->content)
        return;
    Unfollow(cs);
    if (!content)
        return;
    cs->content = content;
    evas_object_event_callback_add(content, EVAS_CALLBACK_RESIZE, ContentResizeCb, cs);
    evas_object_event_callback_add(content, EVAS_CALLBACK_DEL, ContentDelCb, cs);
}

void Update(CircleScroller* cs) {
    if (!cs->scroller)
        return;
    FollowContent(cs);
    int sx, sy, sw, sh;
    ScreenGeometry(cs, &sx, &sy, &sw, &sh);
    evas_object_geometry_set(cs->vg, sx, sy, sw, sh);
    evas_object_raise(cs->vg);
    const double radius = std::min(sw, sh) / 2.0 - kEdgeGap - kStrokeWidth / 2;
    Evas_Coord rx = 0, ry = 0, rw = 0, rh = 0, cw = 0, ch = 0;
    elm_scroller_region_get(cs->scroller, &rx, &ry, &rw, &rh);
    // The content's own size: on its resize the scroller has not taken it in yet.
    if (cs->content)
        evas_object_geometry_get(cs->content, nullptr, nullptr, &cw, &ch);
    else
        elm_scroller_child_size_get(cs->scroller, &cw, &ch);
    const bool room = radius > 0;
    const double bx = sw / 2.0 - radius, by = sh / 2.0 - radius, d = 2 * radius;
    DrawBar(cs->vTrack, cs->vThumb, room && BarVisible(cs, cs->policyV), bx, by, d, kHalfTrack, -1,
            ry, rh, ch);
    DrawBar(cs->hTrack, cs->hThumb, room && BarVisible(cs, cs->policyH), bx, by, d,
            270 - kHalfTrack, 1, rx, rw, cw);
}

void ContentResizeCb(void* data, Evas*, Evas_Object*, void*) {
    Update(static_cast<CircleScroller*>(data));
}

void ContentDelCb(void* data, Evas*, Evas_Object*, void*) {
    Unfollow(static_cast<CircleScroller*>(data));
}

Eina_Bool AutoHideCb(void* data) {
    auto* cs = static_cast<CircleScroller*>(data);
    cs->hideTimer = nullptr;
    cs->scrolling = false;
    Update(cs);
    return ECORE_CALLBACK_CANCEL;
}

void ScrollCb(void* data, Evas_Object*, void*) {
    auto* cs = static_cast<CircleScroller*>(data);
    if (cs->policyH == ELM_SCROLLER_POLICY_AUTO || cs->policyV == ELM_SCROLLER_POLICY_AUTO) {
        cs->scrolling = true;
        if (cs->hideTimer)
            ecore_timer_reset(cs->hideTimer);
        else
            cs->hideTimer = ecore_timer_add(kAutoHideDelay, AutoHideCb, cs);
    }
    Update(cs);
}

void ScrollStopCb(void* data, Evas_Object*, void*) {
    Update(static_cast<CircleScroller*>(data));
}

void ScrollerGeometryCb(void* data, Evas*, Evas_Object*, void*) {
    Update(static_cast<CircleScroller*>(data));
}

void ScrollerDelCb(void* data, Evas*, Evas_Object*, void*);

void Detach(CircleScroller* cs) {
    if (!cs->surface)
        return;
    auto& list = cs->surface->objects;
    list.erase(std::remove(list.begin(), list.end(), cs), list.end());
    cs->surface = nullptr;
}

// Lets go of the scroller (its callbacks, its wheel setting) and of the surface.
void Unhook(CircleScroller* cs, bool scrollerGoing) {
    if (cs->hideTimer) {
        ecore_timer_del(cs->hideTimer);
        cs->hideTimer = nullptr;
    }
    Unfollow(cs);
    Detach(cs);
    Evas_Object* scroller = cs->scroller;
    if (!scroller)
        return;
    cs->scroller = nullptr;
    evas_object_smart_callback_del_full(scroller, "scroll", ScrollCb, cs);
    evas_object_smart_callback_del_full(scroller, "scroll,anim,stop", ScrollStopCb, cs);
    evas_object_smart_callback_del_full(scroller, "scroll,drag,stop", ScrollStopCb, cs);
    evas_object_event_callback_del_full(scroller, EVAS_CALLBACK_MOVE, ScrollerGeometryCb, cs);
    evas_object_event_callback_del_full(scroller, EVAS_CALLBACK_RESIZE, ScrollerGeometryCb, cs);
    evas_object_event_callback_del_full(scroller, EVAS_CALLBACK_DEL, ScrollerDelCb, cs);
    evas_object_data_del(scroller, kScrollerKey);
    if (!scrollerGoing)
        elm_scroller_wheel_disabled_set(scroller, cs->wheelWasDisabled);
}

void ScrollerDelCb(void* data, Evas*, Evas_Object*, void*) {
    auto* cs = static_cast<CircleScroller*>(data);
    Unhook(cs, true);
    // The member would otherwise outlive the scroller until the canvas goes.
    evas_object_del(cs->vg);
}

void VgDelCb(void* data, Evas*, Evas_Object*, void*) {
    auto* cs = static_cast<CircleScroller*>(data);
    Unhook(cs, false);
    delete cs;
}

void SurfaceGeometryCb(void* data, Evas*, Evas_Object*, void*) {
    auto* surface = static_cast<Eext_Circle_Surface*>(data);
    for (CircleScroller* cs : surface->objects)
        Update(cs);
}

void SurfaceFree(Eext_Circle_Surface* surface, bool conformantGoing);

void SurfaceConformantDelCb(void* data, Evas*, Evas_Object*, void*) {
    SurfaceFree(static_cast<Eext_Circle_Surface*>(data), true);
}

// Circle objects outlive their surface: they fall back to the canvas as their screen.
void SurfaceFree(Eext_Circle_Surface* surface, bool conformantGoing) {
    std::vector<CircleScroller*> objects;
    objects.swap(surface->objects);
    for (CircleScroller* cs : objects) {
        cs->surface = nullptr;
        if (!conformantGoing)
            Update(cs);
    }
    Evas_Object* conformant = surface->conformant;
    evas_object_event_callback_del_full(conformant, EVAS_CALLBACK_DEL, SurfaceConformantDelCb,
                                        surface);
    evas_object_event_callback_del_full(conformant, EVAS_CALLBACK_RESIZE, SurfaceGeometryCb,
                                        surface);
    evas_object_event_callback_del_full(conformant, EVAS_CALLBACK_MOVE, SurfaceGeometryCb, surface);
    gSurfaces.erase(surface);
    delete surface;
}

Evas_Vg_Shape* AddShape(Evas_Vg_Container* root, const char* name, int r, int g, int b, int a) {
    Evas_Vg_Shape* shape = evas_vg_shape_add(root);
    efl_name_set(shape, name);
    evas_vg_node_color_set(shape, 0, 0, 0, 0); // stroke only, no fill
    evas_vg_shape_stroke_width_set(shape, kStrokeWidth);
    evas_vg_shape_stroke_cap_set(shape, EVAS_VG_CAP_ROUND);
    evas_vg_shape_stroke_color_set(shape, r, g, b, a);
    evas_vg_node_visible_set(shape, EINA_FALSE);
    return shape;
}

bool ValidPolicy(Elm_Scroller_Policy policy) {
    return policy == ELM_SCROLLER_POLICY_AUTO || policy == ELM_SCROLLER_POLICY_ON ||
           policy == ELM_SCROLLER_POLICY_OFF;
}

} // namespace

extern "C" {

Eext_Circle_Surface* eext_circle_surface_conformant_add(Evas_Object* conformant) {
    if (!conformant) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "circle surface not made: conformant is NULL");
        return nullptr;
    }
    auto* surface = new _Eext_Circle_Surface;
    surface->conformant = conformant;
    evas_object_event_callback_add(conformant, EVAS_CALLBACK_DEL, SurfaceConformantDelCb, surface);
    evas_object_event_callback_add(conformant, EVAS_CALLBACK_RESIZE, SurfaceGeometryCb, surface);
    evas_object_event_callback_add(conformant, EVAS_CALLBACK_MOVE, SurfaceGeometryCb, surface);
    gSurfaces.insert(surface);
    return surface;
}

void eext_circle_surface_del(Eext_Circle_Surface* surface) {
    if (!surface || !gSurfaces.count(surface)) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "circle surface not deleted: %s",
                     surface ? "unknown surface" : "surface is NULL");
        return;
    }
    SurfaceFree(surface, false);
}

Evas_Object* eext_circle_object_scroller_add(Evas_Object* scroller, Eext_Circle_Surface* surface) {
    if (!scroller || !elm_object_widget_check(scroller) ||
        strcmp(elm_object_widget_type_get(scroller), "Elm_Scroller") != 0) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "circle scroller not made: %s",
                     scroller ? "the object is not an elm scroller" : "scroller is NULL");
        return nullptr;
    }
    if (surface && !gSurfaces.count(surface)) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "circle scroller not made: unknown surface");
        return nullptr;
    }
    if (auto* existing = static_cast<CircleScroller*>(evas_object_data_get(scroller, kScrollerKey)))
        return existing->vg;

    Evas_Object* vg = evas_object_vg_add(evas_object_evas_get(scroller));
    if (!vg) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "circle scroller not made: no vector object");
        return nullptr;
    }
    auto* cs = new CircleScroller;
    cs->vg = vg;
    cs->scroller = scroller;
    cs->surface = surface;
    if (surface)
        surface->objects.push_back(cs);

    Evas_Vg_Container* root = evas_vg_container_add(vg);
    cs->vTrack = AddShape(root, "eext.vbar.track", 60, 60, 60, 60);
    cs->vThumb = AddShape(root, "eext.vbar.thumb", 250, 250, 250, 255);
    cs->hTrack = AddShape(root, "eext.hbar.track", 60, 60, 60, 60);
    cs->hThumb = AddShape(root, "eext.hbar.thumb", 250, 250, 250, 255);
    evas_object_vg_root_node_set(vg, root);
    evas_object_pass_events_set(vg, EINA_TRUE);
    evas_object_data_set(vg, kObjectKey, cs);
    evas_object_data_set(scroller, kScrollerKey, cs);
    evas_object_smart_member_add(vg, scroller);

    // Detents belong to the screen that owns the scroller, so the wheel that stands for
    // them on the desktop must not scroll it either.
    cs->wheelWasDisabled = elm_scroller_wheel_disabled_get(scroller);
    elm_scroller_wheel_disabled_set(scroller, EINA_TRUE);

    evas_object_event_callback_add(vg, EVAS_CALLBACK_DEL, VgDelCb, cs);
    evas_object_smart_callback_add(scroller, "scroll", ScrollCb, cs);
    evas_object_smart_callback_add(scroller, "scroll,anim,stop", ScrollStopCb, cs);
    evas_object_smart_callback_add(scroller, "scroll,drag,stop", ScrollStopCb, cs);
    evas_object_event_callback_add(scroller, EVAS_CALLBACK_MOVE, ScrollerGeometryCb, cs);
    evas_object_event_callback_add(scroller, EVAS_CALLBACK_RESIZE, ScrollerGeometryCb, cs);
    evas_object_event_callback_add(scroller, EVAS_CALLBACK_DEL, ScrollerDelCb, cs);
    Update(cs);
    return vg;
}

void eext_circle_object_scroller_policy_set(Evas_Object* obj, Elm_Scroller_Policy policy_h,
                                            Elm_Scroller_Policy policy_v) {
    CircleScroller* cs = CircleOf(obj);
    if (!cs || !ValidPolicy(policy_h) || !ValidPolicy(policy_v)) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "circle scroller policy not set: %s",
                     cs ? "unknown policy" : "not a circle scroller");
        return;
    }
    cs->policyH = policy_h;
    cs->policyV = policy_v;
    Update(cs);
}

void eext_circle_object_scroller_policy_get(const Evas_Object* obj, Elm_Scroller_Policy* policy_h,
                                            Elm_Scroller_Policy* policy_v) {
    CircleScroller* cs = CircleOf(obj);
    if (!cs)
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "circle scroller policy: not a circle scroller");
    if (policy_h)
        *policy_h = cs ? cs->policyH : ELM_SCROLLER_POLICY_LAST;
    if (policy_v)
        *policy_v = cs ? cs->policyV : ELM_SCROLLER_POLICY_LAST;
}

} // extern "C"
