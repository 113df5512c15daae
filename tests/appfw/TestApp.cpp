// The framework's test application, ui or (with APPFW_TEST_SERVICE) service. It logs each
// lifecycle call and input event with the tag "APPFW-TEST" and does what the extras of a
// request ask: reply_after_ms=N (answer later, from a clone), no_reply (keep a clone), drop,
// reply_twice, reply_result=failed|canceled, exit_without_reply, lower_after_ms=N,
// hide_after_ms, show_after_ms, send_to=APPID (answer when APPID has). The answer carries
// the request's extras plus "pid". APPFW_TEST_CREATE=false makes create fail;
// APPFW_TEST_SEND_TO=APPID makes create send a request to APPID. While a file
// <device root>/appfw-test.hold exists, every request is kept unanswered as with no_reply
// (for callers that add no extras of ours).
#ifdef APPFW_TEST_SERVICE
#include <Ecore.h>
#else
#include <Elementary.h>
#endif

#include "app.h"
#include "dlog.h"
#include "watch_device.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kTag = "APPFW-TEST";

#define LOG(...) __dlog_print(LOG_ID_APPS, DLOG_INFO, kTag, __VA_ARGS__)

#ifndef APPFW_TEST_SERVICE
Evas_Object* gWin = nullptr;
#endif
std::vector<app_control_h> gKept; // clones, destroyed when the framework has ended

#ifdef APPFW_TEST_SERVICE
void (*const Quit)() = service_app_exit;
#else
void (*const Quit)() = ui_app_exit;
#endif

std::string Extra(app_control_h request, const char* key) {
    char* value = nullptr;
    std::string out;
    if (app_control_get_extra_data(request, key, &value) == APP_CONTROL_ERROR_NONE && value) {
        out = value;
        free(value);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> Extras(app_control_h request) {
    std::vector<std::pair<std::string, std::string>> extras;
    app_control_foreach_extra_data(
        request,
        [](app_control_h h, const char* key, void* data) {
            static_cast<decltype(extras)*>(data)->emplace_back(key, Extra(h, key));
            return true;
        },
        &extras);
    return extras;
}

int Reply(app_control_h request, const std::vector<std::pair<std::string, std::string>>& more) {
    app_control_h reply = nullptr;
    app_control_create(&reply);
    for (const auto& extra : Extras(request))
        app_control_add_extra_data(reply, extra.first.c_str(), extra.second.c_str());
    for (const auto& extra : more)
        app_control_add_extra_data(reply, extra.first.c_str(), extra.second.c_str());
    app_control_add_extra_data(reply, "pid", std::to_string(getpid()).c_str());
    const std::string wanted = Extra(request, "reply_result");
    const app_control_result_e result = wanted == "failed"     ? APP_CONTROL_RESULT_FAILED
                                        : wanted == "canceled" ? APP_CONTROL_RESULT_CANCELED
                                                               : APP_CONTROL_RESULT_SUCCEEDED;
    const int rc = app_control_reply_to_launch_request(reply, request, result);
    app_control_destroy(reply);
    LOG("reply: %d", rc);
    return rc;
}

app_control_h Keep(app_control_h request) {
    app_control_h clone = nullptr;
    app_control_clone(&clone, request);
    gKept.push_back(clone);
    return clone;
}

// Runs task in `ms` milliseconds unless ms is empty.
void After(const std::string& ms, Ecore_Task_Cb task, void* data) {
    if (!ms.empty())
        ecore_timer_add(atof(ms.c_str()) / 1000.0, task, data);
}

Eina_Bool ReplyLater(void* data) {
    Reply(static_cast<app_control_h>(data), {});
    return ECORE_CALLBACK_CANCEL;
}

void OnNestedReply(app_control_h, app_control_h reply, app_control_result_e result, void* data) {
    const std::string pid = reply ? Extra(reply, "pid") : std::string();
    Reply(static_cast<app_control_h>(data),
          {{"nested_result", std::to_string(static_cast<int>(result))}, {"nested_pid", pid}});
}

int SendTo(const std::string& appId, app_control_reply_cb callback, void* data) {
    app_control_h request = nullptr;
    app_control_create(&request);
    app_control_set_app_id(request, appId.c_str());
    const int rc = app_control_send_launch_request(request, callback, data);
    app_control_destroy(request); // the request travels on its own
    LOG("send to %s: %d", appId.c_str(), rc);
    return rc;
}

#ifndef APPFW_TEST_SERVICE
// "lower", "hide" or "show" the window.
Eina_Bool WindowLater(void* data) {
    const std::string what = static_cast<const char*>(data);
    LOG("%s", what.c_str());
    if (what == "lower")
        elm_win_lower(gWin);
    else if (what == "hide")
        evas_object_hide(gWin);
    else
        evas_object_show(gWin);
    return ECORE_CALLBACK_CANCEL;
}

void OnWheel(void*, Evas*, Evas_Object*, void* info) {
    LOG("wheel %d", static_cast<Evas_Event_Mouse_Wheel*>(info)->z);
}

template <typename Event> void OnMouse(void* what, Evas*, Evas_Object*, void* info) {
    auto* ev = static_cast<Event*>(info);
    LOG("%s %d %d", static_cast<const char*>(what), ev->canvas.x, ev->canvas.y);
}

Eina_Bool OnKey(void*, Evas_Object*, Evas_Object*, Evas_Callback_Type type, void* info) {
    if (type == EVAS_CALLBACK_KEY_DOWN)
        LOG("key %s", static_cast<Evas_Event_Key_Down*>(info)->key);
    return EINA_FALSE;
}
#endif

bool Create(void*) {
    LOG("create");
    const char* create = getenv("APPFW_TEST_CREATE");
    if (create && strcmp(create, "false") == 0)
        return false;
#ifndef APPFW_TEST_SERVICE
    gWin = elm_win_add(nullptr, "appfw-test", ELM_WIN_BASIC);
    evas_object_resize(gWin, 360, 360);
    // One rectangle over the window takes the pointer events.
    Evas_Object* rect = evas_object_rectangle_add(evas_object_evas_get(gWin));
    evas_object_resize(rect, 360, 360);
    evas_object_show(rect);
    evas_object_event_callback_add(rect, EVAS_CALLBACK_MOUSE_WHEEL, OnWheel, nullptr);
    evas_object_event_callback_add(rect, EVAS_CALLBACK_MOUSE_DOWN, OnMouse<Evas_Event_Mouse_Down>,
                                   "down");
    evas_object_event_callback_add(rect, EVAS_CALLBACK_MOUSE_UP, OnMouse<Evas_Event_Mouse_Up>,
                                   "up");
    elm_object_event_callback_add(gWin, OnKey, nullptr);
    evas_object_show(gWin);
#endif
    const char* sendTo = getenv("APPFW_TEST_SEND_TO");
    if (sendTo && *sendTo)
        SendTo(sendTo, OnNestedReply, nullptr);
    return true;
}

void AppControl(app_control_h request, void*) {
    char* operation = nullptr;
    char* caller = nullptr;
    bool replyRequested = false;
    app_control_get_operation(request, &operation);
    app_control_get_caller(request, &caller);
    app_control_is_reply_requested(request, &replyRequested);
    std::string extras;
    for (const auto& extra : Extras(request))
        extras += (extras.empty() ? "" : ",") + extra.first + "=" + extra.second.substr(0, 40);
    LOG("app_control op=%s caller=%s reply=%s extras=%s", operation ? operation : "(none)",
        caller ? caller : "(none)", replyRequested ? "yes" : "no", extras.c_str());
    free(operation);
    free(caller);

#ifndef APPFW_TEST_SERVICE
    for (const char* what : {"lower", "hide", "show"})
        After(Extra(request, (std::string(what) + "_after_ms").c_str()), WindowLater,
              const_cast<char*>(what));
#endif

    if (!Extra(request, "exit_without_reply").empty()) {
        Keep(request);
        LOG("exit");
        Quit();
    } else if (!Extra(request, "drop").empty()) {
        LOG("dropped");
    } else if (!Extra(request, "no_reply").empty() ||
               access((watch::DeviceRoot() + "/appfw-test.hold").c_str(), F_OK) == 0) {
        Keep(request);
    } else if (!Extra(request, "send_to").empty()) {
        app_control_h clone = Keep(request);
        if (SendTo(Extra(request, "send_to"), OnNestedReply, clone) != APP_CONTROL_ERROR_NONE)
            Reply(clone, {{"nested_result", "not sent"}});
    } else if (!Extra(request, "reply_after_ms").empty()) {
        After(Extra(request, "reply_after_ms"), ReplyLater, Keep(request));
    } else if (replyRequested) {
        Reply(request, {});
        if (!Extra(request, "reply_twice").empty())
            LOG("second reply: %d", Reply(request, {}));
    }
}

} // namespace

int main(int argc, char** argv) {
#ifdef APPFW_TEST_SERVICE
    service_app_lifecycle_callback_s callbacks = {};
    const auto run = service_app_main;
#else
    ui_app_lifecycle_callback_s callbacks = {};
    callbacks.pause = [](void*) { LOG("pause"); };
    callbacks.resume = [](void*) { LOG("resume"); };
    const auto run = ui_app_main;
#endif
    callbacks.create = Create;
    callbacks.terminate = [](void*) { LOG("terminate"); };
    callbacks.app_control = AppControl;
    const int status = run(argc, argv, &callbacks, nullptr);
    // Unanswered clones were failed by the framework when it ended.
    for (app_control_h clone : gKept)
        app_control_destroy(clone);
    return status == 0 ? 0 : 1;
}
