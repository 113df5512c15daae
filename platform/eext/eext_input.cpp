// Rotary detents and the back and more keys.
//
// Each canvas that has a registered or activated object gets one sink: a transparent
// rectangle above everything that repeats events to the objects below it. The wheel
// reaches it wherever the pointer is, and its key grabs catch the bezel keys and the
// hardware keys whatever widget has the focus. Registrations live in one table keyed by
// object; an EVAS_CALLBACK_DEL on every tracked object drops its entry, so no callback
// ever reaches a deleted object.
#include "efl_extension.h"

#include "dlog.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

const char* const kTag = "WATCH-EEXT";

// One wheel event never turns into more detents than this, whatever its delta.
const int kMaxDetentsPerEvent = 10;
// Guards the parent walk against a cycle in a broken object tree.
const int kMaxParentDepth = 64;

struct RotaryReg {
    uint64_t id;
    int priority;
    Eext_Rotary_Event_Cb func;
    void* data;
};

struct KeyReg {
    uint64_t id;
    Eext_Event_Cb func;
    void* data;
};

struct Tracked {
    std::vector<RotaryReg> rotary;
    std::vector<KeyReg> keys[EEXT_CALLBACK_LAST];

    bool Empty() const {
        if (!rotary.empty())
            return false;
        for (const auto& list : keys)
            if (!list.empty())
                return false;
        return true;
    }
};

// Every object in this table carries our DEL callback.
std::unordered_map<Evas_Object*, Tracked> gTracked;
Evas_Object* gActivated = nullptr;
// Registration ids grow with time: a larger id is a more recent registration.
uint64_t gNextId = 1;
std::unordered_map<Evas*, Evas_Object*> gSinks;

enum class KeyAction { Clockwise, CounterClockwise, Back, More };

struct KeyBinding {
    const char* name;
    KeyAction action;
};

const KeyBinding kKeys[] = {
    {"Down", KeyAction::Clockwise},        {"Right", KeyAction::Clockwise},
    {"Next", KeyAction::Clockwise},        {"Up", KeyAction::CounterClockwise},
    {"Left", KeyAction::CounterClockwise}, {"Prior", KeyAction::CounterClockwise},
    {"Escape", KeyAction::Back},           {"Menu", KeyAction::More},
};

void ObjectDelCb(void*, Evas*, Evas_Object* obj, void*) {
    gTracked.erase(obj);
    if (gActivated == obj)
        gActivated = nullptr;
}

Tracked& Track(Evas_Object* obj) {
    auto it = gTracked.find(obj);
    if (it != gTracked.end())
        return it->second;
    evas_object_event_callback_add(obj, EVAS_CALLBACK_DEL, ObjectDelCb, nullptr);
    return gTracked[obj];
}

// Stops watching an object that has nothing registered and is not activated.
void ReleaseIfUnused(Evas_Object* obj) {
    auto it = gTracked.find(obj);
    if (it == gTracked.end() || !it->second.Empty() || gActivated == obj)
        return;
    evas_object_event_callback_del_full(obj, EVAS_CALLBACK_DEL, ObjectDelCb, nullptr);
    gTracked.erase(it);
}

// The object a detent moves on to: the widget parent, else the smart parent (so a
// circle object, a member of its scroller, hands detents on to that scroller).
Evas_Object* NextInChain(Evas_Object* obj) {
    if (elm_object_widget_check(obj)) {
        Evas_Object* parent = elm_object_parent_widget_get(obj);
        if (parent)
            return parent;
    }
    return evas_object_smart_parent_get(obj);
}

bool FindRotary(Evas_Object* obj, uint64_t id, RotaryReg* out) {
    auto it = gTracked.find(obj);
    if (it == gTracked.end())
        return false;
    for (const auto& reg : it->second.rotary) {
        if (reg.id == id) {
            *out = reg;
            return true;
        }
    }
    return false;
}

bool FindKey(Evas_Object* obj, Eext_Callback_Type type, uint64_t id, KeyReg* out) {
    auto it = gTracked.find(obj);
    if (it == gTracked.end())
        return false;
    for (const auto& reg : it->second.keys[type]) {
        if (reg.id == id) {
            *out = reg;
            return true;
        }
    }
    return false;
}

bool ActivatedOn(Evas* canvas) {
    return gActivated && evas_object_evas_get(gActivated) == canvas;
}

// One detent to the activated object and its parents: every callback on the chain in
// priority order, then nearest object first, then registration order, until one
// consumes it. The order is fixed before the first call; a registration removed (or
// whose object is deleted) by an earlier callback is skipped.
void DeliverDetent(Eext_Rotary_Event_Direction direction, unsigned int timestamp) {
    struct Step {
        Evas_Object* obj;
        uint64_t id;
        int priority;
        int depth;
    };
    std::vector<Step> steps;
    int depth = 0;
    for (Evas_Object* obj = gActivated; obj && depth < kMaxParentDepth;
         obj = NextInChain(obj), ++depth) {
        auto it = gTracked.find(obj);
        if (it == gTracked.end())
            continue;
        for (const auto& reg : it->second.rotary)
            steps.push_back({obj, reg.id, reg.priority, depth});
    }
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) {
        if (a.priority != b.priority)
            return a.priority < b.priority;
        if (a.depth != b.depth)
            return a.depth < b.depth;
        return a.id < b.id;
    });
    for (const auto& step : steps) {
        RotaryReg reg;
        if (!FindRotary(step.obj, step.id, &reg))
            continue;
        Eext_Rotary_Event_Info info;
        info.direction = direction;
        info.time_stamp = timestamp;
        if (reg.func(reg.data, step.obj, &info))
            return;
    }
}

// The back or more key: every callback of that kind on the object of this canvas that
// registered one most recently, in registration order.
bool DeliverKey(Evas* canvas, Eext_Callback_Type type) {
    Evas_Object* target = nullptr;
    uint64_t newest = 0;
    for (const auto& entry : gTracked) {
        const auto& list = entry.second.keys[type];
        if (list.empty() || evas_object_evas_get(entry.first) != canvas)
            continue;
        if (list.back().id > newest) {
            newest = list.back().id;
            target = entry.first;
        }
    }
    if (!target)
        return false;
    std::vector<uint64_t> ids;
    for (const auto& reg : gTracked[target].keys[type])
        ids.push_back(reg.id);
    for (uint64_t id : ids) {
        KeyReg reg;
        if (!FindKey(target, type, id, &reg))
            continue;
        reg.func(reg.data, target, nullptr);
    }
    return true;
}

void SinkWheelCb(void*, Evas* canvas, Evas_Object*, void* info) {
    auto* ev = static_cast<Evas_Event_Mouse_Wheel*>(info);
    if (!ev || ev->z == 0 || !ActivatedOn(canvas))
        return;
    // A detent is the bezel's: scrollers below must not also scroll on it.
    ev->event_flags = Evas_Event_Flags(ev->event_flags | EVAS_EVENT_FLAG_ON_HOLD);
    const Eext_Rotary_Event_Direction direction =
        ev->z > 0 ? EEXT_ROTARY_DIRECTION_CLOCKWISE : EEXT_ROTARY_DIRECTION_COUNTER_CLOCKWISE;
    const int count = std::min(std::abs(ev->z), kMaxDetentsPerEvent);
    for (int i = 0; i < count && ActivatedOn(canvas); ++i)
        DeliverDetent(direction, ev->timestamp);
}

void SinkKeyDownCb(void*, Evas* canvas, Evas_Object*, void* info) {
    auto* ev = static_cast<Evas_Event_Key_Down*>(info);
    if (!ev || !ev->keyname)
        return;
    for (const auto& key : kKeys) {
        if (strcmp(ev->keyname, key.name) != 0)
            continue;
        bool handled = false;
        switch (key.action) {
        case KeyAction::Clockwise:
        case KeyAction::CounterClockwise:
            if (ActivatedOn(canvas)) {
                DeliverDetent(key.action == KeyAction::Clockwise
                                  ? EEXT_ROTARY_DIRECTION_CLOCKWISE
                                  : EEXT_ROTARY_DIRECTION_COUNTER_CLOCKWISE,
                              ev->timestamp);
                handled = true;
            }
            break;
        case KeyAction::Back:
            handled = DeliverKey(canvas, EEXT_CALLBACK_BACK);
            break;
        case KeyAction::More:
            handled = DeliverKey(canvas, EEXT_CALLBACK_MORE);
            break;
        }
        if (handled)
            ev->event_flags = Evas_Event_Flags(ev->event_flags | EVAS_EVENT_FLAG_ON_HOLD);
        return;
    }
}

void SinkDelCb(void* data, Evas*, Evas_Object*, void*) {
    gSinks.erase(static_cast<Evas*>(data));
}

// The canvas-level handling of one window, made once, when its first object registers
// or is activated; it goes with the canvas.
void EnsureSink(Evas_Object* obj) {
    Evas* canvas = evas_object_evas_get(obj);
    if (!canvas || gSinks.count(canvas))
        return;
    Evas_Object* sink = evas_object_rectangle_add(canvas);
    if (!sink) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "no input sink on this canvas: wheel and keys will not be delivered");
        return;
    }
    evas_object_color_set(sink, 0, 0, 0, 0);
    // Far larger than any screen, so a canvas resize never needs following.
    evas_object_geometry_set(sink, -100000, -100000, 200000, 200000);
    evas_object_repeat_events_set(sink, EINA_TRUE);
    evas_object_layer_set(sink, EVAS_LAYER_MAX);
    evas_object_show(sink);
    evas_object_event_callback_add(sink, EVAS_CALLBACK_MOUSE_WHEEL, SinkWheelCb, nullptr);
    evas_object_event_callback_add(sink, EVAS_CALLBACK_KEY_DOWN, SinkKeyDownCb, nullptr);
    evas_object_event_callback_add(sink, EVAS_CALLBACK_DEL, SinkDelCb, canvas);
    for (const auto& key : kKeys) {
        // Exclusive: on the device these keys belong to the bezel and the system alone.
        if (evas_object_key_grab(sink, key.name, 0, 0, EINA_TRUE))
            continue;
        if (!evas_object_key_grab(sink, key.name, 0, 0, EINA_FALSE))
            __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "cannot grab the key \"%s\"", key.name);
    }
    gSinks[canvas] = sink;
}

} // namespace

extern "C" {

Eina_Bool eext_rotary_object_event_callback_add(Evas_Object* obj, Eext_Rotary_Event_Cb func,
                                                void* data) {
    return eext_rotary_object_event_callback_priority_add(obj, EEXT_CALLBACK_PRIORITY_DEFAULT, func,
                                                          data);
}

Eina_Bool eext_rotary_object_event_callback_priority_add(Evas_Object* obj, int priority,
                                                         Eext_Rotary_Event_Cb func, void* data) {
    if (!obj || !func) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "rotary callback not added: %s is NULL",
                     obj ? "callback" : "object");
        return EINA_FALSE;
    }
    EnsureSink(obj);
    Track(obj).rotary.push_back({gNextId++, priority, func, data});
    return EINA_TRUE;
}

void* eext_rotary_object_event_callback_del(Evas_Object* obj, Eext_Rotary_Event_Cb func) {
    auto it = obj ? gTracked.find(obj) : gTracked.end();
    if (it != gTracked.end()) {
        auto& list = it->second.rotary;
        for (auto reg = list.rbegin(); reg != list.rend(); ++reg) {
            if (reg->func != func)
                continue;
            void* data = reg->data;
            list.erase(std::next(reg).base());
            ReleaseIfUnused(obj);
            return data;
        }
    }
    __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "rotary callback not deleted: no such registration");
    return nullptr;
}

void eext_rotary_object_event_activated_set(Evas_Object* obj, Eina_Bool activated) {
    if (!obj) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "rotary activation: object is NULL");
        return;
    }
    if (activated) {
        if (gActivated == obj)
            return;
        Evas_Object* previous = gActivated;
        EnsureSink(obj);
        Track(obj);
        gActivated = obj;
        if (previous)
            ReleaseIfUnused(previous);
    } else if (gActivated == obj) {
        gActivated = nullptr;
        ReleaseIfUnused(obj);
    }
}

void eext_object_event_callback_add(Evas_Object* obj, Eext_Callback_Type type, Eext_Event_Cb func,
                                    void* data) {
    if (!obj || !func || type < EEXT_CALLBACK_BACK || type >= EEXT_CALLBACK_LAST) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "key callback not added: %s",
                     !obj    ? "object is NULL"
                     : !func ? "callback is NULL"
                             : "unknown key type");
        return;
    }
    EnsureSink(obj);
    Track(obj).keys[type].push_back({gNextId++, func, data});
}

void* eext_object_event_callback_del(Evas_Object* obj, Eext_Callback_Type type,
                                     Eext_Event_Cb func) {
    auto it = obj ? gTracked.find(obj) : gTracked.end();
    if (it != gTracked.end() && type >= EEXT_CALLBACK_BACK && type < EEXT_CALLBACK_LAST) {
        auto& list = it->second.keys[type];
        for (auto reg = list.rbegin(); reg != list.rend(); ++reg) {
            if (reg->func != func)
                continue;
            void* data = reg->data;
            list.erase(std::next(reg).base());
            ReleaseIfUnused(obj);
            return data;
        }
    }
    __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "key callback not deleted: no such registration");
    return nullptr;
}

} // extern "C"
