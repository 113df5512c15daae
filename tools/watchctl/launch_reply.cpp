#include "launch_reply.h"

#include "watch_appfw.h"

#include <Ecore.h>

#include <cstdio>
#include <cstdlib>

namespace watchctl {

namespace {

const char* ResultName(app_control_result_e result) {
    switch (result) {
    case APP_CONTROL_RESULT_SUCCEEDED:
        return "succeeded";
    case APP_CONTROL_RESULT_CANCELED:
        return "canceled";
    case APP_CONTROL_RESULT_APP_STARTED:
        return "started";
    default:
        return "failed";
    }
}

bool PrintExtra(app_control_h reply, const char* key, void*) {
    char* value = nullptr;
    if (app_control_get_extra_data(reply, key, &value) == APP_CONTROL_ERROR_NONE) {
        printf("%s=%s\n", key, value);
        free(value);
    }
    return true;
}

void OnReply(app_control_h, app_control_h reply, app_control_result_e result, void* data) {
    LaunchOutcome* outcome = static_cast<LaunchOutcome*>(data);
    if (reply)
        app_control_foreach_extra_data(reply, PrintExtra, nullptr);
    printf("result=%s\n", ResultName(result));
    outcome->done = true;
    outcome->replied = reply != nullptr;
    outcome->result = result;
    ecore_main_loop_quit();
}

Eina_Bool OnTimeout(void* data) {
    *static_cast<bool*>(data) = true;
    ecore_main_loop_quit();
    return ECORE_CALLBACK_CANCEL;
}

} // namespace

LaunchOutcome SendAndWait(app_control_h request, double timeout) {
    ecore_app_no_system_modules();
    ecore_init();
    LaunchOutcome outcome;
    outcome.sendError = app_control_send_launch_request(request, OnReply, &outcome);
    if (outcome.sendError == APP_CONTROL_ERROR_NONE) {
        bool timedOut = false;
        Ecore_Timer* timer = timeout > 0 ? ecore_timer_add(timeout, OnTimeout, &timedOut) : nullptr;
        ecore_main_loop_begin();
        if (timer && !timedOut)
            ecore_timer_del(timer);
    }
    fflush(stdout);
    watch::appfw::ShutdownLaunches();
    ecore_shutdown();
    return outcome;
}

} // namespace watchctl
