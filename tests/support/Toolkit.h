// The start-up the package's programs share, for tests that use the toolkit without the
// application framework: EFL's system-bus modules off, and no desktop caches (whose daemon,
// efreetd, would start, outlive the test and print the system-bus errors), then Elementary,
// or Ecore alone for code that starts the rest of the toolkit itself.
#pragma once

#include <Efreet.h>
#include <Elementary.h>

namespace watchtest {

// True when the toolkit is up; ToolkitShutdown(elementary) takes it down again.
inline bool ToolkitInit(bool elementary = true) {
    ecore_app_no_system_modules();
    efreet_cache_disable();
    return (elementary ? elm_init(0, nullptr) : ecore_init()) > 0;
}

inline void ToolkitShutdown(bool elementary = true) {
    if (elementary)
        elm_shutdown();
    else
        ecore_shutdown();
}

} // namespace watchtest
