// A stand-in for the watch face's companion service, installed by the editor's tests in
// place of the package's service program. It records every launch request it gets in
// <root>/companion.log, one line each, and answers it, unless <root>/companion.mode
// reads "silent".
#include <app.h>
#include <app_control.h>
#include <watch_device.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string ReadMode() {
    std::ifstream in(watch::DeviceRoot() + "/companion.mode");
    std::string mode;
    in >> mode;
    return mode;
}

std::string Field(int (*get)(app_control_h, char**), app_control_h request) {
    char* value = nullptr;
    std::string text = "(none)";
    if (get(request, &value) == APP_CONTROL_ERROR_NONE && value)
        text = value;
    free(value);
    return text;
}

bool CountExtra(app_control_h, const char*, void* data) {
    ++*static_cast<int*>(data);
    return true;
}

void OnAppControl(app_control_h request, void*) {
    int extras = 0;
    app_control_foreach_extra_data(request, CountExtra, &extras);
    bool wantsReply = false;
    app_control_is_reply_requested(request, &wantsReply);
    const bool silent = ReadMode() == "silent";
    {
        std::ofstream log(watch::DeviceRoot() + "/companion.log", std::ios::app);
        log << "operation=" << Field(app_control_get_operation, request)
            << " caller=" << Field(app_control_get_caller, request) << " extras=" << extras
            << " reply=" << (wantsReply ? "wanted" : "none") << (silent ? " silent" : "") << "\n";
    }
    if (silent) {
        // Keeping the request unanswered: the caller hears nothing while it is held.
        static std::vector<app_control_h> held;
        app_control_h clone = nullptr;
        if (app_control_clone(&clone, request) == APP_CONTROL_ERROR_NONE)
            held.push_back(clone);
        return;
    }
    if (!wantsReply)
        return;
    app_control_h reply = nullptr;
    if (app_control_create(&reply) != APP_CONTROL_ERROR_NONE)
        return;
    app_control_reply_to_launch_request(reply, request, APP_CONTROL_RESULT_SUCCEEDED);
    app_control_destroy(reply);
}

} // namespace

int main(int argc, char** argv) {
    service_app_lifecycle_callback_s callbacks = {};
    callbacks.create = [](void*) { return true; };
    callbacks.terminate = [](void*) {};
    callbacks.app_control = OnAppControl;
    return service_app_main(argc, argv, &callbacks, nullptr);
}
