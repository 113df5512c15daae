// The toolkit's AT-SPI bridge follows the user's screen reader. The accessibility bus is
// found through the session bus of the environment the device was booted from, never
// through the device bus that starts the applications.
#pragma once

#include <string>

namespace watch {
namespace appfw {
namespace screen_reader {

// Watches the session's accessibility bus and switches the bridge on while it says a
// screen reader is on, by IsEnabled or ScreenReaderEnabled (off again after); `appName` names the application on the desktop.
// Nothing is done without a session bus, and nothing in the first half second, so the
// application's start does not wait for it.
void Start(const std::string& appName);
void Stop();

} // namespace screen_reader
} // namespace appfw
} // namespace watch
