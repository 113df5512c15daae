// Launch requests over the device bus: sending them and receiving their replies (the
// caller's side), answering them (the callee's side), and the message format.
#include "app_control_internal.h"
#include "watch_appfw.h"
#include "watch_bus.h"
#include "watch_device.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <list>
#include <set>

namespace watch {
namespace appfw {

namespace {

// libdbus takes INT_MAX milliseconds as "no timeout": a reply may come minutes later.
constexpr double kNoTimeout = static_cast<double>(INT_MAX);

Eldbus_Connection* gConnection = nullptr;
// Set when the bus went away; the connection is let go of outside Eldbus's callback.
bool gDisconnected = false;

void OnDisconnected(void*, Eldbus_Connection* connection, void*) {
    if (connection != gConnection)
        return;
    LOG_ERROR("the device bus went away: launch requests fail until it is back");
    gDisconnected = true;
}

void DropConnection() {
    if (!gConnection)
        return;
    eldbus_connection_event_callback_del(gConnection, ELDBUS_CONNECTION_EVENT_DISCONNECTED,
                                         OnDisconnected, nullptr);
    bus::Release(gConnection);
    gConnection = nullptr;
    gDisconnected = false;
}

// A request sent with a reply callback, until the reply (or the failure) comes.
struct PendingLaunch {
    app_control_reply_cb callback = nullptr;
    void* userData = nullptr;
    app_control_h request = nullptr; // a clone, handed back to the callback
    std::string target;
    Eldbus_Pending* pending = nullptr;
    bool forgotten = false;
};

std::list<PendingLaunch*>& Pending() {
    static auto* pending = new std::list<PendingLaunch*>();
    return *pending;
}

std::set<ReceivedRequest*>& Received() {
    static auto* received = new std::set<ReceivedRequest*>();
    return *received;
}

bool IsResult(int result) {
    return result == APP_CONTROL_RESULT_APP_STARTED || result == APP_CONTROL_RESULT_SUCCEEDED ||
           result == APP_CONTROL_RESULT_FAILED || result == APP_CONTROL_RESULT_CANCELED;
}

// The reply's contents: (i result, a{ss} extras).
bool DecodeReply(const Eldbus_Message* msg, int* result, Extras* extras, std::string* error) {
    const char* signature = eldbus_message_signature_get(msg);
    if (!signature || strcmp(signature, "ia{ss}") != 0) {
        *error = std::string("the reply has the signature \"") + (signature ? signature : "") +
                 "\", not \"ia{ss}\"";
        return false;
    }
    Eldbus_Message_Iter* array = nullptr;
    if (!eldbus_message_arguments_get(msg, "ia{ss}", result, &array)) {
        *error = "the reply cannot be read";
        return false;
    }
    if (!IsResult(*result)) {
        *error = "the reply carries the unknown result " + std::to_string(*result);
        return false;
    }
    return ReadExtras(array, extras, error);
}

void OnLaunchReply(void* data, const Eldbus_Message* msg, Eldbus_Pending*) {
    PendingLaunch* launch = static_cast<PendingLaunch*>(data);
    Pending().remove(launch);
    if (!launch->forgotten) {
        const char* errorName = nullptr;
        const char* errorText = nullptr;
        int result = APP_CONTROL_RESULT_FAILED;
        Extras extras;
        std::string error;
        app_control_h reply = nullptr;
        if (eldbus_message_error_get(msg, &errorName, &errorText)) {
            LOG_ERROR("launch request to %s failed: %s (%s)", launch->target.c_str(),
                      errorText ? errorText : "", errorName ? errorName : "");
        } else if (!DecodeReply(msg, &result, &extras, &error)) {
            LOG_ERROR("launch request to %s: malformed reply: %s", launch->target.c_str(),
                      error.c_str());
            result = APP_CONTROL_RESULT_FAILED;
        } else if ((reply = NewHandle()) != nullptr) {
            reply->appId = launch->target;
            reply->extras = std::move(extras);
        } else {
            LOG_ERROR("launch request to %s: out of memory for the reply", launch->target.c_str());
            result = APP_CONTROL_RESULT_FAILED;
        }
        launch->callback(launch->request, reply, static_cast<app_control_result_e>(result),
                         launch->userData);
        if (reply)
            app_control_destroy(reply);
    }
    app_control_destroy(launch->request);
    delete launch;
}

bool AppendStringField(Eldbus_Message_Iter* dict, const char* key, const std::string& value) {
    Eldbus_Message_Iter* entry = eldbus_message_iter_container_new(dict, 'e', nullptr);
    if (!entry)
        return false;
    Eldbus_Message_Iter* variant = nullptr;
    bool ok = eldbus_message_iter_basic_append(entry, 's', key) &&
              (variant = eldbus_message_iter_container_new(entry, 'v', "s")) != nullptr &&
              eldbus_message_iter_basic_append(variant, 's', value.c_str()) &&
              eldbus_message_iter_container_close(entry, variant);
    return eldbus_message_iter_container_close(dict, entry) && ok;
}

Eldbus_Message* EncodeLaunch(const std::string& busName, const app_control_s& request,
                             const std::string& caller, bool replyRequested) {
    Eldbus_Message* msg =
        eldbus_message_method_call_new(busName.c_str(), kObjectPath, kInterface, "Launch");
    if (!msg)
        return nullptr;
    Eldbus_Message_Iter* top = eldbus_message_iter_get(msg);
    Eldbus_Message_Iter* dict = eldbus_message_iter_container_new(top, 'a', "{sv}");
    bool ok = dict != nullptr;
    if (ok && request.operation)
        ok = AppendStringField(dict, "operation", *request.operation);
    if (ok && request.uri)
        ok = AppendStringField(dict, "uri", *request.uri);
    if (ok && !caller.empty())
        ok = AppendStringField(dict, "caller", caller);
    if (ok) {
        Eldbus_Message_Iter* entry = eldbus_message_iter_container_new(dict, 'e', nullptr);
        Eldbus_Message_Iter* variant = nullptr;
        ok = entry && eldbus_message_iter_basic_append(entry, 's', "reply") &&
             (variant = eldbus_message_iter_container_new(entry, 'v', "b")) != nullptr &&
             eldbus_message_iter_basic_append(variant, 'b',
                                              replyRequested ? EINA_TRUE : EINA_FALSE) &&
             eldbus_message_iter_container_close(entry, variant);
        ok = entry && eldbus_message_iter_container_close(dict, entry) && ok;
    }
    if (ok) {
        Eldbus_Message_Iter* entry = eldbus_message_iter_container_new(dict, 'e', nullptr);
        Eldbus_Message_Iter* variant = nullptr;
        ok = entry && eldbus_message_iter_basic_append(entry, 's', "extras") &&
             (variant = eldbus_message_iter_container_new(entry, 'v', "a{ss}")) != nullptr &&
             AppendExtras(variant, request.extras) &&
             eldbus_message_iter_container_close(entry, variant);
        ok = entry && eldbus_message_iter_container_close(dict, entry) && ok;
    }
    ok = dict && eldbus_message_iter_container_close(top, dict) && ok;
    if (!ok) {
        eldbus_message_unref(msg);
        return nullptr;
    }
    return msg;
}

// The contents of a variant: its signature must be `signature`.
bool VariantIs(Eldbus_Message_Iter* variant, const char* signature) {
    char* actual = eldbus_message_iter_signature_get(variant);
    const bool same = actual && strcmp(actual, signature) == 0;
    free(actual);
    return same;
}

} // namespace

Eldbus_Connection* LaunchConnection() {
    if (gDisconnected)
        DropConnection();
    if (!gConnection) {
        gConnection = bus::Connect();
        if (gConnection)
            eldbus_connection_event_callback_add(gConnection, ELDBUS_CONNECTION_EVENT_DISCONNECTED,
                                                 OnDisconnected, nullptr);
    }
    return gConnection;
}

void ShutdownLaunches() {
    // Cancelling runs each pending callback at once, which removes it from the list.
    std::list<PendingLaunch*> pending = Pending();
    for (PendingLaunch* launch : pending)
        launch->forgotten = true;
    for (PendingLaunch* launch : pending)
        eldbus_pending_cancel(launch->pending);
    DropConnection();
}

bool AppendExtras(Eldbus_Message_Iter* iter, const Extras& extras) {
    Eldbus_Message_Iter* array = eldbus_message_iter_container_new(iter, 'a', "{ss}");
    if (!array)
        return false;
    bool ok = true;
    for (const auto& extra : extras) {
        Eldbus_Message_Iter* entry = eldbus_message_iter_container_new(array, 'e', nullptr);
        if (!entry) {
            ok = false;
            break;
        }
        ok = eldbus_message_iter_arguments_append(entry, "ss", extra.first.c_str(),
                                                  extra.second.c_str());
        ok = eldbus_message_iter_container_close(array, entry) && ok;
        if (!ok)
            break;
    }
    return eldbus_message_iter_container_close(iter, array) && ok;
}

bool ReadExtras(Eldbus_Message_Iter* array, Extras* out, std::string* error) {
    Extras extras;
    std::size_t bytes = 0;
    Eldbus_Message_Iter* entry = nullptr;
    while (eldbus_message_iter_get_and_next(array, 'e', &entry)) {
        const char* key = nullptr;
        const char* value = nullptr;
        if (!eldbus_message_iter_arguments_get(entry, "ss", &key, &value)) {
            *error = "an extra is not a pair of strings";
            return false;
        }
        if (!*key) {
            *error = "an extra has an empty key";
            return false;
        }
        const std::size_t keyBytes = strlen(key);
        if (keyBytes > kMaxKeyBytes) {
            *error = "an extra key is longer than " + std::to_string(kMaxKeyBytes) + " bytes";
            return false;
        }
        if (extras.size() >= kMaxExtras) {
            *error = "more than " + std::to_string(kMaxExtras) + " extras";
            return false;
        }
        bytes += keyBytes + strlen(value);
        if (bytes > kMaxRequestBytes) {
            *error = "the extras exceed " + std::to_string(kMaxRequestBytes) + " bytes";
            return false;
        }
        bool replaced = false;
        for (auto& extra : extras) {
            if (extra.first == key) {
                extra.second = value;
                replaced = true;
            }
        }
        if (!replaced)
            extras.emplace_back(key, value);
    }
    *out = std::move(extras);
    return true;
}

app_control_h DecodeLaunch(const Eldbus_Message* call, std::string* error) {
    Eldbus_Message_Iter* dict = nullptr;
    if (!eldbus_message_arguments_get(call, "a{sv}", &dict)) {
        *error = "the request is not an a{sv} dictionary";
        return nullptr;
    }
    app_control_s request;
    bool haveReply = false, haveExtras = false;
    Eldbus_Message_Iter* entry = nullptr;
    while (eldbus_message_iter_get_and_next(dict, 'e', &entry)) {
        const char* key = nullptr;
        Eldbus_Message_Iter* variant = nullptr;
        if (!eldbus_message_iter_arguments_get(entry, "sv", &key, &variant)) {
            *error = "a field cannot be read";
            return nullptr;
        }
        const std::string field(key);
        if (field == "operation" || field == "uri" || field == "caller") {
            const char* value = nullptr;
            if (!VariantIs(variant, "s") ||
                !eldbus_message_iter_arguments_get(variant, "s", &value)) {
                *error = "the field \"" + field + "\" is not a string";
                return nullptr;
            }
            std::optional<std::string>& slot = field == "operation" ? request.operation
                                               : field == "uri"     ? request.uri
                                                                    : request.caller;
            slot = std::string(value);
        } else if (field == "reply") {
            Eina_Bool value = EINA_FALSE;
            if (!VariantIs(variant, "b") ||
                !eldbus_message_iter_arguments_get(variant, "b", &value)) {
                *error = "the field \"reply\" is not a boolean";
                return nullptr;
            }
            request.replyRequested = value;
            haveReply = true;
        } else if (field == "extras") {
            Eldbus_Message_Iter* array = nullptr;
            if (!VariantIs(variant, "a{ss}") ||
                !eldbus_message_iter_arguments_get(variant, "a{ss}", &array)) {
                *error = "the field \"extras\" is not an a{ss} dictionary";
                return nullptr;
            }
            if (!ReadExtras(array, &request.extras, error))
                return nullptr;
            haveExtras = true;
        }
        // Unknown fields are left for newer senders.
    }
    if (!haveReply || !haveExtras) {
        *error = std::string("the field \"") + (haveReply ? "extras" : "reply") + "\" is missing";
        return nullptr;
    }
    if (RequestBytes(request) > kMaxRequestBytes) {
        *error = "the request exceeds " + std::to_string(kMaxRequestBytes) + " bytes";
        return nullptr;
    }
    if (request.caller && request.caller->empty())
        request.caller.reset();
    app_control_h handle = NewHandle();
    if (!handle) {
        *error = "out of memory";
        return nullptr;
    }
    *handle = std::move(request);
    handle->incoming = true;
    return handle;
}

ReceivedRequest::ReceivedRequest(Eldbus_Connection* connection, const Eldbus_Message* call,
                                 std::string appId)
    : mConnection(eldbus_connection_ref(connection)),
      mCall(eldbus_message_ref(const_cast<Eldbus_Message*>(call))), mAppId(std::move(appId)) {
    Received().insert(this);
}

ReceivedRequest::~ReceivedRequest() {
    if (!Answered()) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                     "a launch request was let go without a reply (keep a clone to answer "
                     "later): its caller gets a failure");
        Fail(kErrorNotAnswered, mAppId + " let go of the request without replying");
    }
    Received().erase(this);
}

int ReceivedRequest::Answer(app_control_result_e result, const Extras& extras) {
    if (Answered())
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    Eldbus_Message* reply = eldbus_message_method_return_new(mCall);
    bool ok = reply != nullptr;
    if (ok) {
        Eldbus_Message_Iter* top = eldbus_message_iter_get(reply);
        ok = eldbus_message_iter_basic_append(top, 'i', static_cast<int>(result)) &&
             AppendExtras(top, extras);
    }
    if (!ok) {
        if (reply)
            eldbus_message_unref(reply);
        LOG_ERROR("app_control_reply_to_launch_request: cannot build the reply");
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    }
    eldbus_connection_send(mConnection, reply, nullptr, nullptr, -1);
    eldbus_message_unref(mCall);
    mCall = nullptr;
    eldbus_connection_unref(mConnection);
    mConnection = nullptr;
    return APP_CONTROL_ERROR_NONE;
}

void ReceivedRequest::Fail(const char* errorName, const std::string& text) {
    if (Answered())
        return;
    Eldbus_Message* error = eldbus_message_error_new(mCall, errorName, text.c_str());
    if (error)
        eldbus_connection_send(mConnection, error, nullptr, nullptr, -1);
    eldbus_message_unref(mCall);
    mCall = nullptr;
    eldbus_connection_unref(mConnection);
    mConnection = nullptr;
}

void ReceivedRequest::FailAll(const char* errorName, const std::string& text) {
    std::set<ReceivedRequest*> all = Received();
    for (ReceivedRequest* request : all)
        request->Fail(errorName, text);
}

} // namespace appfw
} // namespace watch

using namespace watch::appfw;

extern "C" {

int app_control_send_launch_request(app_control_h app_control, app_control_reply_cb callback,
                                    void* user_data) {
    if (!IsHandle(app_control)) {
        LOG_ERROR("app_control_send_launch_request: invalid app_control handle");
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (!app_control->appId) {
        LOG_ERROR("app_control_send_launch_request: no application id set");
        return APP_CONTROL_ERROR_APP_NOT_FOUND;
    }
    const std::string& appId = *app_control->appId;
    watch::AppInfo app;
    if (!watch::FindApp(appId, &app)) {
        LOG_ERROR("app_control_send_launch_request: no application \"%.255s\" is installed",
                  appId.c_str());
        return APP_CONTROL_ERROR_APP_NOT_FOUND;
    }
    const std::string busName = BusName(appId);
    if (busName.empty()) {
        LOG_ERROR("app_control_send_launch_request: \"%s\" cannot be reached on the bus (id too "
                  "long)",
                  appId.c_str());
        return APP_CONTROL_ERROR_LAUNCH_REJECTED;
    }
    Eldbus_Connection* connection = LaunchConnection();
    if (!connection) {
        LOG_ERROR("app_control_send_launch_request: no device bus: %s is not launched",
                  appId.c_str());
        return APP_CONTROL_ERROR_LAUNCH_FAILED;
    }
    Eldbus_Message* msg =
        EncodeLaunch(busName, *app_control, watch::CurrentAppId(), callback != nullptr);
    if (!msg) {
        LOG_ERROR("app_control_send_launch_request: cannot build the request to %s", appId.c_str());
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    }
    if (!callback) {
        eldbus_connection_send(connection, msg, nullptr, nullptr, -1);
        return APP_CONTROL_ERROR_NONE;
    }
    PendingLaunch* launch = new PendingLaunch();
    launch->callback = callback;
    launch->userData = user_data;
    launch->target = appId;
    if (app_control_clone(&launch->request, app_control) != APP_CONTROL_ERROR_NONE) {
        eldbus_message_unref(msg);
        delete launch;
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    }
    launch->pending = eldbus_connection_send(connection, msg, OnLaunchReply, launch, kNoTimeout);
    if (!launch->pending) {
        LOG_ERROR("app_control_send_launch_request: the bus refused the request to %s",
                  appId.c_str());
        app_control_destroy(launch->request);
        delete launch;
        return APP_CONTROL_ERROR_LAUNCH_FAILED;
    }
    Pending().push_back(launch);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_reply_to_launch_request(app_control_h reply, app_control_h request,
                                        app_control_result_e result) {
    static const char* const call = "app_control_reply_to_launch_request";
    if (!IsHandle(reply) || !IsHandle(request)) {
        LOG_ERROR("%s: invalid app_control handle", call);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (result != APP_CONTROL_RESULT_SUCCEEDED && result != APP_CONTROL_RESULT_FAILED &&
        result != APP_CONTROL_RESULT_CANCELED) {
        LOG_ERROR("%s: %d is not a result to reply with", call, static_cast<int>(result));
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (!request->incoming) {
        LOG_ERROR("%s: the request was not received by this application", call);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (!request->replyRequested || !request->received) {
        LOG_ERROR("%s: the caller of this request expects no reply", call);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (request->received->Answered()) {
        LOG_ERROR("%s: the request was answered already", call);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    return request->received->Answer(result, reply->extras);
}

} // extern "C"
