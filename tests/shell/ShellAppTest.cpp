// The shell under the real application framework on a booted device: two launch
// requests from outside, then the end, as the framework delivers them.
#include "LogCapture.h"
#include "LoopUtil.h"
#include "TestDevice.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace watchtest;

static const char* const EDITOR_APP_ID = "com.korvane.clock-dalvexa.editor";

TEST(ShellUnderTheFramework, SecondRequestResumesTheEditorAndTheEndDestroysIt) {
    ecore_app_no_system_modules();
    ecore_init();
    TestDevice device;
    // The editor's program is the shell with a recording screen.
    std::filesystem::create_directories(device.PackagePath("bin"));
    std::filesystem::copy_file(SHELL_TEST_APP, device.PackagePath("bin/clock-dalvexa-editor"),
                               std::filesystem::copy_options::overwrite_existing);
    device.Boot();

    ProcessResult first =
        Watchctl({"launch", EDITOR_APP_ID, "-d", "marker=first", "--timeout", "20"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("marker=first"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("when=create"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("result=succeeded"), std::string::npos) << first.out;

    // The editor is shown: the next request resumes it, and its answer goes to the new
    // caller.
    ProcessResult second =
        Watchctl({"launch", EDITOR_APP_ID, "-d", "marker=second", "--timeout", "20"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("marker=second"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("when=resume"), std::string::npos) << second.out;

    ProcessResult end = Watchctl({"app", "terminate", EDITOR_APP_ID});
    ASSERT_EQ(end.status, 0) << end.err;
    // The framework's terminate runs before the program ends; wait for the program.
    ASSERT_TRUE(RunLoopUntilEvery(
        [] {
            return Watchctl({"app", "list", EDITOR_APP_ID}).out.find(EDITOR_APP_ID) ==
                   std::string::npos;
        },
        0.05, 10))
        << "the editor still runs";

    // The screen's calls; Create bound the catalogues before the screen was built; nothing
    // failed.
    std::vector<std::string> calls;
    std::string bound;
    for (const LogEntry& line : ReadDeviceLog(device.Root() + "/log/watch.log")) {
        if (line.tag == "TEST-SCREEN")
            calls.push_back(line.message);
        if (line.tag != "CLOCK-DALVEXA-EDITOR")
            continue;
        const std::string body = LogBody(line.message);
        EXPECT_EQ(body.find("failed"), std::string::npos) << body;
        if (body.rfind("bindTextPath:", 0) == 0 && calls.empty())
            bound = body;
    }
    EXPECT_EQ(calls,
              (std::vector<std::string>{"Editor.CreateViewAndData", "Editor.Create",
                                        "Editor.Resume(true)", "Editor.Pause", "Editor.Destroy"}));
    EXPECT_EQ(bound, "bindTextPath:" + device.PackagePath("res/") + "/locale");
    ecore_shutdown();
}
