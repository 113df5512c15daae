// The shell as the editor's program, run by the application framework, with a recording
// screen in place of the editor. The screen answers the request the shell keeps: when it
// is built (the first request) and when it is resumed for a new one.
#include "EditorMain.h"
#include "RecordingScreen.h"

#include <app_control.h>

#include <cstdlib>
#include <memory>

namespace {

void ReplyToCaller(const char* when) {
    // Asked each time: a newer request replaces the clone the shell keeps.
    app_control_h request = AppMain::GetInstance()->GetCallerAppControl();
    if (!request)
        return;
    char* marker = nullptr;
    app_control_get_extra_data(request, "marker", &marker);
    app_control_h reply = nullptr;
    if (app_control_create(&reply) == 0) {
        app_control_add_extra_data(reply, "marker", marker ? marker : "");
        app_control_add_extra_data(reply, "when", when);
        app_control_reply_to_launch_request(reply, request, APP_CONTROL_RESULT_SUCCEEDED);
        app_control_destroy(reply);
    }
    free(marker);
}

class ReplyingScreen : public watchtest::RecordingController {
  public:
    ReplyingScreen() : RecordingController("Editor") {}

    Evas_Object* Create(Evas_Object* parent) override {
        Evas_Object* layout = RecordingController::Create(parent);
        ReplyToCaller("create");
        return layout;
    }
    void Resume(bool appControlReceived) override {
        RecordingController::Resume(appControlReceived);
        if (appControlReceived)
            ReplyToCaller("resume");
    }
};

std::shared_ptr<NSClockEditor::ViewController> MakeReplyingScreen() {
    return std::make_shared<ReplyingScreen>();
}

} // namespace

int main(int argc, char** argv) {
    return EditorMain(argc, argv, MakeReplyingScreen);
}
