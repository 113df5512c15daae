#include "app_bus.h"
#include "watch_appfw.h"
#include "watch_bus.h"
#include "watch_device.h"

#include <Ecore.h>

#include <cstdarg>

namespace watchctl {

namespace {

// Applications answer their own bus calls at once; only launch requests take their time.
constexpr double kCallTimeout = 10.0;

struct Waiter {
    Eldbus_Message* answer = nullptr;
    bool waiting = true;
    bool timedOut = false;
};

} // namespace

AppBus::AppBus() = default;

AppBus::~AppBus() {
    if (mConnection)
        watch::bus::Release(mConnection);
    if (mEcore)
        ecore_shutdown();
}

bool AppBus::Open(std::string* error) {
    ecore_app_no_system_modules();
    ecore_init();
    mEcore = true;
    mConnection = watch::bus::Connect();
    if (!mConnection) {
        *error = "the device in " + watch::DeviceRoot() + " is not booted (no device bus)";
        return false;
    }
    return true;
}

Eldbus_Message* AppBus::Call(Eldbus_Message* msg, double timeoutSeconds, std::string* error) {
    Waiter waiter;
    Eldbus_Pending* pending = eldbus_connection_send(
        mConnection, msg,
        [](void* data, const Eldbus_Message* answer, Eldbus_Pending*) {
            Waiter* w = static_cast<Waiter*>(data);
            if (!w->waiting)
                return; // cancelled after the time-out
            w->answer = eldbus_message_ref(const_cast<Eldbus_Message*>(answer));
            w->waiting = false;
            ecore_main_loop_quit();
        },
        &waiter, timeoutSeconds * 1000.0);
    if (!pending) {
        *error = "the bus refused the message";
        return nullptr;
    }
    Ecore_Timer* timer = ecore_timer_add(
        timeoutSeconds + 1.0,
        [](void* data) -> Eina_Bool {
            static_cast<Waiter*>(data)->timedOut = true;
            ecore_main_loop_quit();
            return ECORE_CALLBACK_CANCEL;
        },
        &waiter);
    ecore_main_loop_begin();
    if (!waiter.timedOut)
        ecore_timer_del(timer);
    if (waiter.waiting) {
        waiter.waiting = false;
        eldbus_pending_cancel(pending);
        *error = "no answer within " + std::to_string(static_cast<int>(timeoutSeconds)) + " s";
        return nullptr;
    }
    const char* name = nullptr;
    const char* text = nullptr;
    if (eldbus_message_error_get(waiter.answer, &name, &text)) {
        *error = std::string(text && *text ? text : name ? name : "error");
        eldbus_message_unref(waiter.answer);
        return nullptr;
    }
    return waiter.answer;
}

void AppBus::Wait(double seconds) {
    ecore_timer_add(
        seconds,
        [](void*) -> Eina_Bool {
            ecore_main_loop_quit();
            return ECORE_CALLBACK_CANCEL;
        },
        nullptr);
    ecore_main_loop_begin();
}

std::string AppBus::Owner(const std::string& name) {
    Eldbus_Message* msg = eldbus_message_method_call_new(ELDBUS_FDO_BUS, ELDBUS_FDO_PATH,
                                                         ELDBUS_FDO_INTERFACE, "GetNameOwner");
    eldbus_message_arguments_append(msg, "s", name.c_str());
    std::string error;
    Eldbus_Message* answer = Call(msg, kCallTimeout, &error);
    if (!answer)
        return std::string();
    const char* owner = nullptr;
    std::string result;
    if (eldbus_message_arguments_get(answer, "s", &owner))
        result = owner;
    eldbus_message_unref(answer);
    return result;
}

std::string AppBus::RunningApp(const std::string& appId, std::string* error) {
    watch::AppInfo app;
    if (!watch::FindApp(appId, &app)) {
        *error = "no application \"" + appId + "\" is installed";
        return std::string();
    }
    const std::string busName = watch::appfw::BusName(appId);
    // The owner, never the name itself: a call to the name would start the application.
    const std::string owner = busName.empty() ? std::string() : Owner(busName);
    if (owner.empty())
        *error = appId + " is not running";
    return owner;
}

Eldbus_Message* AppBus::CallApp(const std::string& destination, const char* method,
                                std::string* error, const char* signature, ...) {
    Eldbus_Message* msg = eldbus_message_method_call_new(
        destination.c_str(), watch::appfw::kObjectPath, watch::appfw::kInterface, method);
    if (!msg) {
        *error = "cannot make the message";
        return nullptr;
    }
    if (signature) {
        va_list ap;
        va_start(ap, signature);
        const bool ok = eldbus_message_arguments_vappend(msg, signature, ap);
        va_end(ap);
        if (!ok) {
            eldbus_message_unref(msg);
            *error = "cannot make the message";
            return nullptr;
        }
    }
    return Call(msg, kCallTimeout, error);
}

} // namespace watchctl
