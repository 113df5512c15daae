// Application control handles: what a launch request carries, and its extra data.
#include "app_control_internal.h"
#include "watch_appfw.h"

#include <glib.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

namespace watch {
namespace appfw {

namespace {

// Handles alive in this process: a destroyed or foreign pointer is refused, not followed.
std::mutex gHandlesMutex;
std::unordered_set<app_control_h>& Handles() {
    static auto* handles = new std::unordered_set<app_control_h>();
    return *handles;
}

// Checks the handle; logs one line naming the call when it is not a live handle.
bool CheckHandle(app_control_h handle, const char* call) {
    if (IsHandle(handle))
        return true;
    LOG_ERROR("%s: invalid app_control handle %p", call, static_cast<void*>(handle));
    return false;
}

int CopyOut(const std::optional<std::string>& field, char** out) {
    *out = nullptr;
    if (!field)
        return APP_CONTROL_ERROR_NONE;
    *out = strdup(field->c_str());
    return *out ? APP_CONTROL_ERROR_NONE : APP_CONTROL_ERROR_OUT_OF_MEMORY;
}

using Field = std::optional<std::string> app_control_s::*;

int SetField(app_control_h handle, const char* value, Field member, const char* call) {
    if (!CheckHandle(handle, call))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    std::optional<std::string>* field = &(handle->*member);
    if (!value) {
        field->reset();
        return APP_CONTROL_ERROR_NONE;
    }
    const std::string text(value);
    if (!IsValidText(text)) {
        LOG_ERROR("%s: the value is not valid UTF-8", call);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    const std::size_t before = field->value_or(std::string()).size();
    if (RequestBytes(*handle) - before + text.size() > kMaxRequestBytes) {
        LOG_ERROR("%s: the request would exceed %zu bytes", call, kMaxRequestBytes);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    *field = text;
    return APP_CONTROL_ERROR_NONE;
}

int GetField(app_control_h handle, char** out, Field member, const char* call) {
    if (!CheckHandle(handle, call))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (!out) {
        LOG_ERROR("%s: the out pointer is NULL", call);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    return CopyOut(handle->*member, out);
}

Extras::iterator FindExtra(app_control_h handle, const char* key) {
    Extras& extras = handle->extras;
    for (auto it = extras.begin(); it != extras.end(); ++it) {
        if (it->first == key)
            return it;
    }
    return extras.end();
}

} // namespace

app_control_h NewHandle() {
    app_control_h handle = new (std::nothrow) app_control_s();
    if (!handle)
        return nullptr;
    std::lock_guard<std::mutex> lock(gHandlesMutex);
    Handles().insert(handle);
    return handle;
}

bool IsHandle(app_control_h handle) {
    if (!handle)
        return false;
    std::lock_guard<std::mutex> lock(gHandlesMutex);
    return Handles().count(handle) != 0;
}

bool IsValidText(const std::string& text) {
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr) &&
           text.find('\0') == std::string::npos;
}

std::size_t RequestBytes(const app_control_s& request) {
    std::size_t bytes = request.operation.value_or(std::string()).size() +
                        request.uri.value_or(std::string()).size();
    for (const auto& extra : request.extras)
        bytes += extra.first.size() + extra.second.size();
    return bytes;
}

} // namespace appfw
} // namespace watch

using namespace watch::appfw;

extern "C" {

int app_control_create(app_control_h* app_control) {
    if (!app_control) {
        LOG_ERROR("app_control_create: the out pointer is NULL");
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    *app_control = NewHandle();
    if (!*app_control) {
        LOG_ERROR("app_control_create: out of memory");
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    }
    return APP_CONTROL_ERROR_NONE;
}

int app_control_destroy(app_control_h app_control) {
    {
        std::lock_guard<std::mutex> lock(gHandlesMutex);
        if (!app_control || Handles().erase(app_control) == 0)
            app_control = nullptr;
    }
    if (!app_control) {
        LOG_ERROR("app_control_destroy: invalid app_control handle");
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    // The last handle of an unanswered request takes the request with it (and the caller
    // is told that no answer will come).
    delete app_control;
    return APP_CONTROL_ERROR_NONE;
}

int app_control_clone(app_control_h* clone, app_control_h app_control) {
    if (!clone) {
        LOG_ERROR("app_control_clone: the out pointer is NULL");
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (!CheckHandle(app_control, "app_control_clone"))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    app_control_h copy = NewHandle();
    if (!copy) {
        LOG_ERROR("app_control_clone: out of memory");
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    }
    *copy = *app_control;
    *clone = copy;
    return APP_CONTROL_ERROR_NONE;
}

int app_control_set_operation(app_control_h app_control, const char* operation) {
    return SetField(app_control, operation, &app_control_s::operation, __func__);
}

int app_control_get_operation(app_control_h app_control, char** operation) {
    return GetField(app_control, operation, &app_control_s::operation, __func__);
}

int app_control_set_uri(app_control_h app_control, const char* uri) {
    return SetField(app_control, uri, &app_control_s::uri, __func__);
}

int app_control_get_uri(app_control_h app_control, char** uri) {
    return GetField(app_control, uri, &app_control_s::uri, __func__);
}

int app_control_set_app_id(app_control_h app_control, const char* app_id) {
    return SetField(app_control, app_id, &app_control_s::appId, __func__);
}

int app_control_get_app_id(app_control_h app_control, char** app_id) {
    return GetField(app_control, app_id, &app_control_s::appId, __func__);
}

int app_control_get_caller(app_control_h app_control, char** caller) {
    return GetField(app_control, caller, &app_control_s::caller, __func__);
}

int app_control_is_reply_requested(app_control_h app_control, bool* requested) {
    if (!CheckHandle(app_control, __func__))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (!requested) {
        LOG_ERROR("%s: the out pointer is NULL", __func__);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    *requested = app_control->replyRequested;
    return APP_CONTROL_ERROR_NONE;
}

int app_control_add_extra_data(app_control_h app_control, const char* key, const char* value) {
    if (!CheckHandle(app_control, __func__))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (!key || !*key || !value) {
        LOG_ERROR("%s: the key is NULL or empty, or the value is NULL", __func__);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    const std::string k(key), v(value);
    if (!IsValidText(k) || !IsValidText(v)) {
        LOG_ERROR("%s: key or value of \"%.64s\" is not valid UTF-8", __func__, key);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (k.size() > kMaxKeyBytes) {
        LOG_ERROR("%s: the key is longer than %zu bytes", __func__, kMaxKeyBytes);
        return APP_CONTROL_ERROR_KEY_REJECTED;
    }
    auto existing = FindExtra(app_control, key);
    const bool replaces = existing != app_control->extras.end();
    const std::size_t before = replaces ? existing->first.size() + existing->second.size() : 0;
    if (!replaces && app_control->extras.size() >= kMaxExtras) {
        LOG_ERROR("%s: the request already holds %zu extras", __func__, kMaxExtras);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (RequestBytes(*app_control) - before + k.size() + v.size() > kMaxRequestBytes) {
        LOG_ERROR("%s: the request would exceed %zu bytes", __func__, kMaxRequestBytes);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    if (replaces)
        existing->second = v;
    else
        app_control->extras.emplace_back(k, v);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_remove_extra_data(app_control_h app_control, const char* key) {
    if (!CheckHandle(app_control, __func__))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (!key) {
        LOG_ERROR("%s: the key is NULL", __func__);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    auto it = FindExtra(app_control, key);
    if (it == app_control->extras.end()) {
        __dlog_print(LOG_ID_MAIN, DLOG_DEBUG, kTag, "%s: no extra \"%.64s\"", __func__, key);
        return APP_CONTROL_ERROR_KEY_NOT_FOUND;
    }
    app_control->extras.erase(it);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_get_extra_data(app_control_h app_control, const char* key, char** value) {
    if (!CheckHandle(app_control, __func__))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (!key || !value) {
        LOG_ERROR("%s: the key or the out pointer is NULL", __func__);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    auto it = FindExtra(app_control, key);
    if (it == app_control->extras.end()) {
        __dlog_print(LOG_ID_MAIN, DLOG_DEBUG, kTag, "%s: no extra \"%.64s\"", __func__, key);
        return APP_CONTROL_ERROR_KEY_NOT_FOUND;
    }
    *value = strdup(it->second.c_str());
    return *value ? APP_CONTROL_ERROR_NONE : APP_CONTROL_ERROR_OUT_OF_MEMORY;
}

int app_control_foreach_extra_data(app_control_h app_control, app_control_extra_data_cb callback,
                                   void* user_data) {
    if (!CheckHandle(app_control, __func__))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (!callback) {
        LOG_ERROR("%s: the callback is NULL", __func__);
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    // The callback may change (or destroy) the handle: walk a copy of the keys.
    std::vector<std::string> keys;
    keys.reserve(app_control->extras.size());
    for (const auto& extra : app_control->extras)
        keys.push_back(extra.first);
    for (const std::string& key : keys) {
        if (!IsHandle(app_control))
            break;
        if (FindExtra(app_control, key.c_str()) == app_control->extras.end())
            continue;
        if (!callback(app_control, key.c_str(), user_data))
            break;
    }
    return APP_CONTROL_ERROR_NONE;
}

} // extern "C"
