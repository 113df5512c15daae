// Sending a launch request from watchctl and waiting for its reply on the main loop.
#pragma once

#include <app_control.h>

namespace watchctl {

struct LaunchOutcome {
    int sendError = APP_CONTROL_ERROR_NONE; // what app_control_send_launch_request said
    bool done = false;                      // the reply callback ran
    bool replied = false;                   // with a reply from the application
    app_control_result_e result = APP_CONTROL_RESULT_FAILED;
};

// Sends request (the caller keeps and destroys it) and runs the main loop until the reply
// callback runs or timeout seconds have passed (0: no limit). The reply's extra data are
// printed as KEY=VALUE lines, then result=succeeded|failed|canceled|started.
// Initialises and shuts down Ecore and the launch machinery around it.
LaunchOutcome SendAndWait(app_control_h request, double timeout);

} // namespace watchctl
