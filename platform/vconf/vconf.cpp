#include "vconf.h"
#include "vconf_store.h"

#include "dlog.h"
#include "settings_notify.h"
#include "watch_device.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

using watch::settings::Status;
using watch::settings::Type;
using watch::settings::Value;

// What a callback is handed: the key and its value when the change was delivered.
struct _keynode_t {
    std::string name;
    int type = VCONF_TYPE_NONE;
    int i = 0;
    double d = 0.0;
    std::string s;
};

namespace watch {
namespace vconf {

const char* const kChannel = "vconf";

namespace {

const char* const kTag = "WATCH-VCONF";

} // namespace

std::string DatabasePath() {
    return SettingsDir() + "/vconf.db";
}

bool IsValidKey(const char* key) {
    if (!settings::IsValidKeyText(key))
        return false;
    for (const char* prefix : {"db/", "file/", "memory/"}) {
        const size_t len = strlen(prefix);
        if (strncmp(key, prefix, len) == 0)
            return key[len] != '\0';
    }
    return false;
}

std::shared_ptr<settings::Store> DeviceStore() {
    static std::mutex mutex;
    static std::shared_ptr<settings::Store> store;
    const std::string path = DatabasePath();
    std::lock_guard<std::mutex> lock(mutex);
    if (!store || store->Path() != path)
        store = std::make_shared<settings::Store>(path, kChannel, kTag, "watchctl vconf reset");
    return store;
}

settings::Status ClearVolatileKeys(const std::string& bootId, bool* cleared) {
    return DeviceStore()->ClearOncePerBoot("memory/", bootId, cleared);
}

} // namespace vconf
} // namespace watch

namespace {

using watch::vconf::kTag;

const char* Shown(const char* key) {
    return key ? key : "(null)";
}

int ErrorOf(Status status) {
    switch (status) {
    case Status::Ok:
        return VCONF_OK;
    case Status::NoKey:
        return VCONF_ERROR_NO_KEY;
    case Status::BadValue:
        return VCONF_ERROR_WRONG_VALUE;
    case Status::Io:
        return VCONF_ERROR_FILE;
    case Status::Busy:
        return VCONF_ERROR_BUSY;
    }
    return VCONF_ERROR;
}

bool CheckKey(const char* call, const char* key) {
    if (watch::vconf::IsValidKey(key))
        return true;
    __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                 "%s(%s): not a vconf key (\"db/\", \"file/\" or \"memory/\" and a name)", call,
                 Shown(key));
    return false;
}

int Set(const char* call, const char* key, const Value& value) {
    if (!CheckKey(call, key))
        return VCONF_ERROR_WRONG_PREFIX;
    Status status = watch::vconf::DeviceStore()->Set(key, value);
    if (status == Status::BadValue)
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "%s(%s): the value cannot be stored", call, key);
    return ErrorOf(status); // I/O failures are logged by the store
}

int Get(const char* call, const char* key, Type type, Value* value) {
    if (!CheckKey(call, key))
        return VCONF_ERROR_WRONG_PREFIX;
    Status status = watch::vconf::DeviceStore()->Get(key, value);
    if (status == Status::NoKey) {
        __dlog_print(LOG_ID_MAIN, DLOG_DEBUG, kTag, "%s(%s): no such key", call, key);
        return VCONF_ERROR_NO_KEY;
    }
    if (status != Status::Ok)
        return ErrorOf(status);
    if (value->type != type) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "%s(%s): the key is of type %s, not %s", call,
                     key, watch::settings::TypeName(value->type), watch::settings::TypeName(type));
        return VCONF_ERROR_WRONG_TYPE;
    }
    return VCONF_OK;
}

int NodeType(Type type) {
    switch (type) {
    case Type::Int:
        return VCONF_TYPE_INT;
    case Type::Bool:
        return VCONF_TYPE_BOOL;
    case Type::Double:
        return VCONF_TYPE_DOUBLE;
    case Type::String:
        return VCONF_TYPE_STRING;
    case Type::None:
        break;
    }
    return VCONF_TYPE_NONE;
}

// The callbacks of this process, by key. Main-loop thread only.
struct Watch {
    unsigned id;
    vconf_callback_fn cb;
    void* data;
    uint64_t since; // the notifier's stamp at registration: earlier changes are not its own
};

struct Registry {
    std::map<std::string, std::vector<Watch>> byKey;
    unsigned listener = 0; // the notifier listener while any callback is registered
    unsigned nextId = 1;
};

Registry& Watches() {
    static Registry* registry = new Registry(); // callbacks may run until the process ends
    return *registry;
}

const Watch* FindWatch(const std::string& key, unsigned id) {
    auto it = Watches().byKey.find(key);
    if (it == Watches().byKey.end())
        return nullptr;
    for (const Watch& w : it->second) {
        if (w.id == id)
            return &w;
    }
    return nullptr;
}

void Deliver(const std::string&, const std::string& key) {
    auto it = Watches().byKey.find(key);
    if (it == Watches().byKey.end())
        return;
    const uint64_t change = watch::settings::Notifier::Instance().Delivering();
    std::vector<unsigned> ids;
    for (const Watch& w : it->second) {
        if (w.since < change)
            ids.push_back(w.id);
    }

    Value value;
    Status status = watch::vconf::DeviceStore()->Get(key, &value);
    if (status != Status::Ok && status != Status::NoKey)
        return; // logged by the store; there is no value to hand over
    _keynode_t node;
    node.name = key;
    node.type = status == Status::NoKey ? VCONF_TYPE_NONE : NodeType(value.type);
    node.i = value.i;
    node.d = value.d;
    node.s = value.s;
    // Callbacks may add and remove callbacks: each is looked up again before its call,
    // and those added meanwhile wait for the next change.
    for (unsigned id : ids) {
        const Watch* w = FindWatch(key, id);
        if (!w)
            continue;
        vconf_callback_fn cb = w->cb;
        void* data = w->data;
        cb(&node, data);
    }
}

} // namespace

extern "C" {

int vconf_set_int(const char* in_key, const int intval) {
    return Set("vconf_set_int", in_key, Value::Int(intval));
}

int vconf_set_bool(const char* in_key, const int boolval) {
    return Set("vconf_set_bool", in_key, Value::Bool(boolval != 0));
}

int vconf_set_dbl(const char* in_key, const double dblval) {
    return Set("vconf_set_dbl", in_key, Value::Double(dblval));
}

int vconf_set_str(const char* in_key, const char* strval) {
    if (!strval) {
        if (!CheckKey("vconf_set_str", in_key))
            return VCONF_ERROR_WRONG_PREFIX;
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "vconf_set_str(%s): NULL value", in_key);
        return VCONF_ERROR_WRONG_VALUE;
    }
    return Set("vconf_set_str", in_key, Value::String(strval));
}

int vconf_get_int(const char* in_key, int* intval) {
    if (!intval)
        return VCONF_ERROR_WRONG_VALUE;
    Value value;
    int rc = Get("vconf_get_int", in_key, Type::Int, &value);
    if (rc == VCONF_OK)
        *intval = value.i;
    return rc;
}

int vconf_get_bool(const char* in_key, int* boolval) {
    if (!boolval)
        return VCONF_ERROR_WRONG_VALUE;
    Value value;
    int rc = Get("vconf_get_bool", in_key, Type::Bool, &value);
    if (rc == VCONF_OK)
        *boolval = value.i;
    return rc;
}

int vconf_get_dbl(const char* in_key, double* dblval) {
    if (!dblval)
        return VCONF_ERROR_WRONG_VALUE;
    Value value;
    int rc = Get("vconf_get_dbl", in_key, Type::Double, &value);
    if (rc == VCONF_OK)
        *dblval = value.d;
    return rc;
}

char* vconf_get_str(const char* in_key) {
    Value value;
    if (Get("vconf_get_str", in_key, Type::String, &value) != VCONF_OK)
        return nullptr;
    char* copy = static_cast<char*>(malloc(value.s.size() + 1));
    if (!copy) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "vconf_get_str(%s): out of memory", in_key);
        return nullptr;
    }
    memcpy(copy, value.s.c_str(), value.s.size() + 1);
    return copy;
}

int vconf_unset(const char* in_key) {
    if (!CheckKey("vconf_unset", in_key))
        return VCONF_ERROR_WRONG_PREFIX;
    Status status = watch::vconf::DeviceStore()->Remove(in_key);
    if (status == Status::NoKey)
        __dlog_print(LOG_ID_MAIN, DLOG_DEBUG, kTag, "vconf_unset(%s): no such key", in_key);
    return ErrorOf(status);
}

int vconf_notify_key_changed(const char* in_key, vconf_callback_fn cb, void* user_data) {
    if (!CheckKey("vconf_notify_key_changed", in_key))
        return VCONF_ERROR_WRONG_PREFIX;
    if (!cb) {
        __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag, "vconf_notify_key_changed(%s): NULL callback",
                     in_key);
        return VCONF_ERROR_WRONG_VALUE;
    }
    Registry& reg = Watches();
    std::vector<Watch>& list = reg.byKey[in_key];
    for (Watch& w : list) {
        if (w.cb == cb) {
            w.data = user_data; // the pair registers once; the newest user data counts
            return VCONF_OK;
        }
    }
    list.push_back(
        Watch{reg.nextId++, cb, user_data, watch::settings::Notifier::Instance().Stamp()});
    if (!reg.listener)
        reg.listener =
            watch::settings::Notifier::Instance().Listen(watch::vconf::kChannel, Deliver);
    return VCONF_OK;
}

int vconf_ignore_key_changed(const char* in_key, vconf_callback_fn cb) {
    if (!CheckKey("vconf_ignore_key_changed", in_key))
        return VCONF_ERROR_WRONG_PREFIX;
    Registry& reg = Watches();
    auto it = reg.byKey.find(in_key);
    if (it != reg.byKey.end()) {
        for (auto w = it->second.begin(); w != it->second.end(); ++w) {
            if (w->cb != cb)
                continue;
            it->second.erase(w);
            if (it->second.empty())
                reg.byKey.erase(it);
            if (reg.byKey.empty() && reg.listener) {
                watch::settings::Notifier::Instance().Unlisten(reg.listener);
                reg.listener = 0;
            }
            return VCONF_OK;
        }
    }
    __dlog_print(LOG_ID_MAIN, DLOG_WARN, kTag,
                 "vconf_ignore_key_changed(%s): that callback is not registered", in_key);
    return VCONF_ERROR;
}

char* vconf_keynode_get_name(keynode_t* keynode) {
    return keynode ? &keynode->name[0] : nullptr;
}

int vconf_keynode_get_type(keynode_t* keynode) {
    return keynode ? keynode->type : VCONF_TYPE_NONE;
}

// The typed accessors answer -1 (NULL for strings) with errno EINVAL for a node of
// another type, so a removed key never reads as 0.
int vconf_keynode_get_int(keynode_t* keynode) {
    if (!keynode || keynode->type != VCONF_TYPE_INT) {
        errno = EINVAL;
        return -1;
    }
    return keynode->i;
}

int vconf_keynode_get_bool(keynode_t* keynode) {
    if (!keynode || keynode->type != VCONF_TYPE_BOOL) {
        errno = EINVAL;
        return -1;
    }
    return keynode->i;
}

double vconf_keynode_get_dbl(keynode_t* keynode) {
    if (!keynode || keynode->type != VCONF_TYPE_DOUBLE) {
        errno = EINVAL;
        return -1.0;
    }
    return keynode->d;
}

char* vconf_keynode_get_str(keynode_t* keynode) {
    if (!keynode || keynode->type != VCONF_TYPE_STRING) {
        errno = EINVAL;
        return nullptr;
    }
    return &keynode->s[0];
}

} // extern "C"
