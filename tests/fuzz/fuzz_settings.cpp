// Settings keys and values from arbitrary text, the way `watchctl vconf set` and the C
// calls take them: a value read from text prints back as text that reads the same, an
// entry line stays one line, and whatever the store accepts it gives back unchanged.
//
// Input: one byte for the type (low two bits: int, bool, double, string), one byte for
// the key's length, the key, and the rest as the value's text.
#include "FuzzScratch.h"
#include "settings_cli.h"
#include "settings_store.h"
#include "vconf.h"
#include "vconf_store.h"

#include <Ecore.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using watch::settings::Status;
using watch::settings::Type;
using watch::settings::Value;

bool Same(const Value& a, const Value& b) {
    // Value's == holds -0.0 and 0.0 equal; a stored double must keep its sign too.
    return a == b && (a.type != Type::Double || std::signbit(a.d) == std::signbit(b.d));
}

void CheckText(const std::string& text, Type type, Value* parsed, bool* ok) {
    std::string reason;
    *ok = watchctl::ParseValue(text, type, parsed, &reason);
    if (!*ok && reason.empty())
        __builtin_trap(); // a refusal gives its reason
    if (!*ok)
        return;
    if (parsed->type != type)
        __builtin_trap();
    // What `get` prints, `set` reads back as the same value.
    Value again;
    if (!watchctl::ParseValue(parsed->Text(), type, &again, &reason) || !Same(again, *parsed))
        __builtin_trap();
}

void CheckEntryLine(const std::string& key, const Value& value) {
    const std::string line = watchctl::EntryLine(key, value);
    if (line.find('\n') != std::string::npos)
        __builtin_trap();
    // KEY<TAB>TYPE<TAB>VALUE: exactly two unescaped tabs.
    if (std::count(line.begin(), line.end(), '\t') != 2)
        __builtin_trap();
}

// The C calls refuse invalid keys and store what the valid ones get.
void CheckVconf(const std::string& key, const Value& value) {
    const bool valid = watch::vconf::IsValidKey(key.c_str());
    int rc = VCONF_ERROR;
    switch (value.type) {
    case Type::Int:
        rc = vconf_set_int(key.c_str(), value.i);
        break;
    case Type::Bool:
        rc = vconf_set_bool(key.c_str(), value.i);
        break;
    case Type::Double:
        rc = vconf_set_dbl(key.c_str(), value.d);
        break;
    case Type::String:
        rc = vconf_set_str(key.c_str(), value.s.c_str());
        break;
    case Type::None:
        return;
    }
    if (!valid) {
        if (rc != VCONF_ERROR_WRONG_PREFIX)
            __builtin_trap();
        return;
    }
    if (rc != VCONF_OK)
        __builtin_trap();
    // The engine's round trip is checked below; here, that a C string ends at a zero byte.
    if (value.type == Type::String) {
        char* back = vconf_get_str(key.c_str());
        if (!back || value.s.substr(0, value.s.find('\0')) != back)
            __builtin_trap();
        free(back);
    }
    if (vconf_unset(key.c_str()) != VCONF_OK)
        __builtin_trap();
}

// The engine under both stores takes any key text its callers can give it (they all come
// from C strings), without the key rules of vconf.
void CheckStore(const std::string& root, const std::string& key, const Value& value) {
    static std::unique_ptr<watch::settings::Store> store(
        new watch::settings::Store(root + "/engine.db", "fuzz", "FUZZ", "rm engine.db"));
    bool changed = false;
    if (store->Set(key, value, &changed) != Status::Ok)
        __builtin_trap();
    Value back;
    if (store->Get(key, &back) != Status::Ok || !Same(back, value))
        __builtin_trap();
    std::vector<watch::settings::Item> items;
    if (store->List(&items, key) != Status::Ok || items.empty() || items[0].key != key)
        __builtin_trap();
    if (store->Remove(key) != Status::Ok || store->Get(key, &back) != Status::NoKey)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string root = [] {
        ecore_init();
        return fuzz::ScratchRoot();
    }();
    if (root.empty() || size < 2)
        return 0;
    static const Type kTypes[] = {Type::Int, Type::Bool, Type::Double, Type::String};
    const Type type = kTypes[data[0] & 3];
    const size_t keyLength = std::min<size_t>(data[1], size - 2);
    const std::string key(reinterpret_cast<const char*>(data + 2), keyLength);
    const std::string text(reinterpret_cast<const char*>(data + 2 + keyLength),
                           size - 2 - keyLength);

    Value value;
    bool parsed = false;
    CheckText(text, type, &value, &parsed);
    if (!parsed)
        return 0;
    CheckEntryLine(key, value);
    CheckVconf(key, value);
    CheckStore(root, key.substr(0, key.find('\0')), value);
    // The change notices go out from a job.
    ecore_main_loop_iterate();
    return 0;
}
