// Window tracking through Elementary's window trap (the same calls reach it on every
// engine, the buffer engine included), input fed into a window's canvas, and the bus
// methods that reach the windows.
#define EFL_BETA_API_SUPPORT
#define EFL_ACCESS_OBJECT_PROTECTED
#include "app_window.h"
#include "watch_appfw.h"

#include <Elementary.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace watch {
namespace appfw {
namespace windows {

namespace {

struct Window {
    Evas_Object* object = nullptr;
    bool shown = false;
    bool iconified = false;
    bool withdrawn = false;
    unsigned long raisedAt = 0; // order of the last raise, for "the front window"
};

std::vector<Window*> gWindows;
ChangeCallback gCallback = nullptr;
bool gLowered = false;
unsigned long gRaiseCount = 0;
unsigned int gTimestamp = 0;

bool Visible(const Window* w) {
    return w->shown && !w->iconified && !w->withdrawn;
}

void Changed(Window* w, bool raised) {
    if (raised) {
        gLowered = false;
        w->raisedAt = ++gRaiseCount;
    }
    if (gCallback)
        gCallback(raised);
}

void OnIconified(void* data, Evas_Object*, void*) {
    Window* w = static_cast<Window*>(data);
    if (w->iconified)
        return;
    w->iconified = true;
    Changed(w, false);
}

void OnNormal(void* data, Evas_Object*, void*) {
    Window* w = static_cast<Window*>(data);
    if (!w->iconified && !w->withdrawn)
        return;
    w->iconified = w->withdrawn = false;
    Changed(w, true);
}

void OnWithdrawn(void* data, Evas_Object*, void*) {
    Window* w = static_cast<Window*>(data);
    if (w->withdrawn)
        return;
    w->withdrawn = true;
    Changed(w, false);
}

void* TrapAdd(Evas_Object* object) {
    Window* w = new Window();
    w->object = object;
    gWindows.push_back(w);
    // A window manager may iconify or restore the window by itself.
    evas_object_smart_callback_add(object, "iconified", OnIconified, w);
    evas_object_smart_callback_add(object, "normal", OnNormal, w);
    evas_object_smart_callback_add(object, "withdrawn", OnWithdrawn, w);
    return w;
}

void TrapDel(void* data, Evas_Object* object) {
    Window* w = static_cast<Window*>(data);
    evas_object_smart_callback_del_full(object, "iconified", OnIconified, w);
    evas_object_smart_callback_del_full(object, "normal", OnNormal, w);
    evas_object_smart_callback_del_full(object, "withdrawn", OnWithdrawn, w);
    gWindows.erase(std::remove(gWindows.begin(), gWindows.end(), w), gWindows.end());
    const bool wasVisible = Visible(w);
    delete w;
    if (wasVisible && gCallback)
        gCallback(false);
}

Eina_Bool TrapShow(void* data, Evas_Object*) {
    Window* w = static_cast<Window*>(data);
    w->shown = true;
    Changed(w, true);
    return EINA_TRUE;
}

Eina_Bool TrapHide(void* data, Evas_Object*) {
    Window* w = static_cast<Window*>(data);
    w->shown = false;
    Changed(w, false);
    return EINA_TRUE;
}

Eina_Bool TrapLower(void* data, Evas_Object*) {
    gLowered = true;
    Changed(static_cast<Window*>(data), false);
    return EINA_TRUE;
}

Eina_Bool TrapRaise(void* data, Evas_Object*) {
    Changed(static_cast<Window*>(data), true);
    return EINA_TRUE;
}

Eina_Bool TrapActivate(void* data, Evas_Object*) {
    Window* w = static_cast<Window*>(data);
    w->iconified = false;
    Changed(w, true);
    return EINA_TRUE;
}

Eina_Bool TrapIconified(void* data, Evas_Object*, Eina_Bool on) {
    Window* w = static_cast<Window*>(data);
    w->iconified = on;
    Changed(w, !on);
    return EINA_TRUE;
}

Eina_Bool TrapWithdrawn(void* data, Evas_Object*, Eina_Bool on) {
    Window* w = static_cast<Window*>(data);
    w->withdrawn = on;
    Changed(w, !on);
    return EINA_TRUE;
}

Elm_Win_Trap MakeTrap() {
    Elm_Win_Trap trap;
    memset(&trap, 0, sizeof(trap));
    trap.version = ELM_WIN_TRAP_VERSION;
    trap.add = TrapAdd;
    trap.del = TrapDel;
    trap.show = TrapShow;
    trap.hide = TrapHide;
    trap.lower = TrapLower;
    trap.raise = TrapRaise;
    trap.activate = TrapActivate;
    trap.iconified_set = TrapIconified;
    trap.withdrawn_set = TrapWithdrawn;
    return trap;
}

// Elementary keeps the pointer: the trap lives as long as the process.
const Elm_Win_Trap gTrap = MakeTrap();

// The window input goes to: the last raised of the visible windows, else the last raised.
Window* FrontWindow() {
    Window* best = nullptr;
    for (Window* w : gWindows) {
        if (!best || (Visible(w) && !Visible(best)) ||
            (Visible(w) == Visible(best) && w->raisedAt > best->raisedAt))
            best = w;
    }
    return best;
}

Evas* FrontCanvas(std::string* error) {
    Window* w = FrontWindow();
    if (!w) {
        *error = "the application has no window";
        return nullptr;
    }
    return evas_object_evas_get(w->object);
}

unsigned int NextTimestamp() {
    // Loop time in milliseconds, kept rising so that each event is later than the last.
    unsigned int now = static_cast<unsigned int>(ecore_loop_time_get() * 1000.0);
    gTimestamp = now > gTimestamp ? now : gTimestamp + 1;
    return gTimestamp;
}

} // namespace

void Start(ChangeCallback callback) {
    gCallback = callback;
    elm_win_trap_set(&gTrap);
}

void Stop() {
    gCallback = nullptr;
}

void AnnounceActive() {
    for (Window* w : gWindows) {
        if (!Visible(w) || !elm_win_focus_get(w->object))
            continue;
        efl_access_window_activated_signal_emit(w->object);
        efl_access_state_changed_signal_emit(w->object, EFL_ACCESS_STATE_TYPE_ACTIVE, EINA_TRUE);
        Evas_Object* focused = elm_object_focused_object_get(w->object);
        if (focused)
            efl_access_state_changed_signal_emit(focused, EFL_ACCESS_STATE_TYPE_FOCUSED, EINA_TRUE);
    }
}

bool WantFront() {
    if (gLowered)
        return false;
    return std::any_of(gWindows.begin(), gWindows.end(), Visible);
}

void SetLowered(bool lowered) {
    gLowered = lowered;
}

bool FeedRotary(bool clockwise, unsigned notches, std::string* error) {
    Evas* canvas = FrontCanvas(error);
    if (!canvas)
        return false;
    // Wheel events go to the object under the pointer: keep the pointer on the canvas.
    if (!evas_pointer_inside_get(canvas)) {
        int w = 0, h = 0;
        evas_output_size_get(canvas, &w, &h);
        evas_event_feed_mouse_in(canvas, NextTimestamp(), nullptr);
        evas_event_feed_mouse_move(canvas, w / 2, h / 2, NextTimestamp(), nullptr);
    }
    for (unsigned i = 0; i < notches; ++i)
        evas_event_feed_mouse_wheel(canvas, 0, clockwise ? 1 : -1, NextTimestamp(), nullptr);
    return true;
}

bool FeedKey(const std::string& key, std::string* error) {
    Window* w = FrontWindow();
    Evas* canvas = FrontCanvas(error);
    if (!canvas)
        return false;
    // A window with nothing focused drops key events; a window manager would have given
    // the front window the focus.
    if (!evas_focus_get(canvas))
        evas_object_focus_set(w->object, EINA_TRUE);
    const char* string = key == "Escape" ? "\x1b" : key == "Return" ? "\r" : nullptr;
    const char* name = key.c_str();
    evas_event_feed_key_down(canvas, name, name, string, nullptr, NextTimestamp(), nullptr);
    evas_event_feed_key_up(canvas, name, name, string, nullptr, NextTimestamp(), nullptr);
    return true;
}

bool FeedTap(int x, int y, std::string* error) {
    Evas* canvas = FrontCanvas(error);
    if (!canvas)
        return false;
    if (!evas_pointer_inside_get(canvas))
        evas_event_feed_mouse_in(canvas, NextTimestamp(), nullptr);
    evas_event_feed_mouse_move(canvas, x, y, NextTimestamp(), nullptr);
    evas_event_feed_mouse_down(canvas, 1, EVAS_BUTTON_NONE, NextTimestamp(), nullptr);
    evas_event_feed_mouse_up(canvas, 1, EVAS_BUTTON_NONE, NextTimestamp(), nullptr);
    return true;
}

bool Screenshot(const std::string& path, int* width, int* height, std::string* error) {
    Evas* canvas = FrontCanvas(error);
    if (!canvas)
        return false;
    Ecore_Evas* ee = ecore_evas_ecore_evas_get(canvas);
    const char* engine = ee ? ecore_evas_engine_name_get(ee) : nullptr;
    if (!engine || strcmp(engine, "buffer") != 0) {
        *error = std::string("screenshots need the buffer engine; this window runs on ") +
                 (engine ? engine : "no engine");
        return false;
    }
    ecore_evas_manual_render(ee);
    int w = 0, h = 0;
    ecore_evas_geometry_get(ee, nullptr, nullptr, &w, &h);
    const void* pixels = ecore_evas_buffer_pixels_get(ee);
    if (!pixels || w <= 0 || h <= 0) {
        *error = "the window has no frame yet";
        return false;
    }
    // An image object on a scratch canvas writes the frame out through Evas's savers.
    Ecore_Evas* scratch = ecore_evas_buffer_new(1, 1);
    if (!scratch) {
        *error = "cannot make a canvas to save the frame";
        return false;
    }
    Evas_Object* image = evas_object_image_add(ecore_evas_get(scratch));
    evas_object_image_size_set(image, w, h);
    evas_object_image_alpha_set(image, ecore_evas_alpha_get(ee));
    evas_object_image_data_copy_set(image, const_cast<void*>(pixels));
    const bool saved = evas_object_image_save(image, path.c_str(), nullptr, nullptr);
    evas_object_del(image);
    ecore_evas_free(scratch);
    if (!saved) {
        *error = "cannot write " + path;
        return false;
    }
    *width = w;
    *height = h;
    return true;
}

// ---- the bus methods for the windows

namespace {

Gate* gGate = nullptr;

// Every window request begins here: the gate, or the refusal when there is none or it
// says no.
Gate* Admit(const Eldbus_Message* msg, const char* method, Eldbus_Message** refused) {
    if (!gGate) {
        *refused = eldbus_message_error_new(msg, kErrorEnding, "the application is ending");
        return nullptr;
    }
    *refused = gGate->CheckWindowRequest(msg, method);
    return *refused ? nullptr : gGate;
}

} // namespace

void SetGate(Gate* gate) {
    gGate = gate;
}

namespace methods {

Eldbus_Message* Pause(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Eldbus_Message* refused = nullptr;
    Gate* gate = Admit(msg, "Pause", &refused);
    if (!gate)
        return refused;
    SetLowered(true);
    gate->PauseRequested();
    return eldbus_message_method_return_new(msg);
}

Eldbus_Message* Resume(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Eldbus_Message* refused = nullptr;
    Gate* gate = Admit(msg, "Resume", &refused);
    if (!gate)
        return refused;
    gate->ResumeRequested();
    return eldbus_message_method_return_new(msg);
}

Eldbus_Message* Rotary(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Eldbus_Message* refused = nullptr;
    Gate* gate = Admit(msg, "Rotary", &refused);
    if (!gate)
        return refused;
    Eina_Bool clockwise = EINA_FALSE;
    unsigned int notches = 0;
    if (!eldbus_message_arguments_get(msg, "bu", &clockwise, &notches))
        return gate->Refuse(msg, kErrorInvalidRequest, "Rotary: unreadable arguments");
    if (notches == 0 || notches > 1000)
        return gate->Refuse(msg, kErrorInvalidRequest, "Rotary: notches must be 1 to 1000");
    std::string error;
    if (!FeedRotary(clockwise, notches, &error))
        return gate->Refuse(msg, kErrorNoWindow, error);
    return eldbus_message_method_return_new(msg);
}

Eldbus_Message* Key(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Eldbus_Message* refused = nullptr;
    Gate* gate = Admit(msg, "Key", &refused);
    if (!gate)
        return refused;
    const char* key = nullptr;
    if (!eldbus_message_arguments_get(msg, "s", &key))
        return gate->Refuse(msg, kErrorInvalidRequest, "Key: unreadable arguments");
    // Key names are short words (Escape, Menu, Return, XF86Back...).
    const std::string name(key);
    bool plain = !name.empty() && name.size() <= 64;
    for (unsigned char c : name)
        plain = plain && (isalnum(c) || c == '_');
    if (!plain)
        return gate->Refuse(msg, kErrorInvalidRequest, "Key: not a key name");
    std::string error;
    if (!FeedKey(name, &error))
        return gate->Refuse(msg, kErrorNoWindow, error);
    return eldbus_message_method_return_new(msg);
}

Eldbus_Message* Tap(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Eldbus_Message* refused = nullptr;
    Gate* gate = Admit(msg, "Tap", &refused);
    if (!gate)
        return refused;
    int x = 0, y = 0;
    if (!eldbus_message_arguments_get(msg, "ii", &x, &y))
        return gate->Refuse(msg, kErrorInvalidRequest, "Tap: unreadable arguments");
    if (x < -100000 || x > 100000 || y < -100000 || y > 100000)
        return gate->Refuse(msg, kErrorInvalidRequest, "Tap: the point is far off the screen");
    std::string error;
    if (!FeedTap(x, y, &error))
        return gate->Refuse(msg, kErrorNoWindow, error);
    return eldbus_message_method_return_new(msg);
}

Eldbus_Message* Screenshot(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Eldbus_Message* refused = nullptr;
    Gate* gate = Admit(msg, "Screenshot", &refused);
    if (!gate)
        return refused;
    const char* path = nullptr;
    if (!eldbus_message_arguments_get(msg, "s", &path))
        return gate->Refuse(msg, kErrorInvalidRequest, "Screenshot: unreadable arguments");
    const std::string file(path);
    const std::string suffix = ".png";
    if (file.empty() || file[0] != '/' || file.size() > 4096 || file.size() <= suffix.size() ||
        strcasecmp(file.c_str() + file.size() - suffix.size(), suffix.c_str()) != 0)
        return gate->Refuse(msg, kErrorInvalidRequest,
                            "Screenshot: the path must be absolute and end in .png");
    int width = 0, height = 0;
    std::string error;
    if (!windows::Screenshot(file, &width, &height, &error))
        return gate->Refuse(msg, kErrorFailed, "Screenshot: " + error);
    Eldbus_Message* answer = eldbus_message_method_return_new(msg);
    eldbus_message_arguments_append(answer, "ii", width, height);
    return answer;
}

} // namespace methods

} // namespace windows
} // namespace appfw
} // namespace watch
