#include "RecordingScreen.h"

#include <dlog.h>

namespace watchtest {

std::vector<std::string>& Journal() {
    // Outlives the view stack's class-wide list, whose screens record their release at
    // process exit.
    static std::vector<std::string>* journal = new std::vector<std::string>();
    return *journal;
}

std::vector<std::string> CallsOf(const std::string& name) {
    std::vector<std::string> calls;
    const std::string prefix = name + ".";
    for (const std::string& entry : Journal()) {
        if (entry.compare(0, prefix.size(), prefix) == 0)
            calls.push_back(entry.substr(prefix.size()));
    }
    return calls;
}

int JournalIndex(const std::string& entry) {
    const std::vector<std::string>& journal = Journal();
    for (size_t i = 0; i < journal.size(); ++i) {
        if (journal[i] == entry)
            return static_cast<int>(i);
    }
    return -1;
}

Evas_Object* RecordingView::Create(Evas_Object* parent,
                                   std::shared_ptr<NSClockEditor::ViewData> viewDataPtr) {
    Evas_Object* layout = elm_bg_add(parent);
    elm_bg_color_set(layout, 40, 80, 160);
    evas_object_show(layout);
    mBaseLayout = layout;
    mParent = parent;
    mViewDataPtr = viewDataPtr;
    return layout;
}

RecordingController::RecordingController(const std::string& name, ScreenOptions options)
    : mName(name), mOptions(options) {}

// Screens still on the stack are released by the stack's own destruction at process
// exit, when the platform log may already be gone: the release goes to the journal only.
RecordingController::~RecordingController() {
    Journal().push_back(mName + ".Released");
}

void RecordingController::Record(const std::string& call) {
    Journal().push_back(mName + "." + call);
    __dlog_print(LOG_ID_MAIN, DLOG_INFO, "TEST-SCREEN", "%s.%s", mName.c_str(), call.c_str());
}

void RecordingController::CreateViewAndData() {
    Record("CreateViewAndData");
    mViewPtr = std::make_shared<RecordingView>();
    mViewDataPtr = std::make_shared<RecordingData>(mOptions.title);
}

std::shared_ptr<NSClockEditor::ViewData> RecordingController::GetViewData() {
    if (mOptions.noData)
        return nullptr;
    return mViewDataPtr;
}

Evas_Object* RecordingController::Create(Evas_Object* parent) {
    Record("Create");
    if (mOptions.createFails || !mViewPtr)
        return nullptr;
    mBaseLayout = mViewPtr->Create(parent, mViewDataPtr);
    return mBaseLayout;
}

Elm_Object_Item* RecordingController::Item() const {
    return mViewDataPtr ? mViewDataPtr->mNaviframeItem : nullptr;
}

std::shared_ptr<RecordingController> MakeScreen(const std::string& name, ScreenOptions options) {
    return std::make_shared<RecordingController>(name, options);
}

} // namespace watchtest
