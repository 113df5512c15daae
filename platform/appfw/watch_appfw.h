// How applications meet on the device bus. For watchctl and the tests; applications use
// the C calls of app.h and app_control.h.
//
// Every running application owns the bus name BusName(<application id>) and serves the
// interface kInterface at kObjectPath:
//
//   Launch(a{sv} request) -> (i result, a{ss} extras)
//       request fields: "reply" b and "extras" a{ss} (both required), "operation" s,
//       "uri" s, "caller" s. The answer comes when the application replies, however
//       late; a request that expects no reply is answered at once with (0, {}).
//   GetInfo() -> (s app id, s type "ui"|"service", s state, u pid)
//       state: "created", "running", "paused" or "terminating".
//   Pause(), Resume(), Terminate()
//   Rotary(b clockwise, u notches), Key(s key name), Tap(i x, i y)    ui applications
//   Screenshot(s absolute .png path) -> (i width, i height)          ui applications
//
// The ui application in front owns kForegroundName. An application that comes to the
// front requests it with REPLACE_EXISTING | ALLOW_REPLACEMENT; the one it replaces is
// queued behind it by the bus, loses the name and pauses. The bus keeps the queue as a
// stack: when the front application hides its window or ends, the application below
// gets the name back and resumes. Messages for "the front application" (watchctl
// input, screenshot) go to kForegroundName.
#pragma once

#include <cstddef>
#include <string>

namespace watch {
namespace appfw {

constexpr const char* kObjectPath = "/watch/appfw";
constexpr const char* kInterface = "watch.appfw.Application";
constexpr const char* kForegroundName = "watch.appfw.foreground";
constexpr const char* kBusNamePrefix = "watch.app.";

// Error names of the answers.
constexpr const char* kErrorInvalidRequest = "watch.appfw.Error.InvalidRequest";
constexpr const char* kErrorNotAnswered = "watch.appfw.Error.NotAnswered";
constexpr const char* kErrorEnding = "watch.appfw.Error.Ending";
constexpr const char* kErrorNoWindow = "watch.appfw.Error.NoWindow";
constexpr const char* kErrorFailed = "watch.appfw.Error.Failed";

// Limits of one request or reply: extras, and text in all (operation, uri, keys, values).
// Eldbus (1.26) sends a message only as far as the socket takes it at once and leaves the
// rest until the next send, so a request must stay well below the socket buffer.
constexpr std::size_t kMaxExtras = 1024;
constexpr std::size_t kMaxKeyBytes = 1024;
constexpr std::size_t kMaxRequestBytes = 64 * 1024;

// The bus name of an application: kBusNamePrefix + the id, each element kept as it is
// when it is made of [A-Za-z0-9-] and does not start with a digit; other bytes (and a
// leading digit) become "_" + two hex digits. Empty for an invalid id or a name longer
// than the bus allows.
std::string BusName(const std::string& appId);

// Writes one activation file per installed application into watch::bus::ServiceDir()
// and removes those of applications that are gone. False with a reason on failure.
bool WriteActivationFiles(std::string* error);

// For programs that send launch requests without running ui_app_main/service_app_main
// (watchctl, tests): forgets pending requests without calling their reply callbacks and
// lets go of the bus. Call before eldbus/ecore shut down.
void ShutdownLaunches();

} // namespace appfw
} // namespace watch
