// Writes the seeds of the launch fuzz target into the folder given (corpus/launch):
// whole messages in wire format, made with libdbus, and field lists in the target's own
// form. Run by hand when the request format changes: build/bin/fuzz_launch_seeds DIR.
#include <dbus/dbus.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

bool Save(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

void AppendPairs(DBusMessageIter* iter, const Pairs& pairs) {
    DBusMessageIter array;
    dbus_message_iter_open_container(iter, DBUS_TYPE_ARRAY, "{ss}", &array);
    for (const auto& pair : pairs) {
        DBusMessageIter entry;
        const char* key = pair.first.c_str();
        const char* value = pair.second.c_str();
        dbus_message_iter_open_container(&array, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &value);
        dbus_message_iter_close_container(&array, &entry);
    }
    dbus_message_iter_close_container(iter, &array);
}

// One a{sv} field whose variant holds one basic value or the extras.
struct Field {
    std::string name;
    char type; // 's', 'b', 'i' or 'e' for a{ss}
    std::string text;
    int number = 0;
    Pairs extras;
};

void AppendFields(DBusMessageIter* top, const std::vector<Field>& fields) {
    DBusMessageIter dict;
    dbus_message_iter_open_container(top, DBUS_TYPE_ARRAY, "{sv}", &dict);
    for (const Field& f : fields) {
        DBusMessageIter entry, variant;
        const char* name = f.name.c_str();
        dbus_message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &name);
        const char* signature = f.type == 's'   ? "s"
                                : f.type == 'b' ? "b"
                                : f.type == 'i' ? "i"
                                                : "a{ss}";
        dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant);
        if (f.type == 's') {
            const char* text = f.text.c_str();
            dbus_message_iter_append_basic(&variant, DBUS_TYPE_STRING, &text);
        } else if (f.type == 'b') {
            dbus_bool_t b = f.number != 0;
            dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &b);
        } else if (f.type == 'i') {
            dbus_int32_t i = f.number;
            dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT32, &i);
        } else {
            AppendPairs(&variant, f.extras);
        }
        dbus_message_iter_close_container(&entry, &variant);
        dbus_message_iter_close_container(&dict, &entry);
    }
    dbus_message_iter_close_container(top, &dict);
}

DBusMessage* NewCall() {
    DBusMessage* msg = dbus_message_new_method_call("watch.app.com_2ekorvane", "/watch/appfw",
                                                    "watch.appfw.Application", "Launch");
    dbus_message_set_serial(msg, 7);
    return msg;
}

// The target's first byte 0 selects the wire form.
std::string Wire(DBusMessage* msg) {
    char* bytes = nullptr;
    int size = 0;
    std::string out(1, '\0');
    if (dbus_message_marshal(msg, &bytes, &size)) {
        out.append(bytes, static_cast<size_t>(size));
        dbus_free(bytes);
    }
    dbus_message_unref(msg);
    return out;
}

std::string WireFields(const std::vector<Field>& fields) {
    DBusMessage* msg = NewCall();
    DBusMessageIter top;
    dbus_message_iter_init_append(msg, &top);
    AppendFields(&top, fields);
    return Wire(msg);
}

// The field form (first byte odd): per field a name pick (0 operation, 1 uri, 2 caller,
// 3 reply, 4 extras, 5 empty, 6 text follows), a kind (0 s, 1 b, 2 a{ss}, 3 i, 4 as,
// 5 v), then the value; texts are a length byte and the bytes.
std::string Text(const std::string& s) {
    return std::string(1, static_cast<char>(s.size())) + s;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const Field reply{"reply", 'b', "", 1, {}};
    const Field save{
        "extras", 'e', "", 0, {{"watch_editor_save", "true"}, {"watch_editor_tutorial", "false"}}};
    std::vector<std::pair<std::string, std::string>> seeds = {
        {"wire-editor-request",
         WireFields({{"operation", 's', "http://korvane.com/appcontrol/operation/settings", 0, {}},
                     {"caller", 's', "com.korvane.clock-dalvexa", 0, {}},
                     reply,
                     save})},
        {"wire-no-reply-wanted", WireFields({{"uri", 's', "file:///x", 0, {}},
                                             {"reply", 'b', "", 0, {}},
                                             {"extras", 'e', "", 0, {}}})},
        {"wire-mistyped", WireFields({{"reply", 's', "yes", 0, {}},
                                      {"operation", 'i', "", 7, {}},
                                      {"extras", 'e', "", 0, {{"", "empty key"}}}})},
        {"wire-duplicates", WireFields({reply,
                                        save,
                                        {"extras", 'e', "", 0, {{"k", "1"}, {"k", "2"}}},
                                        {"later", 's', "unknown field", 0, {}}})},
        {"wire-empty-dict", WireFields({})},
    };
    {
        DBusMessage* msg = NewCall(); // a reply's body: (i result, a{ss} extras)
        DBusMessageIter top;
        dbus_message_iter_init_append(msg, &top);
        dbus_int32_t result = 0;
        dbus_message_iter_append_basic(&top, DBUS_TYPE_INT32, &result);
        AppendPairs(&top, {{"watch_editor_save", "true"}});
        seeds.emplace_back("wire-reply-body", Wire(msg));
    }
    {
        DBusMessage* msg = NewCall(); // the wrong signature altogether
        const char* three = "three";
        dbus_int32_t i = 3;
        dbus_message_append_args(msg, DBUS_TYPE_INT32, &i, DBUS_TYPE_STRING, &three,
                                 DBUS_TYPE_INVALID);
        seeds.emplace_back("wire-int-and-string", Wire(msg));
    }
    seeds.emplace_back("wire-no-body", Wire(NewCall()));

    const std::string kReply = std::string("\x03\x01\x01", 3);
    const std::string kExtras = std::string("\x04\x02\x02", 3) + Text("watch_editor_save") +
                                Text("true") + Text("k") + Text("");
    seeds.emplace_back("fields-good", "\x01" + std::string("\x00\x00", 2) + Text("op/settings") +
                                          kReply + kExtras);
    seeds.emplace_back("fields-caller-and-unknown",
                       "\x01" + std::string("\x02\x00", 2) + Text("com.example") +
                           std::string("\x06", 1) + Text("later") + std::string("\x05", 1) +
                           Text("nested") + kReply + kExtras);
    seeds.emplace_back("fields-mistyped", "\x01" + kReply + std::string("\x04\x00", 2) +
                                              Text("k=v") + std::string("\x01\x03\x07", 3));
    seeds.emplace_back("fields-empty-key",
                       "\x01" + kReply + std::string("\x04\x02\x01", 3) + Text("") + Text("v"));
    seeds.emplace_back("fields-long-key", "\x01" + kReply + std::string("\x04\x02\x01\xff\x40", 5) +
                                              std::string(300 + 0x40 * 16, 'k') + Text("v"));
    seeds.emplace_back("fields-missing-extras", "\x01" + kReply);

    for (const auto& seed : seeds) {
        if (!Save(dir + "/" + seed.first, seed.second)) {
            fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), seed.first.c_str());
            return 1;
        }
    }
    printf("%zu seeds written to %s\n", seeds.size(), dir.c_str());
    return 0;
}
