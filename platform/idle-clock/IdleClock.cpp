#include "IdleClock.h"

#include "dlog.h"
#include "watch_appfw.h"
#include "watch_bus.h"
#include "watch_device.h"

#include <app_control.h>

#include <Ecore.h>
#include <Eldbus.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace watch {
namespace idleclock {

namespace {

#define LOGI(...) __dlog_print(LOG_ID_SYSTEM, DLOG_INFO, kTag, __VA_ARGS__)
#define LOGE(...) __dlog_print(LOG_ID_SYSTEM, DLOG_ERROR, kTag, __VA_ARGS__)

} // namespace

IdleClock::~IdleClock() {
    Stop();
}

bool IdleClock::Start(std::string* error) {
    if (mWatching)
        return true;
    const int rc = vconf_notify_key_changed(WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, OnShowChanged, this);
    if (rc != VCONF_OK) {
        *error = std::string("vconf_notify_key_changed(") + WATCH_VCONF_KEY_IDLE_CLOCK_SHOW +
                 ") failed [" + std::to_string(rc) + "]";
        return false;
    }
    mWatching = true;
    // A request made while no component ran is served now.
    int show = 0;
    if (vconf_get_int(WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, &show) == VCONF_OK && show == 1)
        Request();
    return true;
}

void IdleClock::Stop() {
    if (mTransition) {
        ecore_timer_del(mTransition);
        mTransition = nullptr;
    }
    if (!mWatching)
        return;
    mWatching = false;
    const int rc = vconf_ignore_key_changed(WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, OnShowChanged);
    if (rc != VCONF_OK)
        LOGE("vconf_ignore_key_changed(%s) failed [%d]", WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, rc);
}

void IdleClock::OnShowChanged(keynode_t* node, void* data) {
    IdleClock* self = static_cast<IdleClock*>(data);
    const char* name = vconf_keynode_get_name(node);
    if (!name || strcmp(name, WATCH_VCONF_KEY_IDLE_CLOCK_SHOW) != 0)
        return;
    if (vconf_keynode_get_type(node) != VCONF_TYPE_INT) {
        LOGE("%s changed to a value that is not an integer: ignored",
             WATCH_VCONF_KEY_IDLE_CLOCK_SHOW);
        return;
    }
    if (vconf_keynode_get_int(node) == 1)
        self->Request();
}

void IdleClock::Request() {
    // A request while one is being served is the same request.
    if (mTransition)
        return;
    mTransition = ecore_timer_add(kTransition, OnTransitionEnd, this);
    LOGI("%s is 1: the idle clock comes in %.1f s", WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, kTransition);
}

Eina_Bool IdleClock::OnTransitionEnd(void* data) {
    IdleClock* self = static_cast<IdleClock*>(data);
    self->mTransition = nullptr;
    int show = 0;
    if (vconf_get_int(WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, &show) == VCONF_OK && show != 1)
        LOGI("%s was set to %d meanwhile: the clock stays as it is",
             WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, show);
    else
        self->ShowIdleClock();
    return ECORE_CALLBACK_CANCEL;
}

void IdleClock::ShowIdleClock() {
    char* clock = vconf_get_str(WATCH_VCONF_KEY_CLOCKS_SET_IDLE);
    const std::string appId = clock ? clock : "";
    free(clock);
    if (appId.empty()) {
        LOGE("%s is 1 but %s names no clock: nothing to show", WATCH_VCONF_KEY_IDLE_CLOCK_SHOW,
             WATCH_VCONF_KEY_CLOCKS_SET_IDLE);
    } else {
        app_control_h request = nullptr;
        int rc = app_control_create(&request);
        if (rc == APP_CONTROL_ERROR_NONE)
            rc = app_control_set_app_id(request, appId.c_str());
        if (rc == APP_CONTROL_ERROR_NONE)
            rc = app_control_set_operation(request, APP_CONTROL_OPERATION_MAIN);
        if (rc == APP_CONTROL_ERROR_NONE)
            rc = app_control_send_launch_request(request, nullptr, nullptr);
        if (request)
            app_control_destroy(request);
        if (rc == APP_CONTROL_ERROR_NONE) {
            ++mHandOvers;
            LOGI("idle clock %s brought to the front", appId.c_str());
        } else {
            LOGE("cannot bring the idle clock %.255s to the front: launch request failed [%d]",
                 appId.c_str(), rc);
        }
    }
    const int rc = vconf_set_int(WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, 0);
    if (rc != VCONF_OK)
        LOGE("vconf_set_int(%s, 0) failed [%d]", WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, rc);
}

namespace {

struct Daemon {
    Eldbus_Connection* connection = nullptr;
    int nameResult = -1; // the bus's answer to the name request, or -1 while none came
    bool lost = false;
};

void OnNameRequested(void* data, const Eldbus_Message* msg, Eldbus_Pending*) {
    Daemon* daemon = static_cast<Daemon*>(data);
    unsigned reply = 0;
    if (eldbus_message_error_get(msg, nullptr, nullptr) ||
        !eldbus_message_arguments_get(msg, "u", &reply))
        daemon->nameResult = 0;
    else
        daemon->nameResult = static_cast<int>(reply);
    ecore_main_loop_quit();
}

void OnDisconnected(void* data, Eldbus_Connection*, void*) {
    static_cast<Daemon*>(data)->lost = true;
    LOGI("the device bus went away: stopping");
    ecore_main_loop_quit();
}

Eina_Bool OnExitSignal(void*, int, void*) {
    ecore_main_loop_quit();
    return ECORE_CALLBACK_DONE;
}

Eina_Bool OnTimeout(void* data) {
    *static_cast<bool*>(data) = true;
    ecore_main_loop_quit();
    return ECORE_CALLBACK_CANCEL;
}

// The bus name, so that a second component of the same device sees the first. 1 when
// owned, 0 when another component owns it, -1 on failure.
int ClaimName(Daemon* daemon) {
    Eldbus_Pending* pending =
        eldbus_name_request(daemon->connection, kBusName, ELDBUS_NAME_REQUEST_FLAG_DO_NOT_QUEUE,
                            OnNameRequested, daemon);
    if (!pending)
        return -1;
    bool timedOut = false;
    Ecore_Timer* timer = ecore_timer_add(5.0, OnTimeout, &timedOut);
    ecore_main_loop_begin();
    if (timedOut) {
        eldbus_pending_cancel(pending);
        return -1;
    }
    ecore_timer_del(timer);
    if (daemon->nameResult == ELDBUS_NAME_REQUEST_REPLY_PRIMARY_OWNER ||
        daemon->nameResult == ELDBUS_NAME_REQUEST_REPLY_ALREADY_OWNER)
        return 1;
    return daemon->nameResult == ELDBUS_NAME_REQUEST_REPLY_EXISTS ? 0 : -1;
}

// Tells whoever started us that we serve, then lets go of standard output.
void SignalReady() {
    fputs("ready\n", stdout);
    fflush(stdout);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
}

} // namespace

int Main(int, char**) {
    ecore_app_no_system_modules();
    if (!ecore_init()) {
        LOGE("ecore_init failed");
        return 1;
    }
    int status = 0;
    Daemon daemon;
    daemon.connection = bus::Connect();
    if (!daemon.connection) {
        LOGE("no device bus in %s: the idle-clock component does not start", DeviceRoot().c_str());
        ecore_shutdown();
        return 1;
    }
    const int claimed = ClaimName(&daemon);
    if (claimed <= 0) {
        if (claimed == 0)
            LOGI("another idle-clock component serves %s already", DeviceRoot().c_str());
        else
            LOGE("cannot claim the bus name %s", kBusName);
        bus::Release(daemon.connection);
        ecore_shutdown();
        return claimed == 0 ? 0 : 1;
    }
    eldbus_connection_event_callback_add(daemon.connection, ELDBUS_CONNECTION_EVENT_DISCONNECTED,
                                         OnDisconnected, &daemon);
    Ecore_Event_Handler* exitHandler =
        ecore_event_handler_add(ECORE_EVENT_SIGNAL_EXIT, OnExitSignal, nullptr);

    {
        IdleClock clock;
        std::string error;
        if (!clock.Start(&error)) {
            LOGE("%s: the idle-clock component does not start", error.c_str());
            status = 1;
        } else {
            LOGI("serving %s: %s shows the clock named by %s", DeviceRoot().c_str(),
                 WATCH_VCONF_KEY_IDLE_CLOCK_SHOW, WATCH_VCONF_KEY_CLOCKS_SET_IDLE);
            SignalReady();
            ecore_main_loop_begin();
            LOGI("stopped after %d hand-overs", clock.HandOvers());
        }
    }

    ecore_event_handler_del(exitHandler);
    watch::appfw::ShutdownLaunches();
    if (!daemon.lost)
        eldbus_connection_event_callback_del(
            daemon.connection, ELDBUS_CONNECTION_EVENT_DISCONNECTED, OnDisconnected, &daemon);
    bus::Release(daemon.connection);
    ecore_shutdown();
    return status;
}

} // namespace idleclock
} // namespace watch
