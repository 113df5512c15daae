// The device's vconf store as C++: what watchctl and benchmarks use next to the C calls.
#pragma once

#include "settings_store.h"

#include <memory>
#include <string>

namespace watch {
namespace vconf {

// The channel under which vconf changes are announced.
extern const char* const kChannel; // "vconf"

// <root>/settings/vconf.db of the current device root.
std::string DatabasePath();

// A key of the device settings: "db/", "file/" or "memory/" and a name after it; UTF-8
// without control characters, at most 1024 bytes.
bool IsValidKey(const char* key);

// The store of the current device root; a new one when WATCH_ROOT has changed.
std::shared_ptr<settings::Store> DeviceStore();

// Empties "memory/" once per boot of the device: bootId tells one boot from the next
// (the device bus address, unique to each bus daemon). *cleared says whether it did.
settings::Status ClearVolatileKeys(const std::string& bootId, bool* cleared = nullptr);

} // namespace vconf
} // namespace watch
