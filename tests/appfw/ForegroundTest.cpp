// One ui application in front at a time: launches, window changes and lifecycle commands.
#include "AppfwFixture.h"

using namespace appfwtest;
using watchtest::Watchctl;

namespace {

// The application's line of `watchctl app list`, its words joined by one space.
std::string AppListLine(const std::string& appId) {
    std::string line;
    for (const std::string& word : appstest::AppListEntry(appId))
        line += (line.empty() ? "" : " ") + word;
    return line;
}

} // namespace

TEST_F(AppfwTest, OneUiApplicationIsInFrontAtATimeAndCommandsRefuseWhatIsNotThere) {
    Prepare();
    // Lifecycle commands refuse what is not there, and start nothing by asking.
    const struct {
        std::vector<std::string> args;
        int status;
        const char* reason;
    } refusals[] = {
        {{"app", "pause", kUi}, 1, "test.appfw.ui is not running"},
        {{"app", "resume"}, 1, "no application is in front"},
        {{"screenshot", mDevice->Root() + "/none.png"}, 1, "no application is in front"},
        {{"app", "terminate", "no.such.app"}, 1, "no application \"no.such.app\" is installed"},
        {{"app", "list"}, 0, nullptr}, // nothing runs: no line, and nothing wrong
        {{"app", "bogus"}, 2, "unknown action \"bogus\""},
        {{"screenshot", "shot.jpg"}, 2, "the file name must end in .png"},
    };
    for (const auto& c : refusals) {
        auto r = Watchctl(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
        if (c.reason)
            EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        else
            EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, "") << c.args[1];
    }
    EXPECT_TRUE(CreatedPids().empty());

    const int first = LaunchPid(kUi);
    const int second = LaunchPid(kUi2);
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", first));
    // The reply can come before the resume that follows it.
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", second));
    EXPECT_EQ(Order(first), "create app_control resume pause");
    EXPECT_EQ(Order(second), "create app_control resume");
    // A service does not take the front.
    const int service = LaunchPid(kService);
    EXPECT_EQ(AppListLine(kUi), "test.appfw.ui ui paused " + std::to_string(first));
    EXPECT_EQ(AppListLine(kUi2), "test.appfw.ui2 ui running " + std::to_string(second) + " front");
    EXPECT_EQ(AppListLine(kService),
              "test.appfw.service service running " + std::to_string(service));
    auto r = Watchctl({"app", "pause", kService});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("service application has no window"), std::string::npos) << r.err;

    // When the front application ends, the one behind it comes back.
    r = Watchctl({"app", "terminate", kUi2});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", first, 2));
    EXPECT_TRUE(WaitForExit(second));
    EXPECT_EQ(Order(first), "create app_control resume pause resume");

    // A request brings a paused application back to the front.
    const int third = LaunchPid(kUi2);
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", first, 2));
    Launch(kUi);
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", third));
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", first, 3));
    EXPECT_EQ(Order(first), "create app_control resume pause resume pause app_control resume");
    EXPECT_EQ(Order(third), "create app_control resume pause");

    // Paused by hand, ui leaves the queue, and ui2 (behind it) comes forward.
    r = Watchctl({"app", "pause"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", first, 3));
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", third, 2));
    EXPECT_EQ(AppListLine(kUi2), "test.appfw.ui2 ui running " + std::to_string(third) + " front");
}

TEST_F(AppfwTest, LoweringOrHidingTheWindowPausesAndShowingResumes) {
    Prepare();
    const int pid = LaunchPid(kUi, {{"lower_after_ms", "50"}});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", pid));
    auto r = Watchctl({"app", "resume", kUi});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", pid, 2));

    Launch(kUi, {{"hide_after_ms", "50"}, {"show_after_ms", "300"}});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", pid, 4));
    EXPECT_EQ(Order(pid), "create app_control resume pause resume app_control resume pause resume");
}
