#include "settings_cli.h"

#include "settings_notify.h"
#include "watch_device.h"

#include <Ecore.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

namespace watchctl {

using watch::settings::Status;
using watch::settings::Type;
using watch::settings::Value;

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

struct Args {
    std::vector<std::string> positional; // the action first
    bool hasType = false;
    Type type = Type::None;
};

// Options may stand anywhere; "--" ends them. A lone "-5" is a value, not an option.
int ParseArgs(const StoreTarget& target, int argc, char** argv, Args* args) {
    bool options = true;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (options && strcmp(arg, "--") == 0) {
            options = false;
            continue;
        }
        const char* typeName = nullptr;
        if (options && (strcmp(arg, "--type") == 0 || strcmp(arg, "-t") == 0)) {
            if (i + 1 >= argc)
                return UsageError(*target.command, "%s needs a type", arg);
            typeName = argv[++i];
        } else if (options && strncmp(arg, "--type=", 7) == 0) {
            typeName = arg + 7;
        } else if (options && arg[0] == '-' && arg[1] != '\0' &&
                   !(isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.')) {
            return UsageError(*target.command, "unknown option %s", arg);
        } else {
            args->positional.push_back(arg);
            continue;
        }
        if (!watch::settings::ParseType(typeName, &args->type))
            return UsageError(*target.command, "unknown type '%s': int, bool, double or string",
                              typeName);
        args->hasType = true;
    }
    return 0;
}

int StoreFailure(const StoreTarget& target, const char* action, const std::string& key) {
    return Fail("%s %s%s%s: %s", target.label.c_str(), action, key.empty() ? "" : " ", key.c_str(),
                target.store->LastError().c_str());
}

int CheckKey(const StoreTarget& target, const std::string& key) {
    if (target.validKey(key.c_str()))
        return 0;
    return UsageError(*target.command, "'%s' is not a key: %s", key.c_str(), target.keyRule);
}

int Get(const StoreTarget& target, const Args& args) {
    if (args.positional.size() != 2)
        return UsageError(*target.command, "get takes one KEY");
    const std::string& key = args.positional[1];
    if (int rc = CheckKey(target, key))
        return rc;
    Value value;
    Status status = target.store->Get(key, &value);
    if (status == Status::NoKey)
        return Fail("%s get %s: no such key", target.label.c_str(), key.c_str());
    if (status != Status::Ok)
        return StoreFailure(target, "get", key);
    if (args.hasType && value.type != args.type)
        return Fail("%s get %s: the key is of type %s, not %s", target.label.c_str(), key.c_str(),
                    watch::settings::TypeName(value.type), watch::settings::TypeName(args.type));
    printf("%s\n", value.Text().c_str());
    return 0;
}

int Set(const StoreTarget& target, const Args& args) {
    if (args.positional.size() != 3)
        return UsageError(*target.command, "set takes a KEY and a VALUE");
    const std::string& key = args.positional[1];
    if (int rc = CheckKey(target, key))
        return rc;
    Type type = args.type;
    if (!args.hasType) {
        Value old;
        Status status = target.store->Get(key, &old);
        if (status == Status::NoKey)
            return UsageError(*target.command, "%s does not exist yet: give its --type",
                              key.c_str());
        if (status != Status::Ok)
            return StoreFailure(target, "set", key);
        type = old.type;
    }
    Value value;
    std::string reason;
    if (!ParseValue(args.positional[2], type, &value, &reason))
        return UsageError(*target.command, "%s", reason.c_str());
    if (target.store->Set(key, value) != Status::Ok)
        return StoreFailure(target, "set", key);
    return 0;
}

int Unset(const StoreTarget& target, const Args& args) {
    if (args.positional.size() != 2)
        return UsageError(*target.command, "unset takes one KEY");
    const std::string& key = args.positional[1];
    if (int rc = CheckKey(target, key))
        return rc;
    Status status = target.store->Remove(key);
    if (status == Status::NoKey)
        return Fail("%s unset %s: no such key", target.label.c_str(), key.c_str());
    if (status != Status::Ok)
        return StoreFailure(target, "unset", key);
    return 0;
}

int List(const StoreTarget& target, const Args& args) {
    if (args.positional.size() > 2)
        return UsageError(*target.command, "list takes at most a PREFIX");
    const std::string prefix = args.positional.size() == 2 ? args.positional[1] : "";
    std::vector<watch::settings::Item> items;
    if (target.store->List(&items, prefix) != Status::Ok)
        return StoreFailure(target, "list", std::string());
    for (const watch::settings::Item& item : items) {
        if (!args.hasType || item.value.type == args.type)
            printf("%s\n", EntryLine(item.key, item.value).c_str());
    }
    return 0;
}

int Reset(const StoreTarget& target, const Args& args) {
    if (args.positional.size() != 1)
        return UsageError(*target.command, "reset takes no arguments");
    if (target.store->Reset() != Status::Ok)
        return StoreFailure(target, "reset", std::string());
    printf("reset %s\n", target.store->Path().c_str());
    return 0;
}

struct WatchState {
    const StoreTarget* target;
    std::string key; // empty: every key
    bool lost = false;
};

Eina_Bool OnExitSignal(void*, int, void*) {
    ecore_main_loop_quit();
    return ECORE_CALLBACK_PASS_ON;
}

int Watch(const StoreTarget& target, const Args& args) {
    if (args.positional.size() > 2)
        return UsageError(*target.command, "watch takes at most one KEY");
    WatchState state;
    state.target = &target;
    if (args.positional.size() == 2) {
        state.key = args.positional[1];
        if (int rc = CheckKey(target, state.key))
            return rc;
    }
    ecore_init();
    watch::settings::Notifier& notifier = watch::settings::Notifier::Instance();
    if (!notifier.Connected()) {
        ecore_shutdown();
        return Fail("%s watch: the device in %s is not booted: run `watchctl boot` first",
                    target.label.c_str(), watch::DeviceRoot().c_str());
    }
    const unsigned id = notifier.Listen(
        target.store->Channel(), [&state](const std::string&, const std::string& key) {
            if (!state.key.empty() && key != state.key)
                return;
            Value value;
            Status status = state.target->store->Get(key, &value);
            if (status == Status::Ok)
                printf("%s\n", EntryLine(key, value).c_str());
            else if (status == Status::NoKey)
                printf("%s\tunset\n", Escaped(key).c_str());
            else
                fprintf(stderr, "watchctl: %s watch %s: %s\n", state.target->label.c_str(),
                        key.c_str(), state.target->store->LastError().c_str());
            fflush(stdout);
        });
    notifier.SetLostHandler([&state] {
        state.lost = true;
        ecore_main_loop_quit();
    });
    Ecore_Event_Handler* exitHandler =
        ecore_event_handler_add(ECORE_EVENT_SIGNAL_EXIT, OnExitSignal, nullptr);
    fprintf(stderr, "watching %s in %s\n", state.key.empty() ? "every key" : state.key.c_str(),
            target.store->Path().c_str());
    fflush(stderr);

    ecore_main_loop_begin();

    ecore_event_handler_del(exitHandler);
    notifier.SetLostHandler(nullptr);
    notifier.Unlisten(id);
    ecore_shutdown();
    if (state.lost)
        return Fail("%s watch: the device bus went away (device shut down)", target.label.c_str());
    return 0;
}

} // namespace

bool ParseValue(const std::string& text, Type type, Value* value, std::string* reason) {
    const char* s = text.c_str();
    char* end = nullptr;
    switch (type) {
    case Type::Int: {
        errno = 0;
        long v = strtol(s, &end, 0);
        if (text.empty() || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) {
            *reason = "not an int (32-bit): '" + text + "'";
            return false;
        }
        *value = Value::Int(static_cast<int>(v));
        return true;
    }
    case Type::Bool:
        for (const char* yes : {"1", "true", "yes", "on"}) {
            if (strcasecmp(s, yes) == 0) {
                *value = Value::Bool(true);
                return true;
            }
        }
        for (const char* no : {"0", "false", "no", "off"}) {
            if (strcasecmp(s, no) == 0) {
                *value = Value::Bool(false);
                return true;
            }
        }
        *reason = "not a bool (true/false, 1/0, yes/no, on/off): '" + text + "'";
        return false;
    case Type::Double: {
        errno = 0;
        double v = strtod(s, &end);
        if (text.empty() || *end != '\0' || std::isnan(v) || errno == ERANGE) {
            *reason = "not a double: '" + text + "'";
            return false;
        }
        *value = Value::Double(v);
        return true;
    }
    case Type::String:
        *value = Value::String(text);
        return true;
    case Type::None:
        break;
    }
    *reason = "no type";
    return false;
}

std::string EntryLine(const std::string& key, const Value& value) {
    return Escaped(key) + "\t" + watch::settings::TypeName(value.type) + "\t" +
           Escaped(value.Text());
}

int RunStoreAction(const StoreTarget& target, int argc, char** argv) {
    Args args;
    if (int rc = ParseArgs(target, argc, argv, &args))
        return rc;
    if (args.positional.empty())
        return UsageError(*target.command, "no action: get, set, unset, list, watch or reset");
    const std::string& action = args.positional[0];
    if (action == "get")
        return Get(target, args);
    if (action == "set")
        return Set(target, args);
    if (action == "unset")
        return Unset(target, args);
    if (action == "list")
        return List(target, args);
    if (action == "watch")
        return Watch(target, args);
    if (action == "reset")
        return Reset(target, args);
    return UsageError(*target.command, "unknown action '%s'", action.c_str());
}

} // namespace watchctl
