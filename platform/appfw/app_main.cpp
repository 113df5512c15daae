// The application framework: runs a ui or service application on the EFL main loop,
// serves its launch requests on the device bus and keeps track of the foreground.
//
// Order of the lifecycle calls:
//   create                      false ends the application at once (no terminate)
//   app_control, resume         for each launch request (a start by hand gets an empty
//                               request that expects no reply); service applications get
//                               app_control only
//   pause / resume              leaving / coming back to the front (ui applications)
//   pause (when running), terminate
//                               after ui_app_exit, SIGTERM, SIGINT or a terminate request
#include "app.h"
#include "app_control_internal.h"
#include "app_window.h"
#include "screen_reader.h"
#include "watch_appfw.h"
#include "watch_bus.h"
#include "watch_device.h"
#include "watch_theme.h"

#include <Efreet.h>
#include <Elementary.h>
#include <vconf.h>

#include <unistd.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

namespace watch {
namespace appfw {

namespace {

// How long a program started by the bus waits for the request it was started for before
// it runs as if started by hand.
constexpr double kActivationWait = 3.0;
// How long start-up waits for the bus to give the application its name.
constexpr double kNameWait = 5.0;
// How long the end waits for answers to leave the process.
constexpr double kFlushWait = 1.0;

struct Callbacks {
    bool (*create)(void*) = nullptr;
    void (*terminate)(void*) = nullptr;
    void (*pause)(void*) = nullptr;
    void (*resume)(void*) = nullptr;
    void (*appControl)(app_control_h, void*) = nullptr;
};

enum class State { Starting, Created, Running, Paused, Terminating };

const char* StateName(State state) {
    switch (state) {
    case State::Starting:
    case State::Created:
        return "created";
    case State::Running:
        return "running";
    case State::Paused:
        return "paused";
    case State::Terminating:
        return "terminating";
    }
    return "created";
}

// Runs the main loop until *done or the time is up (outside the application's own loop).
void RunLoopUntil(const bool* done, double seconds) {
    if (*done)
        return;
    struct Wait {
        const bool* done;
        bool timedOut = false;
    } wait{done};
    Ecore_Timer* timer = ecore_timer_add(
        seconds,
        [](void* data) -> Eina_Bool {
            static_cast<Wait*>(data)->timedOut = true;
            ecore_main_loop_quit();
            return ECORE_CALLBACK_CANCEL;
        },
        &wait);
    // Checked each time the loop has handled its events and is about to sleep.
    Ecore_Idle_Enterer* check = ecore_idle_enterer_add(
        [](void* data) -> Eina_Bool {
            if (*static_cast<Wait*>(data)->done)
                ecore_main_loop_quit();
            return ECORE_CALLBACK_RENEW;
        },
        &wait);
    ecore_main_loop_begin();
    ecore_idle_enterer_del(check);
    if (!wait.timedOut)
        ecore_timer_del(timer);
}

class Runtime;
Runtime* gRuntime = nullptr;

class Runtime : public windows::Gate {
  public:
    Runtime(bool ui, const Callbacks& callbacks, void* userData)
        : mUi(ui), mCallbacks(callbacks), mUserData(userData) {}

    int Run(int argc, char** argv);
    void RequestExit();

  private:
    int JoinBus(bool activated);
    int AwaitName(bool activated);
    void LeaveBus();
    void ReleaseName();
    void StartDelivering(bool activated);
    void Deliver(app_control_h request);
    void ToFront();
    void ToBack(bool leaveFront);
    void RequestFront();
    void ReleaseFront();
    void QueryFront();
    void Finish();
    void Track(Eldbus_Pending* pending) {
        if (pending)
            mPending.insert(pending);
    }
    bool Untrack(Eldbus_Pending* pending) { return mPending.erase(pending) != 0; }

    static Eina_Bool OnSignalExit(void* data, int type, void* event);
    static Eina_Bool OnActivationTimeout(void* data);
    static void OnWindowChange(bool raised);
    static void OnNameReply(void* data, const Eldbus_Message* msg, Eldbus_Pending* pending);
    static void OnFrontSignal(void* data, const Eldbus_Message* msg);
    static void OnFrontOwner(void* data, const Eldbus_Message* msg, Eldbus_Pending* pending);
    static void OnFrontRequested(void* data, const Eldbus_Message* msg, Eldbus_Pending* pending);
    static void OnDisconnected(void* data, Eldbus_Connection* connection, void* event);

  public:
    // Methods of the bus interface.
    static Eldbus_Message* Launch(const Eldbus_Service_Interface*, const Eldbus_Message* msg);
    static Eldbus_Message* GetInfo(const Eldbus_Service_Interface*, const Eldbus_Message* msg);
    static Eldbus_Message* Terminate(const Eldbus_Service_Interface*, const Eldbus_Message* msg);

    // The window requests' gate: refuses them to service applications and before the
    // first resume.
    Eldbus_Message* CheckWindowRequest(const Eldbus_Message* msg, const char* method) override;
    Eldbus_Message* Refuse(const Eldbus_Message* msg, const char* errorName,
                           const std::string& text) override;
    void PauseRequested() override;
    void ResumeRequested() override;

  private:
    const bool mUi;
    const Callbacks mCallbacks;
    void* const mUserData;
    std::string mAppId;
    State mState = State::Starting;
    bool mLoopRunning = false; // the application's loop, or a wait of the framework's
    bool mExitRequested = false;
    bool mDelivering = false;
    bool mNameRequested = false;
    bool mNameReplied = false;
    bool mOwnsName = false;
    int mNameResult = -1;

    Eldbus_Connection* mConnection = nullptr;
    Eldbus_Service_Interface* mInterface = nullptr;
    Eldbus_Signal_Handler* mNameLost = nullptr;
    Eldbus_Signal_Handler* mNameAcquired = nullptr;
    std::set<Eldbus_Pending*> mPending;
    bool mFrontRequested = false;

    Ecore_Event_Handler* mSignalHandler = nullptr;
    Ecore_Timer* mActivationTimer = nullptr;
    std::vector<app_control_h> mQueued; // requests that came before create returned
};

namespace args {
const Eldbus_Arg_Info kLaunchIn[] = {{"a{sv}", "request"}, {nullptr, nullptr}};
const Eldbus_Arg_Info kLaunchOut[] = {{"i", "result"}, {"a{ss}", "extras"}, {nullptr, nullptr}};
const Eldbus_Arg_Info kInfoOut[] = {
    {"s", "app_id"}, {"s", "type"}, {"s", "state"}, {"u", "pid"}, {nullptr, nullptr}};
const Eldbus_Arg_Info kRotaryIn[] = {{"b", "clockwise"}, {"u", "notches"}, {nullptr, nullptr}};
const Eldbus_Arg_Info kKeyIn[] = {{"s", "key"}, {nullptr, nullptr}};
const Eldbus_Arg_Info kTapIn[] = {{"i", "x"}, {"i", "y"}, {nullptr, nullptr}};
const Eldbus_Arg_Info kScreenshotIn[] = {{"s", "path"}, {nullptr, nullptr}};
const Eldbus_Arg_Info kScreenshotOut[] = {{"i", "width"}, {"i", "height"}, {nullptr, nullptr}};
} // namespace args

const Eldbus_Method kMethods[] = {
    {"Launch", args::kLaunchIn, args::kLaunchOut, Runtime::Launch, 0},
    {"GetInfo", nullptr, args::kInfoOut, Runtime::GetInfo, 0},
    {"Pause", nullptr, nullptr, windows::methods::Pause, 0},
    {"Resume", nullptr, nullptr, windows::methods::Resume, 0},
    {"Terminate", nullptr, nullptr, Runtime::Terminate, 0},
    {"Rotary", args::kRotaryIn, nullptr, windows::methods::Rotary, 0},
    {"Key", args::kKeyIn, nullptr, windows::methods::Key, 0},
    {"Tap", args::kTapIn, nullptr, windows::methods::Tap, 0},
    {"Screenshot", args::kScreenshotIn, args::kScreenshotOut, windows::methods::Screenshot, 0},
    {nullptr, nullptr, nullptr, nullptr, 0}};

const Eldbus_Service_Interface_Desc kInterfaceDesc = {kInterface, kMethods, nullptr,
                                                      nullptr,    nullptr,  nullptr};

// Headless when asked (ELM_DISPLAY=buffer) or when there is no display to talk to.
void SelectEngine() {
    const char* display = getenv("ELM_DISPLAY");
    const char* x11 = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    const bool noDisplay = (!x11 || !*x11) && (!wayland || !*wayland);
    if ((display && strcmp(display, "buffer") == 0) || ((!display || !*display) && noDisplay)) {
        setenv("ELM_DISPLAY", "buffer", 1);
        setenv("ELM_ACCEL", "none", 0);
    }
}

// Applications start in the device's display language, as a user set it (or English on
// a device where nobody has): the locale and the translation lookups follow it.
void ApplyDeviceLanguage() {
    char* language = vconf_get_str(WATCH_VCONF_KEY_LANGUAGE);
    const char* chosen = language && *language ? language : "en_US.UTF-8";
    elm_language_set(chosen);
    if (!setlocale(LC_MESSAGES, nullptr) || strcmp(setlocale(LC_MESSAGES, nullptr), "C") == 0)
        LOG_WARN("locale %s is not available on this machine (run tools/setup-deps): texts stay "
                 "untranslated",
                 chosen);
    free(language);
}

int Runtime::Run(int argc, char** argv) {
    mAppId = CurrentAppId();
    if (mUi)
        SelectEngine();
    // The device has no use for EFL's system-bus watchers (power, hostname, locale).
    ecore_app_no_system_modules();

    // dbus-daemon names itself in the environment of the programs it starts.
    const bool activated = getenv("DBUS_STARTER_ADDRESS") != nullptr;
    unsetenv("DBUS_STARTER_ADDRESS");
    unsetenv("DBUS_STARTER_BUS_TYPE");

    // The bus answers the name request while the toolkit starts.
    int status = JoinBus(activated);
    if (mUi) {
        // Nor for the desktop's icon and menu caches: without this the toolkit starts their
        // daemon (efreetd), which keeps running and fills the terminal it was started from
        // with the system-bus errors the line above avoids in this process.
        efreet_cache_disable();
        elm_init(argc, argv);
        ApplyDeviceLanguage();
        // The device's own widget styles (round toast, bottom button...) over EFL's theme.
        watch_theme_apply();
    } else {
        ecore_init();
        ecore_app_args_set(argc, const_cast<const char**>(argv));
    }
    mSignalHandler = ecore_event_handler_add(ECORE_EVENT_SIGNAL_EXIT, OnSignalExit, this);

    if (status == APP_ERROR_NONE)
        status = AwaitName(activated);
    if (status == APP_ERROR_NONE && !mExitRequested) {
        if (mUi) {
            windows::Start(OnWindowChange);
            screen_reader::Start(mAppId);
        }
        const bool created = mCallbacks.create ? mCallbacks.create(mUserData) : true;
        if (!created) {
            LOG_ERROR("%s: create answered false: the application ends",
                      mAppId.empty() ? "application" : mAppId.c_str());
            status = APP_ERROR_INVALID_CONTEXT;
        } else {
            mState = State::Created;
            StartDelivering(activated);
            if (!mExitRequested) {
                mLoopRunning = true;
                ecore_main_loop_begin();
                mLoopRunning = false;
            }
            ReleaseName();
            Finish();
        }
    }

    // Whatever was not answered will not be: tell the callers now rather than at the
    // bus's disconnect.
    ReceivedRequest::FailAll(kErrorNotAnswered,
                             (mAppId.empty() ? std::string("the application") : mAppId) +
                                 " ended without replying");
    for (app_control_h request : mQueued)
        app_control_destroy(request);
    mQueued.clear();
    if (mActivationTimer) {
        ecore_timer_del(mActivationTimer);
        mActivationTimer = nullptr;
    }
    LeaveBus();
    ShutdownLaunches();
    if (mUi) {
        screen_reader::Stop();
        windows::Stop();
    }
    ecore_event_handler_del(mSignalHandler);
    if (mUi)
        elm_shutdown();
    else
        ecore_shutdown();
    return status;
}

int Runtime::JoinBus(bool activated) {
    Eldbus_Connection* connection = bus::Connect();
    if (!connection) {
        if (activated) {
            LOG_ERROR("%s: started by the device bus but cannot connect to it: exiting",
                      mAppId.c_str());
            return APP_ERROR_IO_ERROR;
        }
        return APP_ERROR_NONE; // runs on its own; bus::Connect logged why
    }
    const std::string busName = BusName(mAppId);
    if (busName.empty()) {
        LOG_WARN("no application id (set WATCH_APP_ID or run an installed program): the "
                 "application cannot be reached on the device bus");
        bus::Release(connection);
        return activated ? APP_ERROR_INVALID_CONTEXT : APP_ERROR_NONE;
    }
    mConnection = connection;
    eldbus_connection_event_callback_add(mConnection, ELDBUS_CONNECTION_EVENT_DISCONNECTED,
                                         OnDisconnected, this);
    mInterface = eldbus_service_interface_register(mConnection, kObjectPath, &kInterfaceDesc);
    if (mUi) {
        mNameLost =
            eldbus_signal_handler_add(mConnection, ELDBUS_FDO_BUS, ELDBUS_FDO_PATH,
                                      ELDBUS_FDO_INTERFACE, "NameLost", OnFrontSignal, this);
        mNameAcquired =
            eldbus_signal_handler_add(mConnection, ELDBUS_FDO_BUS, ELDBUS_FDO_PATH,
                                      ELDBUS_FDO_INTERFACE, "NameAcquired", OnFrontSignal, this);
    }
    // Requests for the application wait in the bus until it owns its name; those that come
    // before create has returned are kept for after it.
    Track(eldbus_name_request(mConnection, busName.c_str(), ELDBUS_NAME_REQUEST_FLAG_DO_NOT_QUEUE,
                              OnNameReply, this));
    mNameRequested = true;
    return APP_ERROR_NONE;
}

// Waits for the answer to JoinBus's name request: create comes only once the name is the
// application's, and an instance that finds it taken ends without a window.
int Runtime::AwaitName(bool activated) {
    if (!mNameRequested)
        return APP_ERROR_NONE; // runs without the bus
    mLoopRunning = true;
    RunLoopUntil(&mNameReplied, kNameWait);
    mLoopRunning = false;
    if (mExitRequested)
        return APP_ERROR_NONE;
    if (mNameResult == ELDBUS_NAME_REQUEST_REPLY_PRIMARY_OWNER ||
        mNameResult == ELDBUS_NAME_REQUEST_REPLY_ALREADY_OWNER) {
        mOwnsName = true;
        return APP_ERROR_NONE;
    }
    if (mNameResult == ELDBUS_NAME_REQUEST_REPLY_EXISTS) {
        LOG_ERROR("%s is already running: this instance ends", mAppId.c_str());
        return APP_ERROR_ALREADY_RUNNING;
    }
    LOG_ERROR("%s: the device bus did not give the name %s", mAppId.c_str(),
              BusName(mAppId).c_str());
    LeaveBus();
    return activated ? APP_ERROR_IO_ERROR : APP_ERROR_NONE;
}

// An ending application gives up its name at once: a request sent from now on starts a
// fresh instance instead of reaching this one.
void Runtime::ReleaseName() {
    if (mConnection && mOwnsName)
        eldbus_name_release(mConnection, BusName(mAppId).c_str(), nullptr, nullptr);
    mOwnsName = false;
}

void Runtime::LeaveBus() {
    if (!mConnection)
        return;
    // A final round trip to the bus: every answer queued before it has left the process.
    bool flushed = false;
    Eldbus_Message* ping = eldbus_message_method_call_new(ELDBUS_FDO_BUS, ELDBUS_FDO_PATH,
                                                          ELDBUS_FDO_INTERFACE, "GetId");
    Eldbus_Pending* round = ping ? eldbus_connection_send(
                                       mConnection, ping,
                                       [](void* data, const Eldbus_Message*, Eldbus_Pending*) {
                                           *static_cast<bool*>(data) = true;
                                       },
                                       &flushed, kFlushWait * 1000.0)
                                 : nullptr;
    if (round) {
        RunLoopUntil(&flushed, kFlushWait);
        if (!flushed)
            eldbus_pending_cancel(round); // runs the callback: `flushed` must outlive it
    }
    std::set<Eldbus_Pending*> pending = mPending;
    for (Eldbus_Pending* p : pending)
        eldbus_pending_cancel(p);
    mPending.clear();
    if (mNameLost)
        eldbus_signal_handler_del(mNameLost);
    if (mNameAcquired)
        eldbus_signal_handler_del(mNameAcquired);
    mNameLost = mNameAcquired = nullptr;
    if (mInterface)
        eldbus_service_interface_unregister(mInterface);
    mInterface = nullptr;
    eldbus_connection_event_callback_del(mConnection, ELDBUS_CONNECTION_EVENT_DISCONNECTED,
                                         OnDisconnected, this);
    bus::Release(mConnection);
    mConnection = nullptr;
    mFrontRequested = false;
}

void Runtime::StartDelivering(bool activated) {
    std::vector<app_control_h> queued;
    queued.swap(mQueued);
    for (app_control_h request : queued) {
        if (mExitRequested)
            app_control_destroy(request);
        else
            Deliver(request);
    }
    if (!queued.empty() || mExitRequested)
        return;
    if (activated && mConnection) {
        // The request the bus started us for is on its way.
        mActivationTimer = ecore_timer_add(kActivationWait, OnActivationTimeout, this);
        return;
    }
    app_control_h empty = NewHandle();
    if (!empty) {
        LOG_ERROR("out of memory for the start request");
        RequestExit();
        return;
    }
    empty->incoming = true;
    if (!mAppId.empty())
        empty->appId = mAppId;
    Deliver(empty);
}

Eina_Bool Runtime::OnActivationTimeout(void* data) {
    Runtime* self = static_cast<Runtime*>(data);
    self->mActivationTimer = nullptr;
    LOG_WARN("%s: started by the bus but no launch request came: it runs as started by hand",
             self->mAppId.c_str());
    app_control_h empty = NewHandle();
    if (empty) {
        empty->incoming = true;
        empty->appId = self->mAppId;
        self->Deliver(empty);
    }
    return ECORE_CALLBACK_CANCEL;
}

void Runtime::Deliver(app_control_h request) {
    mDelivering = true;
    if (mCallbacks.appControl)
        mCallbacks.appControl(request, mUserData);
    mDelivering = false;
    // The handle lives for the call only; an unanswered request without a clone fails here.
    app_control_destroy(request);
    if (mExitRequested)
        return;
    if (mUi)
        ToFront();
    else
        mState = State::Running;
}

void Runtime::ToFront() {
    windows::SetLowered(false);
    RequestFront();
    mState = State::Running;
    if (mCallbacks.resume)
        mCallbacks.resume(mUserData);
}

void Runtime::ToBack(bool leaveFront) {
    mState = State::Paused;
    if (leaveFront)
        ReleaseFront();
    if (mCallbacks.pause)
        mCallbacks.pause(mUserData);
}

void Runtime::RequestFront() {
    mFrontRequested = true;
    if (!mConnection)
        return;
    Track(eldbus_name_request(mConnection, kForegroundName,
                              ELDBUS_NAME_REQUEST_FLAG_ALLOW_REPLACEMENT |
                                  ELDBUS_NAME_REQUEST_FLAG_REPLACE_EXISTING,
                              OnFrontRequested, this));
}

void Runtime::ReleaseFront() {
    if (!mFrontRequested)
        return;
    mFrontRequested = false;
    if (mConnection)
        eldbus_name_release(mConnection, kForegroundName, nullptr, nullptr);
}

// The signals only say that something changed: ask who owns the name now. The answer
// comes after every request this application sent before, so it is never stale.
void Runtime::QueryFront() {
    if (mConnection)
        Track(eldbus_name_owner_get(mConnection, kForegroundName, OnFrontOwner, this));
}

void Runtime::Finish() {
    if (mActivationTimer) {
        ecore_timer_del(mActivationTimer);
        mActivationTimer = nullptr;
    }
    if (mUi && mState == State::Running)
        ToBack(true);
    ReleaseFront();
    mState = State::Terminating;
    if (mCallbacks.terminate)
        mCallbacks.terminate(mUserData);
}

void Runtime::RequestExit() {
    if (mExitRequested)
        return;
    mExitRequested = true;
    if (mLoopRunning)
        ecore_main_loop_quit();
}

Eina_Bool Runtime::OnSignalExit(void* data, int, void* event) {
    Runtime* self = static_cast<Runtime*>(data);
    const Ecore_Event_Signal_Exit* signal = static_cast<Ecore_Event_Signal_Exit*>(event);
    LOG_INFO("%s: %s: the application ends", self->mAppId.c_str(),
             signal && signal->interrupt   ? "SIGINT"
             : signal && signal->terminate ? "SIGTERM"
                                           : "SIGQUIT");
    self->RequestExit();
    // Quitting the loop is ours: nobody else should act on it.
    return ECORE_CALLBACK_DONE;
}

void Runtime::OnWindowChange(bool raised) {
    Runtime* self = gRuntime;
    if (!self || self->mDelivering || self->mExitRequested)
        return;
    if (self->mState != State::Running && self->mState != State::Paused)
        return;
    const bool wanted = windows::WantFront();
    if (raised && wanted && self->mState == State::Paused) {
        self->ToFront();
    } else if (!raised && !wanted && self->mState == State::Running) {
        self->ToBack(true);
    } else if (!wanted && self->mState == State::Paused) {
        self->ReleaseFront(); // out of the queue behind the front application
    }
}

void Runtime::OnNameReply(void* data, const Eldbus_Message* msg, Eldbus_Pending* pending) {
    Runtime* self = static_cast<Runtime*>(data);
    if (!self->Untrack(pending))
        return;
    const char* name = nullptr;
    const char* text = nullptr;
    unsigned int reply = 0;
    if (eldbus_message_error_get(msg, &name, &text))
        LOG_ERROR("RequestName failed: %s (%s)", text ? text : "", name ? name : "");
    else if (eldbus_message_arguments_get(msg, "u", &reply))
        self->mNameResult = static_cast<int>(reply);
    self->mNameReplied = true;
}

void Runtime::OnFrontRequested(void* data, const Eldbus_Message* msg, Eldbus_Pending* pending) {
    Runtime* self = static_cast<Runtime*>(data);
    if (!self->Untrack(pending))
        return;
    const char* name = nullptr;
    const char* text = nullptr;
    if (eldbus_message_error_get(msg, &name, &text))
        LOG_ERROR("%s: cannot take the front: %s (%s)", self->mAppId.c_str(), text ? text : "",
                  name ? name : "");
}

void Runtime::OnFrontSignal(void* data, const Eldbus_Message* msg) {
    const char* name = nullptr;
    if (!eldbus_message_arguments_get(msg, "s", &name) || strcmp(name, kForegroundName) != 0)
        return;
    static_cast<Runtime*>(data)->QueryFront();
}

void Runtime::OnFrontOwner(void* data, const Eldbus_Message* msg, Eldbus_Pending* pending) {
    Runtime* self = static_cast<Runtime*>(data);
    if (!self->Untrack(pending) || self->mExitRequested || !self->mConnection)
        return;
    const char* owner = "";
    const char* name = nullptr;
    const char* text = nullptr;
    if (eldbus_message_error_get(msg, &name, &text) ||
        !eldbus_message_arguments_get(msg, "s", &owner))
        owner = ""; // nobody owns it
    const char* self_name = eldbus_connection_unique_name_get(self->mConnection);
    const bool mine = self_name && strcmp(owner, self_name) == 0;
    if (self->mState == State::Running && !mine) {
        // Another application came in front of this one; the bus keeps this one queued
        // behind it, to come back when it goes.
        self->ToBack(false);
    } else if (self->mState == State::Paused && mine && self->mFrontRequested &&
               windows::WantFront()) {
        self->mState = State::Running;
        if (self->mCallbacks.resume)
            self->mCallbacks.resume(self->mUserData);
    }
}

// The bus goes when the device shuts down: its applications go with it.
void Runtime::OnDisconnected(void* data, Eldbus_Connection*, void*) {
    Runtime* self = static_cast<Runtime*>(data);
    LOG_ERROR("%s: the device bus went away: the application ends", self->mAppId.c_str());
    self->RequestExit();
}

Eldbus_Message* Runtime::Refuse(const Eldbus_Message* msg, const char* errorName,
                                const std::string& text) {
    const char* sender = eldbus_message_sender_get(msg);
    LOG_ERROR("%s: %s from %s refused: %s", mAppId.c_str(), eldbus_message_member_get(msg),
              sender ? sender : "?", text.c_str());
    return eldbus_message_error_new(msg, errorName, text.c_str());
}

Eldbus_Message* Runtime::Launch(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Runtime* self = gRuntime;
    if (!self)
        return eldbus_message_error_new(msg, kErrorEnding, "the application is ending");
    std::string error;
    app_control_h request = DecodeLaunch(msg, &error);
    if (!request)
        return self->Refuse(msg, kErrorInvalidRequest, "malformed launch request: " + error);
    if (self->mExitRequested || self->mState == State::Terminating) {
        app_control_destroy(request);
        return self->Refuse(msg, kErrorEnding, "the application is ending");
    }
    request->appId = self->mAppId;
    Eldbus_Message* answer = nullptr;
    if (request->replyRequested) {
        request->received = std::make_shared<ReceivedRequest>(self->mConnection, msg, self->mAppId);
    } else {
        answer = eldbus_message_method_return_new(msg);
        Eldbus_Message_Iter* top = eldbus_message_iter_get(answer);
        eldbus_message_iter_basic_append(top, 'i', static_cast<int>(APP_CONTROL_RESULT_SUCCEEDED));
        AppendExtras(top, Extras());
    }
    if (self->mActivationTimer) {
        ecore_timer_del(self->mActivationTimer);
        self->mActivationTimer = nullptr;
    }
    if (self->mState == State::Starting)
        self->mQueued.push_back(request);
    else
        self->Deliver(request);
    return answer; // NULL: the answer comes with app_control_reply_to_launch_request
}

Eldbus_Message* Runtime::GetInfo(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Runtime* self = gRuntime;
    if (!self)
        return eldbus_message_error_new(msg, kErrorEnding, "the application is ending");
    Eldbus_Message* answer = eldbus_message_method_return_new(msg);
    eldbus_message_arguments_append(answer, "sssu", self->mAppId.c_str(),
                                    self->mUi ? "ui" : "service", StateName(self->mState),
                                    static_cast<unsigned int>(getpid()));
    return answer;
}

Eldbus_Message* Runtime::CheckWindowRequest(const Eldbus_Message* msg, const char* method) {
    if (!mUi)
        return Refuse(msg, kErrorNoWindow,
                      std::string(method) + ": a service application has no window");
    if (mExitRequested || mState == State::Terminating)
        return Refuse(msg, kErrorEnding, "the application is ending");
    if (mState != State::Running && mState != State::Paused)
        return Refuse(msg, kErrorFailed, std::string(method) + ": the application has not started");
    return nullptr;
}

void Runtime::PauseRequested() {
    if (mState == State::Running)
        ToBack(true);
}

void Runtime::ResumeRequested() {
    if (mState == State::Paused)
        ToFront();
}

Eldbus_Message* Runtime::Terminate(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    Runtime* self = gRuntime;
    if (self) {
        LOG_INFO("%s: terminate requested by %s", self->mAppId.c_str(),
                 eldbus_message_sender_get(msg));
        self->RequestExit();
    }
    return eldbus_message_method_return_new(msg);
}

int RunApplication(bool ui, const Callbacks& callbacks, void* userData, int argc, char** argv,
                   const char* call) {
    if (gRuntime) {
        LOG_ERROR("%s: an application already runs in this process", call);
        return APP_ERROR_ALREADY_RUNNING;
    }
    Runtime runtime(ui, callbacks, userData);
    gRuntime = &runtime;
    windows::SetGate(&runtime);
    const int status = runtime.Run(argc, argv);
    windows::SetGate(nullptr);
    gRuntime = nullptr;
    return status;
}

void ExitApplication(const char* call) {
    if (!gRuntime) {
        LOG_ERROR("%s: no application is running", call);
        return;
    }
    gRuntime->RequestExit();
}

} // namespace

} // namespace appfw
} // namespace watch

using namespace watch::appfw;

extern "C" {

int ui_app_main(int argc, char** argv, ui_app_lifecycle_callback_s* callback, void* user_data) {
    if (!callback) {
        LOG_ERROR("ui_app_main: the callback table is NULL");
        return APP_ERROR_INVALID_PARAMETER;
    }
    Callbacks callbacks;
    callbacks.create = callback->create;
    callbacks.terminate = callback->terminate;
    callbacks.pause = callback->pause;
    callbacks.resume = callback->resume;
    callbacks.appControl = callback->app_control;
    return RunApplication(true, callbacks, user_data, argc, argv, __func__);
}

void ui_app_exit(void) {
    ExitApplication(__func__);
}

int service_app_main(int argc, char** argv, service_app_lifecycle_callback_s* callback,
                     void* user_data) {
    if (!callback) {
        LOG_ERROR("service_app_main: the callback table is NULL");
        return APP_ERROR_INVALID_PARAMETER;
    }
    Callbacks callbacks;
    callbacks.create = callback->create;
    callbacks.terminate = callback->terminate;
    callbacks.appControl = callback->app_control;
    return RunApplication(false, callbacks, user_data, argc, argv, __func__);
}

void service_app_exit(void) {
    ExitApplication(__func__);
}

} // extern "C"
