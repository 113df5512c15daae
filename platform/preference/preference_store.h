// The packages' preference stores as C++: what watchctl and benchmarks use next to the C
// calls, which work on the package of the running application.
#pragma once

#include "settings_store.h"

#include <memory>
#include <string>

namespace watch {
namespace preference {

// The channel under which changes of a package's preferences are announced:
// "preference:<package>". Only processes of that package listen to it.
std::string Channel(const std::string& package);

// <root>/apps/<package>/data/.preference.db; empty for an invalid package id.
std::string DatabasePath(const std::string& package);

// True when the package is installed in the current device root.
bool IsInstalled(const std::string& package);

// The store of an installed package; null for an invalid id or a package that is not
// installed.
std::shared_ptr<settings::Store> PackageStore(const std::string& package);

// The package of this process's application (WATCH_APP_ID, else the installed program
// that runs); empty when neither names an installed application.
std::string CurrentPackage();

} // namespace preference
} // namespace watch
