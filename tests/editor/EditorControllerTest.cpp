// The editor's controller and data outside a running program: guards and the layout path.
#include "EditorMain.h"
#include "EditorViewController.h"
#include "EditorViewData.h"
#include "LogCapture.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <cstdlib>

using NSClockEditor::EditorViewController;
using NSClockEditor::EditorViewData;
using watchtest::LogBody;
using watchtest::LogCapture;

namespace {

std::vector<std::string> Bodies(const LogCapture& log, const std::string& tag) {
    std::vector<std::string> out;
    for (const std::string& m : log.Messages(tag))
        out.push_back(LogBody(m));
    return out;
}

bool HasGuard(const std::vector<std::string>& bodies, const std::string& condition) {
    for (const std::string& b : bodies) {
        if (b.find("(" + condition + ") [return]") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

TEST(EditorController, GuardsBeforeTheScreenExists) {
    LogCapture log;
    std::shared_ptr<NSClockEditor::ViewController> controller = CreateEditorViewController();
    ASSERT_TRUE(controller);
    EXPECT_FALSE(controller->GetView());
    EXPECT_FALSE(controller->GetViewData());

    // Before CreateViewAndData: no data, no view.
    int dummy = 0;
    EXPECT_EQ(controller->Create(reinterpret_cast<Evas_Object*>(&dummy)), nullptr);
    EXPECT_TRUE(controller->Pop());
    controller->Resume(true);
    controller->Destroy();
    auto bodies = Bodies(log, "CLOCK-DALVEXA-EDITOR");
    EXPECT_TRUE(HasGuard(bodies, "!mViewDataPtr")) << log.Dump();
    EXPECT_TRUE(HasGuard(bodies, "!mEditorViewPtr")) << log.Dump();
    EXPECT_EQ(bodies.size(), 4u) << log.Dump();

    // With them, a null parent is refused before the view is touched.
    log.Clear();
    controller->CreateViewAndData();
    ASSERT_TRUE(controller->GetView());
    ASSERT_TRUE(controller->GetViewData());
    EXPECT_EQ(controller->GetView()->GetBaseLayout(), nullptr);
    EXPECT_EQ(controller->Create(nullptr), nullptr);
    bodies = Bodies(log, "CLOCK-DALVEXA-EDITOR");
    ASSERT_EQ(bodies.size(), 1u) << log.Dump();
    EXPECT_TRUE(HasGuard(bodies, "parent == NULL"));
    EXPECT_EQ(controller->GetView()->GetBaseLayout(), nullptr);
    EXPECT_EQ(controller->GetViewData()->GetTitle(), "");
}

TEST(EditorController, LayoutFileIsUnderTheResourceFolder) {
    watchtest::TestDevice device;
    setenv("WATCH_APP_ID", "com.korvane.clock-dalvexa.editor", 1);
    EditorViewData data;
    const std::string expected = device.PackagePath("res/") + "/edje/ClockEditor.edj";
    EXPECT_EQ(data.GetEditorViewEDJPath(), expected);
    EXPECT_EQ(data.GetEditorViewPageEDJPath(), expected);
    EXPECT_EQ(data.GetTutorialEDJPath(), expected);
    EXPECT_FALSE(watchtest::ReadFile(expected).empty()); // "//" reads as one separator
}

TEST(EditorController, NoResourceFolderGivesAnEmptyPath) {
    watchtest::TestDevice device(false);
    setenv("WATCH_APP_ID", "com.korvane.clock-dalvexa.editor", 1);
    LogCapture log;
    EditorViewData data;
    EXPECT_EQ(data.GetEditorViewEDJPath(), "");
    EXPECT_TRUE(HasGuard(Bodies(log, "CLOCK-DALVEXA-EDITOR"), "edjDirectoryPath.length() < 1"))
        << log.Dump();
}
