// Inside application control: the handle's contents, the link of a received request to
// its caller, and the pieces the framework's sources share.
#pragma once

#include "app_control.h"
#include "appfw_log.h"

#include <Eldbus.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace watch {
namespace appfw {

using Extras = std::vector<std::pair<std::string, std::string>>;

// A launch request that came over the bus and expects a reply. Shared by the handle given
// to app_control and every clone of it, so that any of them can answer it, once. When the
// last handle goes without an answer, nobody can answer any more: the caller is told so.
class ReceivedRequest {
  public:
    ReceivedRequest(Eldbus_Connection* connection, const Eldbus_Message* call, std::string appId);
    ~ReceivedRequest();

    bool Answered() const { return mCall == nullptr; }
    // Sends (result, extras) to the caller. An app_control_error_e.
    int Answer(app_control_result_e result, const Extras& extras);
    // Answers with a bus error unless answered already.
    void Fail(const char* errorName, const std::string& text);

    // Every request still unanswered is failed with the error (at the end of the process).
    static void FailAll(const char* errorName, const std::string& text);

  private:
    Eldbus_Connection* mConnection; // referenced
    Eldbus_Message* mCall;          // referenced until answered
    std::string mAppId;

    ReceivedRequest(const ReceivedRequest&) = delete;
    ReceivedRequest& operator=(const ReceivedRequest&) = delete;
};

} // namespace appfw
} // namespace watch

struct app_control_s {
    std::optional<std::string> operation;
    std::optional<std::string> uri;
    std::optional<std::string> appId;
    std::optional<std::string> caller;
    watch::appfw::Extras extras;
    bool replyRequested = false;
    // A request this application received (from the bus, or the empty one of a start by hand).
    bool incoming = false;
    // Set on a received request and its clones.
    std::shared_ptr<watch::appfw::ReceivedRequest> received;
};

namespace watch {
namespace appfw {

// A new handle, registered as valid; NULL when out of memory.
app_control_h NewHandle();
// True for a handle made by this library and not destroyed yet.
bool IsHandle(app_control_h handle);

// Text checks shared by the setters and the bus decoder.
bool IsValidText(const std::string& text);
// Bytes of text a request carries (operation, uri, keys and values).
std::size_t RequestBytes(const app_control_s& request);

// Appends extras to iter as one a{ss} argument.
bool AppendExtras(Eldbus_Message_Iter* iter, const Extras& extras);
// Reads an a{ss} array into out, within the limits; false with a reason.
bool ReadExtras(Eldbus_Message_Iter* array, Extras* out, std::string* error);

// Decodes the a{sv} argument of a Launch call into a new incoming handle; NULL with a
// reason when the request is malformed or too large.
app_control_h DecodeLaunch(const Eldbus_Message* call, std::string* error);

// This process's connection for sending launch requests, or NULL when there is no bus.
Eldbus_Connection* LaunchConnection();

} // namespace appfw
} // namespace watch
