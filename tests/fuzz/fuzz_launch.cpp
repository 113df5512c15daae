// Launch requests from arbitrary bytes, delivered over a real bus to the decoder that
// turns a Launch call into an app_control handle.
//
// The fuzzer starts the device bus of its own device root, stopped when the run ends. A
// raw libdbus connection sends each input as a Launch call to an Eldbus connection of the
// same process, which serves the interface as applications do (same method table
// signature, so the bus binding turns away what it turns away for them) and decodes what
// reaches it.
//
// The first byte picks the form of the rest:
//  - even: a whole method call in wire format. libdbus checks it as it does every
//    message it receives; it goes out readdressed to the Launch method, its body and
//    the rest of its header as they are.
//  - odd: a list of a{sv} fields, built so that most inputs are well-formed: known and
//    unknown names, values of the right and of wrong types.
#include "FuzzScratch.h"
#include "app_control_internal.h"
#include "watch_appfw.h"
#include "watch_bus.h"

#include <Ecore.h>
#include <Eldbus.h>
#include <dbus/dbus.h>
#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {

bool gHandled = false;

// A decoded request keeps to the limits and carries only text the setters would accept.
void CheckDecoded(const app_control_s& request) {
    size_t bytes = 0;
    for (const auto* text : {&request.operation, &request.uri, &request.caller}) {
        if (*text && !g_utf8_validate((*text)->data(), (*text)->size(), nullptr))
            __builtin_trap();
        if (*text && text != &request.caller)
            bytes += (*text)->size();
    }
    std::set<std::string> keys;
    for (const auto& [key, value] : request.extras) {
        if (key.empty() || key.size() > watch::appfw::kMaxKeyBytes || !keys.insert(key).second)
            __builtin_trap(); // empty, too long or twice
        bytes += key.size() + value.size();
    }
    if (keys.size() > watch::appfw::kMaxExtras || bytes > watch::appfw::kMaxRequestBytes)
        __builtin_trap();
}

// The receiving side: decodes, checks, and answers with the extras it decoded.
Eldbus_Message* OnLaunch(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    gHandled = true;
    std::string error;
    app_control_h handle = watch::appfw::DecodeLaunch(msg, &error);
    if (!handle) {
        if (error.empty())
            __builtin_trap(); // a refusal always says why
        return eldbus_message_error_new(msg, watch::appfw::kErrorInvalidRequest, error.c_str());
    }
    CheckDecoded(*handle);
    // A received request can be cloned and let go of like any other.
    app_control_h clone = nullptr;
    if (app_control_clone(&clone, handle) != APP_CONTROL_ERROR_NONE)
        __builtin_trap();
    Eldbus_Message* answer = eldbus_message_method_return_new(msg);
    Eldbus_Message_Iter* top = eldbus_message_iter_get(answer);
    if (!eldbus_message_iter_basic_append(top, 'i', 0) ||
        !watch::appfw::AppendExtras(top, clone->extras))
        __builtin_trap();
    app_control_destroy(clone);
    app_control_destroy(handle);
    return answer;
}

const Eldbus_Arg_Info kLaunchIn[] = {{"a{sv}", "request"}, {nullptr, nullptr}};
const Eldbus_Arg_Info kLaunchOut[] = {{"i", "result"}, {"a{ss}", "extras"}, {nullptr, nullptr}};
const Eldbus_Method kMethods[] = {{"Launch", kLaunchIn, kLaunchOut, OnLaunch, 0},
                                  {nullptr, nullptr, nullptr, nullptr, 0}};
const Eldbus_Service_Interface_Desc kInterfaceDesc = {
    watch::appfw::kInterface, kMethods, nullptr, nullptr, nullptr, nullptr};

// The sending side: a raw libdbus connection, and the unique name of the Eldbus connection
// that serves Launch.
struct Bus {
    DBusConnection* sender = nullptr;
    std::string receiver;
};

// Starts the device bus of the run's own root (stopped when the run ends) and connects both
// sides to it.
bool Connect(Bus* bus) {
    // The refusals are logged in the run's own device root.
    fuzz::ScratchRoot();
    ecore_init();
    std::string error;
    if (!watch::bus::Start(&error)) {
        fprintf(stderr, "fuzz_launch: %s\n", error.c_str());
        return false;
    }
    atexit([] {
        std::string ignored;
        watch::bus::Stop(&ignored);
    });
    Eldbus_Connection* receiver = watch::bus::Connect();
    if (!receiver ||
        !eldbus_service_interface_register(receiver, watch::appfw::kObjectPath, &kInterfaceDesc))
        return false;
    const char* name = eldbus_connection_unique_name_get(receiver);
    bus->receiver = name ? name : "";
    DBusError err;
    dbus_error_init(&err);
    bus->sender = dbus_connection_open_private(watch::bus::Address().c_str(), &err);
    if (!bus->sender || !dbus_bus_register(bus->sender, &err) || bus->receiver.empty()) {
        fprintf(stderr, "fuzz_launch: cannot connect: %s\n", err.message ? err.message : "");
        dbus_error_free(&err);
        return false;
    }
    return true;
}

// ---- wire format

DBusMessage* FromWire(const uint8_t* data, size_t size) {
    DBusError err;
    dbus_error_init(&err);
    DBusMessage* call =
        dbus_message_demarshal(reinterpret_cast<const char*>(data), static_cast<int>(size), &err);
    dbus_error_free(&err);
    if (call && dbus_message_get_type(call) != DBUS_MESSAGE_TYPE_METHOD_CALL) {
        dbus_message_unref(call);
        return nullptr;
    }
    return call;
}

// ---- a{sv} fields

// The input, a byte at a time; zeros once it runs out.
struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool Empty() const { return pos >= size; }
    uint8_t Next() { return pos < size ? data[pos++] : 0; }
    // Valid UTF-8 without zero bytes, as D-Bus strings are; a length byte, then the text.
    std::string Text() {
        size_t n = Next();
        if (n == 255) // now and then a long one
            n = 300 + Next() * 16;
        std::string raw;
        for (size_t i = 0; i < n && !Empty(); ++i)
            raw += static_cast<char>(Next());
        gchar* valid = g_utf8_make_valid(raw.data(), static_cast<gssize>(raw.size()));
        std::string text(valid); // stops at a zero byte
        g_free(valid);
        return text;
    }
};

bool AppendString(DBusMessageIter* iter, const std::string& text) {
    const char* s = text.c_str();
    return dbus_message_iter_append_basic(iter, DBUS_TYPE_STRING, &s);
}

bool AppendExtrasField(DBusMessageIter* variant, Bytes* in) {
    DBusMessageIter array;
    if (!dbus_message_iter_open_container(variant, DBUS_TYPE_ARRAY, "{ss}", &array))
        return false;
    bool ok = true;
    for (int n = in->Next() % 8; n > 0 && ok; --n) {
        DBusMessageIter entry;
        ok = dbus_message_iter_open_container(&array, DBUS_TYPE_DICT_ENTRY, nullptr, &entry) &&
             AppendString(&entry, in->Text()) && AppendString(&entry, in->Text()) &&
             dbus_message_iter_close_container(&array, &entry);
    }
    return dbus_message_iter_close_container(variant, &array) && ok;
}

bool AppendField(DBusMessageIter* dict, Bytes* in) {
    static const char* const kNames[] = {"operation", "uri", "caller", "reply", "extras"};
    static const char* const kSignatures[] = {"s", "b", "a{ss}", "i", "as", "v"};
    const uint8_t pick = in->Next();
    const std::string name = pick % 8 < 5 ? kNames[pick % 8] : pick % 8 == 5 ? "" : in->Text();
    const int kind = in->Next() % 6;
    const char* signature = kSignatures[kind];

    DBusMessageIter entry, variant, inner;
    if (!dbus_message_iter_open_container(dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry) ||
        !AppendString(&entry, name) ||
        !dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant))
        return false;
    bool ok = true;
    switch (kind) {
    case 0:
        ok = AppendString(&variant, in->Text());
        break;
    case 1: {
        dbus_bool_t b = in->Next() & 1;
        ok = dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &b);
        break;
    }
    case 2:
        ok = AppendExtrasField(&variant, in);
        break;
    case 3: {
        dbus_int32_t i = in->Next();
        ok = dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT32, &i);
        break;
    }
    case 4: // as
    case 5: // v holding an s
        ok = dbus_message_iter_open_container(
                 &variant, kind == 4 ? DBUS_TYPE_ARRAY : DBUS_TYPE_VARIANT, "s", &inner) &&
             AppendString(&inner, in->Text()) &&
             dbus_message_iter_close_container(&variant, &inner);
        break;
    }
    ok = dbus_message_iter_close_container(&entry, &variant) && ok;
    return dbus_message_iter_close_container(dict, &entry) && ok;
}

bool FromFields(const uint8_t* data, size_t size, DBusMessage* call) {
    Bytes in{data, size};
    DBusMessageIter top, dict;
    dbus_message_iter_init_append(call, &top);
    if (!dbus_message_iter_open_container(&top, DBUS_TYPE_ARRAY, "{sv}", &dict))
        return false;
    bool ok = true;
    for (int fields = 0; ok && !in.Empty() && fields < 16; ++fields)
        ok = AppendField(&dict, &in);
    return dbus_message_iter_close_container(&top, &dict) && ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Bus bus;
    static const bool connected = Connect(&bus);
    if (!connected)
        abort(); // the harness itself is broken: say so rather than pass
    if (size < 1)
        return 0;
    gHandled = false;
    DBusMessage* call = nullptr;
    if (data[0] & 1) {
        call = dbus_message_new_method_call(nullptr, watch::appfw::kObjectPath, nullptr, "Launch");
        if (!FromFields(data + 1, size - 1, call)) {
            dbus_message_unref(call);
            return 0;
        }
    } else if (!(call = FromWire(data + 1, size - 1))) {
        return 0;
    }
    dbus_message_set_no_reply(call, FALSE);
    const bool built = dbus_message_set_destination(call, bus.receiver.c_str()) &&
                       dbus_message_set_path(call, watch::appfw::kObjectPath) &&
                       dbus_message_set_interface(call, watch::appfw::kInterface) &&
                       dbus_message_set_member(call, "Launch");
    DBusPendingCall* pending = nullptr;
    const bool sent =
        built && dbus_connection_send_with_reply(bus.sender, call, &pending, 10000) && pending;
    dbus_message_unref(call);
    if (!sent)
        return 0;
    dbus_connection_flush(bus.sender);
    while (!dbus_pending_call_get_completed(pending)) {
        ecore_main_loop_iterate_may_block(0);
        dbus_connection_read_write_dispatch(bus.sender, 1);
    }
    DBusMessage* reply = dbus_pending_call_steal_reply(pending);
    dbus_pending_call_unref(pending);
    if (!reply)
        __builtin_trap();
    const bool error = dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_ERROR;
    const char* errorName = error ? dbus_message_get_error_name(reply) : "";
    // Only the decoder refuses with InvalidRequest, and every a{sv} reaches it.
    if (gHandled != (!error || strcmp(errorName, watch::appfw::kErrorInvalidRequest) == 0) ||
        ((data[0] & 1) && !gHandled))
        __builtin_trap();
    dbus_message_unref(reply);
    return 0;
}
