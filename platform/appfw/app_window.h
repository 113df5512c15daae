// The windows of a ui application as the framework sees them: whether the application
// shows something (and so may be in front), and input and pictures for its front window.
#pragma once

#include <Eldbus.h>

#include <string>

namespace watch {
namespace appfw {
namespace windows {

// Called after a window change that may bring the application forward (shown, raised,
// activated, de-iconified: raised = true) or send it back (hidden, lowered, iconified,
// withdrawn: raised = false).
using ChangeCallback = void (*)(bool raised);

// Watches every window the application makes from now on (Elementary must be up).
void Start(ChangeCallback callback);
void Stop();

// Some window is shown, not iconified or withdrawn, and the application was not lowered.
bool WantFront();
// Lowered by elm_win_lower or a pause request; cleared when a window is raised again.
void SetLowered(bool lowered);

// Tells assistive technology again which window is active and what has the focus in it,
// for an accessibility bridge that came up after the window manager gave the focus.
void AnnounceActive();

// Real events on the front window's canvas; false with a reason when there is no window.
bool FeedRotary(bool clockwise, unsigned notches, std::string* error);
bool FeedKey(const std::string& key, std::string* error);
bool FeedTap(int x, int y, std::string* error);
// Writes the front window's current frame as a PNG file.
bool Screenshot(const std::string& path, int* width, int* height, std::string* error);

// What the window requests of the bus ask of the running application.
class Gate {
  public:
    // The refusal to send when a window request cannot be served now, else NULL.
    virtual Eldbus_Message* CheckWindowRequest(const Eldbus_Message* msg, const char* method) = 0;
    // Logs a refused request and makes the error answer.
    virtual Eldbus_Message* Refuse(const Eldbus_Message* msg, const char* errorName,
                                   const std::string& text) = 0;
    // A pause or resume request that passed the check.
    virtual void PauseRequested() = 0;
    virtual void ResumeRequested() = 0;

  protected:
    ~Gate() = default;
};
// The running application's gate; NULL once it has ended (requests are then refused).
void SetGate(Gate* gate);

// The bus methods for the windows: Pause and Resume by hand, and the input and pictures
// of watchctl and the tests.
namespace methods {
Eldbus_Message* Pause(const Eldbus_Service_Interface*, const Eldbus_Message* msg);
Eldbus_Message* Resume(const Eldbus_Service_Interface*, const Eldbus_Message* msg);
Eldbus_Message* Rotary(const Eldbus_Service_Interface*, const Eldbus_Message* msg);
Eldbus_Message* Key(const Eldbus_Service_Interface*, const Eldbus_Message* msg);
Eldbus_Message* Tap(const Eldbus_Service_Interface*, const Eldbus_Message* msg);
Eldbus_Message* Screenshot(const Eldbus_Service_Interface*, const Eldbus_Message* msg);
} // namespace methods

} // namespace windows
} // namespace appfw
} // namespace watch
