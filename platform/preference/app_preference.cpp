#include "app_preference.h"
#include "preference_store.h"

#include "dlog.h"
#include "settings_notify.h"
#include "watch_device.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

using watch::settings::Status;
using watch::settings::Type;
using watch::settings::Value;

namespace watch {
namespace preference {

namespace {

const char* const kTag = "WATCH-PREFERENCE";

} // namespace

std::string Channel(const std::string& package) {
    return "preference:" + package;
}

std::string DatabasePath(const std::string& package) {
    const std::string data = PackageFolderPath(package, PackageFolder::Data);
    return data.empty() ? data : data + ".preference.db";
}

bool IsInstalled(const std::string& package) {
    const std::string dir = PackageDir(package);
    struct stat st;
    return !dir.empty() && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::shared_ptr<settings::Store> PackageStore(const std::string& package) {
    if (!IsInstalled(package))
        return nullptr;
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<settings::Store>> stores; // by path
    const std::string path = DatabasePath(package);
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<settings::Store>& store = stores[path];
    if (!store)
        store = std::make_shared<settings::Store>(path, Channel(package), kTag,
                                                  "watchctl pref " + package + " reset");
    return store;
}

std::string CurrentPackage() {
    AppInfo app;
    const std::string appId = CurrentAppId();
    return !appId.empty() && FindAppCached(appId, &app) ? app.package : std::string();
}

} // namespace preference
} // namespace watch

namespace {

using watch::preference::kTag;

int ErrorOf(Status status) {
    switch (status) {
    case Status::Ok:
        return PREFERENCE_ERROR_NONE;
    case Status::NoKey:
        return PREFERENCE_ERROR_NO_KEY;
    case Status::BadValue:
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    case Status::Io:
    case Status::Busy:
        return PREFERENCE_ERROR_IO_ERROR;
    }
    return PREFERENCE_ERROR_IO_ERROR;
}

const char* Shown(const char* key) {
    return key ? key : "(null)";
}

// The store of this process's package, or null with one log line and *error set.
std::shared_ptr<watch::settings::Store> StoreFor(const char* call, const char* key, int* error) {
    if (!watch::settings::IsValidKeyText(key)) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                     "%s(%s): not a preference key (1 to 1024 bytes of UTF-8 text)", call,
                     Shown(key));
        *error = PREFERENCE_ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    const std::string package = watch::preference::CurrentPackage();
    std::shared_ptr<watch::settings::Store> store =
        package.empty() ? nullptr : watch::preference::PackageStore(package);
    if (!store) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "%s(%s): this process belongs to no installed package (application id "
                     "\"%s\"): no preference store",
                     call, key, watch::CurrentAppId().c_str());
        *error = PREFERENCE_ERROR_IO_ERROR;
    }
    return store;
}

int Set(const char* call, const char* key, const Value& value) {
    int error = PREFERENCE_ERROR_NONE;
    auto store = StoreFor(call, key, &error);
    if (!store)
        return error;
    Status status = store->Set(key, value);
    if (status == Status::BadValue)
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "%s(%s): the value cannot be stored", call, key);
    return ErrorOf(status); // I/O failures are logged by the store
}

int Get(const char* call, const char* key, Type type, Value* value) {
    int error = PREFERENCE_ERROR_NONE;
    auto store = StoreFor(call, key, &error);
    if (!store)
        return error;
    Status status = store->Get(key, value);
    if (status == Status::NoKey) {
        __dlog_print(LOG_ID_MAIN, DLOG_DEBUG, kTag, "%s(%s): no such key", call, key);
        return PREFERENCE_ERROR_NO_KEY;
    }
    if (status != Status::Ok)
        return ErrorOf(status);
    if (value->type != type) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "%s(%s): the key is of type %s, not %s", call,
                     key, watch::settings::TypeName(value->type), watch::settings::TypeName(type));
        return PREFERENCE_ERROR_TYPE_MISMATCH;
    }
    return PREFERENCE_ERROR_NONE;
}

// The change callbacks of this process: one per key, by channel (package). Main-loop
// thread only.
struct Watch {
    preference_changed_cb cb;
    void* data;
    uint64_t since; // the notifier's stamp at registration: earlier changes are not its own
};

struct ChannelWatches {
    unsigned listener = 0;
    std::map<std::string, Watch> byKey;
};

std::map<std::string, ChannelWatches>& Watches() {
    static auto* watches = new std::map<std::string, ChannelWatches>(); // lives with callbacks
    return *watches;
}

void Deliver(const std::string& channel, const std::string& key) {
    auto ch = Watches().find(channel);
    if (ch == Watches().end())
        return;
    auto it = ch->second.byKey.find(key);
    if (it == ch->second.byKey.end() ||
        it->second.since >= watch::settings::Notifier::Instance().Delivering())
        return;
    // Copies: the callback may remove or replace itself.
    const Watch watch = it->second;
    const std::string name = key;
    watch.cb(name.c_str(), watch.data);
}

} // namespace

extern "C" {

int preference_set_int(const char* key, int value) {
    return Set("preference_set_int", key, Value::Int(value));
}

int preference_get_int(const char* key, int* value) {
    if (!value)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    Value v;
    int rc = Get("preference_get_int", key, Type::Int, &v);
    if (rc == PREFERENCE_ERROR_NONE)
        *value = v.i;
    return rc;
}

int preference_set_double(const char* key, double value) {
    return Set("preference_set_double", key, Value::Double(value));
}

int preference_get_double(const char* key, double* value) {
    if (!value)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    Value v;
    int rc = Get("preference_get_double", key, Type::Double, &v);
    if (rc == PREFERENCE_ERROR_NONE)
        *value = v.d;
    return rc;
}

int preference_set_string(const char* key, const char* value) {
    if (!value) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "preference_set_string(%s): NULL value",
                     Shown(key));
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    }
    return Set("preference_set_string", key, Value::String(value));
}

int preference_get_string(const char* key, char** value) {
    if (!value)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    Value v;
    int rc = Get("preference_get_string", key, Type::String, &v);
    if (rc != PREFERENCE_ERROR_NONE)
        return rc;
    char* copy = static_cast<char*>(malloc(v.s.size() + 1));
    if (!copy) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "preference_get_string(%s): out of memory",
                     key);
        return PREFERENCE_ERROR_OUT_OF_MEMORY;
    }
    memcpy(copy, v.s.c_str(), v.s.size() + 1);
    *value = copy;
    return PREFERENCE_ERROR_NONE;
}

int preference_set_boolean(const char* key, bool value) {
    return Set("preference_set_boolean", key, Value::Bool(value));
}

int preference_get_boolean(const char* key, bool* value) {
    if (!value)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    Value v;
    int rc = Get("preference_get_boolean", key, Type::Bool, &v);
    if (rc == PREFERENCE_ERROR_NONE)
        *value = v.i != 0;
    return rc;
}

int preference_remove(const char* key) {
    int error = PREFERENCE_ERROR_NONE;
    auto store = StoreFor("preference_remove", key, &error);
    if (!store)
        return error;
    Status status = store->Remove(key);
    if (status == Status::NoKey)
        __dlog_print(LOG_ID_MAIN, DLOG_DEBUG, kTag, "preference_remove(%s): no such key", key);
    return ErrorOf(status);
}

int preference_remove_all(void) {
    int error = PREFERENCE_ERROR_NONE;
    auto store = StoreFor("preference_remove_all", "*", &error);
    if (!store)
        return error;
    return ErrorOf(store->RemovePrefix(std::string()));
}

int preference_is_existing(const char* key, bool* existing) {
    if (!existing)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    int error = PREFERENCE_ERROR_NONE;
    auto store = StoreFor("preference_is_existing", key, &error);
    if (!store)
        return error;
    Value v;
    Status status = store->Get(key, &v);
    if (status != Status::Ok && status != Status::NoKey)
        return ErrorOf(status);
    *existing = status == Status::Ok;
    return PREFERENCE_ERROR_NONE;
}

int preference_foreach_item(preference_item_cb callback, void* user_data) {
    if (!callback)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    int error = PREFERENCE_ERROR_NONE;
    auto store = StoreFor("preference_foreach_item", "*", &error);
    if (!store)
        return error;
    std::vector<watch::settings::Item> items;
    Status status = store->List(&items);
    if (status != Status::Ok)
        return ErrorOf(status);
    for (const watch::settings::Item& item : items) {
        if (!callback(item.key.c_str(), user_data))
            break;
    }
    return PREFERENCE_ERROR_NONE;
}

int preference_set_changed_cb(const char* key, preference_changed_cb callback, void* user_data) {
    int error = PREFERENCE_ERROR_NONE;
    auto store = StoreFor("preference_set_changed_cb", key, &error);
    if (!store)
        return error;
    if (!callback) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "preference_set_changed_cb(%s): NULL callback",
                     key);
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    }
    Value v;
    Status status = store->Get(key, &v);
    if (status == Status::NoKey) {
        __dlog_print(LOG_ID_MAIN, DLOG_DEBUG, kTag,
                     "preference_set_changed_cb(%s): no such key to watch", key);
        return PREFERENCE_ERROR_NO_KEY;
    }
    if (status != Status::Ok)
        return ErrorOf(status);
    ChannelWatches& watches = Watches()[store->Channel()];
    watches.byKey[key] = Watch{callback, user_data, watch::settings::Notifier::Instance().Stamp()};
    if (!watches.listener)
        watches.listener = watch::settings::Notifier::Instance().Listen(store->Channel(), Deliver);
    return PREFERENCE_ERROR_NONE;
}

int preference_unset_changed_cb(const char* key) {
    int error = PREFERENCE_ERROR_NONE;
    auto store = StoreFor("preference_unset_changed_cb", key, &error);
    if (!store)
        return error;
    auto ch = Watches().find(store->Channel());
    if (ch == Watches().end() || ch->second.byKey.erase(key) == 0) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                     "preference_unset_changed_cb(%s): no callback is registered for it", key);
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    }
    if (ch->second.byKey.empty()) {
        watch::settings::Notifier::Instance().Unlisten(ch->second.listener);
        Watches().erase(ch);
    }
    return PREFERENCE_ERROR_NONE;
}

} // extern "C"
