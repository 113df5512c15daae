#include "screen_reader.h"
#include "app_window.h"
#include "appfw_log.h"

#include <Ecore.h>
#include <Ecore_Input.h>
#include <Ecore_Input_Evas.h>
#include <Eldbus.h>
#include <Elementary.h>

#include <cstdlib>
#include <cstring>

namespace watch {
namespace appfw {
namespace screen_reader {

namespace {

const char* const kA11yBus = "org.a11y.Bus";
const char* const kA11yPath = "/org/a11y/bus";
const char* const kStatusInterface = "org.a11y.Status";
// A screen reader sets IsEnabled when it starts; a desktop's setting sets
// ScreenReaderEnabled. Either one switches the bridge on.
const char* const kIsEnabled = "IsEnabled";
const char* const kScreenReaderEnabled = "ScreenReaderEnabled";
// The session bus is asked once the application has opened: its start never waits for it.
const double kConnectDelay = 0.5;

struct Watch {
    std::string appName;
    Ecore_Timer* timer = nullptr;
    Eldbus_Connection* connection = nullptr;
    bool ownerWatched = false;
    Eldbus_Object* object = nullptr; // holds the proxy, its signal handler and calls
    Eldbus_Proxy* properties = nullptr;
    Eldbus_Pending* get = nullptr;
    Ecore_Event_Handler* bridgeHandler = nullptr;
    Ecore_Event_Filter* keyFilter = nullptr;
    bool isEnabled = false;
    bool screenReaderEnabled = false;
    bool bridgeOn = false;
};

Watch* gWatch = nullptr;

void SetBridge(Watch* watch) {
    const bool on = watch->isEnabled || watch->screenReaderEnabled;
    if (watch->bridgeOn == on)
        return;
    watch->bridgeOn = on;
    LOG_INFO("screen reader %s: accessibility bridge %s", on ? "on" : "off",
             on ? "switched on" : "switched off");
    if (on)
        elm_app_name_set(watch->appName.c_str());
    elm_config_atspi_mode_set(on ? EINA_TRUE : EINA_FALSE);
}

// Reads a boolean out of a variant; false for anything else.
bool BoolOf(Eldbus_Message_Iter* variant) {
    Eina_Bool value = EINA_FALSE;
    return variant && eldbus_message_iter_arguments_get(variant, "b", &value) && value;
}

// Takes the status properties of an a{sv}; the others are left as they are.
void ReadStatus(Watch* watch, Eldbus_Message_Iter* properties) {
    Eldbus_Message_Iter* entry = nullptr;
    while (eldbus_message_iter_get_and_next(properties, 'e', &entry)) {
        const char* key = nullptr;
        Eldbus_Message_Iter* variant = nullptr;
        if (!eldbus_message_iter_arguments_get(entry, "sv", &key, &variant))
            continue;
        if (strcmp(key, kIsEnabled) == 0)
            watch->isEnabled = BoolOf(variant);
        else if (strcmp(key, kScreenReaderEnabled) == 0)
            watch->screenReaderEnabled = BoolOf(variant);
    }
    SetBridge(watch);
}

void OnGetAll(void* data, const Eldbus_Message* msg, Eldbus_Pending*) {
    Watch* watch = static_cast<Watch*>(data);
    watch->get = nullptr;
    const char* name = nullptr;
    const char* text = nullptr;
    Eldbus_Message_Iter* properties = nullptr;
    if (eldbus_message_error_get(msg, &name, &text)) {
        if (name && strstr(name, "Canceled"))
            return; // the watch ends
        LOG_WARN("accessibility bus status unreadable: %s", text ? text : name);
        return;
    }
    if (eldbus_message_arguments_get(msg, "a{sv}", &properties))
        ReadStatus(watch, properties);
}

void OnPropertiesChanged(void* data, const Eldbus_Message* msg) {
    Watch* watch = static_cast<Watch*>(data);
    const char* interface = nullptr;
    Eldbus_Message_Iter* changed = nullptr;
    Eldbus_Message_Iter* invalidated = nullptr;
    if (!eldbus_message_arguments_get(msg, "sa{sv}as", &interface, &changed, &invalidated) ||
        strcmp(interface, kStatusInterface) != 0)
        return;
    ReadStatus(watch, changed);
}

void ForgetBus(Watch* watch) {
    if (watch->get) {
        eldbus_pending_cancel(watch->get);
        watch->get = nullptr;
    }
    if (watch->object) {
        eldbus_object_unref(watch->object); // with its proxy and signal handler
        watch->object = nullptr;
        watch->properties = nullptr;
    }
}

// The accessibility bus is asked only once it runs: asking it earlier would start it.
void OnOwner(void* data, const char*, const char*, const char* newId) {
    Watch* watch = static_cast<Watch*>(data);
    ForgetBus(watch);
    if (!newId || !*newId) {
        watch->isEnabled = watch->screenReaderEnabled = false;
        SetBridge(watch);
        return;
    }
    watch->object = eldbus_object_get(watch->connection, kA11yBus, kA11yPath);
    watch->properties =
        watch->object ? eldbus_proxy_get(watch->object, ELDBUS_FDO_INTERFACE_PROPERTIES) : nullptr;
    if (!watch->properties)
        return;
    eldbus_proxy_signal_handler_add(watch->properties, "PropertiesChanged", OnPropertiesChanged,
                                    watch);
    watch->get =
        eldbus_proxy_call(watch->properties, "GetAll", OnGetAll, watch, -1, "s", kStatusInterface);
}

// The window got the focus before the bridge was up, so nobody heard of it: once the
// bridge is connected, the active window and its focused object are told again.
Eina_Bool OnBridgeState(void*, int, void* event) {
    auto* state = static_cast<Elm_Event_Atspi_Bridge_State_Changed*>(event);
    if (state && state->state == ELM_ATSPI_BRIDGE_CONNECTED)
        windows::AnnounceActive();
    return ECORE_CALLBACK_PASS_ON;
}

// While the bridge is on, the toolkit holds back every key until the accessibility
// registry has answered whether a listener took it, and then loses the keys nobody took:
// the application would get no key at all. Keys go to the window's canvas here first,
// as they do without a screen reader, and are not offered to the registry.
Eina_Bool KeyFilter(void* data, void*, int type, void* event) {
    const Watch* watch = static_cast<const Watch*>(data);
    if (!watch->bridgeOn)
        return EINA_TRUE;
    if (type == ECORE_EVENT_KEY_DOWN)
        ecore_event_evas_key_down(nullptr, type, event);
    else if (type == ECORE_EVENT_KEY_UP)
        ecore_event_evas_key_up(nullptr, type, event);
    else
        return EINA_TRUE;
    return EINA_FALSE;
}

Eina_Bool Connect(void* data) {
    Watch* watch = static_cast<Watch*>(data);
    watch->timer = nullptr;
    watch->connection = eldbus_connection_get(ELDBUS_CONNECTION_TYPE_SESSION);
    if (!watch->connection) {
        LOG_WARN("no session bus at %s: no screen reader can be followed",
                 getenv("DBUS_SESSION_BUS_ADDRESS"));
        return ECORE_CALLBACK_CANCEL;
    }
    eldbus_name_owner_changed_callback_add(watch->connection, kA11yBus, OnOwner, watch, EINA_TRUE);
    watch->ownerWatched = true;
    return ECORE_CALLBACK_CANCEL;
}

} // namespace

void Start(const std::string& appName) {
    const char* session = getenv("DBUS_SESSION_BUS_ADDRESS");
    if (gWatch || !session || !*session)
        return;
    eldbus_init();
    gWatch = new Watch();
    gWatch->appName = appName;
    gWatch->timer = ecore_timer_add(kConnectDelay, Connect, gWatch);
    gWatch->bridgeHandler =
        ecore_event_handler_add(ELM_EVENT_ATSPI_BRIDGE_STATE_CHANGED, OnBridgeState, nullptr);
    // Before the bridge's own filter, which is added when it connects.
    gWatch->keyFilter = ecore_event_filter_add(nullptr, KeyFilter, nullptr, gWatch);
}

void Stop() {
    Watch* watch = gWatch;
    if (!watch)
        return;
    gWatch = nullptr;
    if (watch->timer)
        ecore_timer_del(watch->timer);
    if (watch->bridgeHandler)
        ecore_event_handler_del(watch->bridgeHandler);
    if (watch->keyFilter)
        ecore_event_filter_del(watch->keyFilter);
    ForgetBus(watch);
    if (watch->ownerWatched)
        eldbus_name_owner_changed_callback_del(watch->connection, kA11yBus, OnOwner, watch);
    if (watch->connection)
        eldbus_connection_unref(watch->connection);
    delete watch;
    eldbus_shutdown();
}

} // namespace screen_reader
} // namespace appfw
} // namespace watch
