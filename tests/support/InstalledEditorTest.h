// A fixture for tests that run the installed editor as a program of its own on a booted
// device: this test is its parent, so that it sees how it ends (a crash shows in the exit
// status), and plays its caller over the device bus.
#pragma once

#include "AppsTestUtil.h"
#include "LoopUtil.h"
#include "TestDevice.h"
#include "watch_bus.h"

#include <Ecore.h>
#include <Ecore_Evas.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace appstest {

class InstalledEditorTest : public ::testing::Test {
  protected:
    // shotDir: where the test's screenshots go.
    explicit InstalledEditorTest(std::string shotDir) : mShotDir(std::move(shotDir)) {}

    // Where `watchctl input tap` presses the OK button.
    static constexpr int kOkX = dalvexa::kOkButtonX, kOkY = dalvexa::kOkButtonY;

    void SetUp() override {
        ecore_app_no_system_modules();
        ecore_evas_init();
        mkdir(mShotDir.c_str(), 0755);
        mDevice.reset(new watchtest::TestDevice());
        mDevice->Boot();
    }
    void TearDown() override {
        ForgetLaunches();
        mEditor.reset();
        mDevice.reset();
        ecore_evas_shutdown();
    }

    // Starts the installed editor as the bus would, then sends it the caller's request with
    // `extras`. `prefix` runs it through another program (env, say).
    std::shared_ptr<Reply>
    LaunchEditor(std::vector<std::string> prefix = {},
                 const std::vector<std::pair<std::string, std::string>>& extras = {}) {
        prefix.push_back(mDevice->PackagePath("bin/clock-dalvexa-editor"));
        mEditor.reset(new watchtest::BackgroundProcess(
            prefix,
            {"DBUS_STARTER_ADDRESS=" + watch::bus::Address(), "DBUS_STARTER_BUS_TYPE=session"}));
        const pid_t pid = mEditor->Pid();
        EXPECT_TRUE(WaitSlowly([&] { return PidOf(kEditor) == pid; })) << DumpLog();
        auto reply = Send(kEditor, extras);
        EXPECT_TRUE(WaitSlowly([] { return InFront(kEditor); })) << DumpLog();
        return reply;
    }
    // The editor's exit status once it has ended (128 + signal when killed), or -1 while
    // it runs.
    int EditorStatus() { return mEditor ? mEditor->Wait(0) : -1; }

    // Checks a condition that runs processes at most every 100 ms.
    static bool WaitSlowly(const std::function<bool()>& done, double timeout = 15) {
        return watchtest::RunLoopUntilEvery(done, 0.1, timeout);
    }

    void StoreBand(int band) {
        auto r = watchtest::Watchctl(
            {"pref", kPackage, "set", kBandKey, std::to_string(band), "--type", "int"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // The stored colour band as `watchctl pref get` prints it, or its error in brackets.
    std::string StoredBandText() {
        auto r = watchtest::Watchctl({"pref", kPackage, "get", kBandKey});
        return r.status == 0 ? r.out : "(" + r.err + ")";
    }
    // The messages the companion service queued for the phone.
    std::string OutboxPath() const { return mDevice->PackagePath("data/phone-outbox.jsonl"); }
    std::vector<std::string> Outbox() {
        std::vector<std::string> lines;
        std::ifstream in(OutboxPath());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    const std::string mShotDir;
    std::unique_ptr<watchtest::TestDevice> mDevice;
    std::unique_ptr<watchtest::BackgroundProcess> mEditor;
};

} // namespace appstest
