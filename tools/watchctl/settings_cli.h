// The actions shared by `watchctl vconf` and `watchctl pref`: get, set, unset, list,
// watch and reset on one settings store.
#pragma once

#include "settings_store.h"
#include "watchctl.h"

#include <memory>
#include <string>

namespace watchctl {

struct StoreTarget {
    const Command* command;                        // for usage errors
    std::string label;                             // "vconf" or "pref <package>"
    std::shared_ptr<watch::settings::Store> store; // the store acted on
    bool (*validKey)(const char* key);             // which keys the store takes
    const char* keyRule;                           // what a valid key looks like
};

// argv holds ACTION [ARGS...] [--type T]; argv[0] is the action.
int RunStoreAction(const StoreTarget& target, int argc, char** argv);

// Reads text as a value of the type; false with a reason.
bool ParseValue(const std::string& text, watch::settings::Type type, watch::settings::Value* value,
                std::string* reason);

// "KEY<TAB>TYPE<TAB>VALUE", with tabs, line breaks and backslashes in the key and the
// value written as \t, \n and \\ so that every entry keeps to one line.
std::string EntryLine(const std::string& key, const watch::settings::Value& value);

} // namespace watchctl
