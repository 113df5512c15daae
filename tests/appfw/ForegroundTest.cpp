// One ui application in front at a time: launches, window changes and lifecycle commands.
#include "AppfwFixture.h"
#include "LoopUtil.h"

#include <sstream>

using namespace appfwtest;
using watchtest::Watchctl;

namespace {

int PidOf(const std::shared_ptr<Reply>& reply) {
    return std::stoi(reply->extras.at("pid"));
}

// "ID TYPE STATE PID [front]" for one application in `watchctl app list`, spaces squeezed.
std::string ListLine(const std::string& list, const std::string& appId) {
    std::istringstream in(list);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string out;
        for (std::string w; words >> w;)
            out += (out.empty() ? "" : " ") + w;
        if (out.rfind(appId + " ", 0) == 0)
            return out;
    }
    return std::string();
}

} // namespace

TEST_F(AppfwTest, OneUiApplicationIsInFrontAtATime) {
    Prepare();
    const int first = PidOf(Launch(kUi, {}));
    const int second = PidOf(Launch(kUi2, {}));
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", first));
    // The reply can come before the resume that follows it.
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", second));
    EXPECT_EQ(Join(Lifecycle(AppLines(first))), "create app_control resume pause");
    EXPECT_EQ(Join(Lifecycle(AppLines(second))), "create app_control resume");
    // A service does not take the front.
    Launch(kService, {});
    auto list = Watchctl({"app", "list"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(ListLine(list.out, kUi), "test.appfw.ui ui paused " + std::to_string(first));
    EXPECT_EQ(ListLine(list.out, kUi2),
              "test.appfw.ui2 ui running " + std::to_string(second) + " front");
    EXPECT_EQ(ListLine(list.out, kService).find("front"), std::string::npos) << list.out;

    // When the front application ends, the one behind it comes back.
    auto r = Watchctl({"app", "terminate", kUi2});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", first, 2));
    EXPECT_TRUE(WaitForExit(second));
    EXPECT_EQ(Join(Lifecycle(AppLines(first))), "create app_control resume pause resume");

    // A request brings a paused application back to the front.
    const int third = PidOf(Launch(kUi2, {}));
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", first, 2));
    Launch(kUi, {});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", third));
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", first, 3));
    EXPECT_EQ(Join(Lifecycle(AppLines(first))),
              "create app_control resume pause resume pause app_control resume");
    EXPECT_EQ(Join(Lifecycle(AppLines(third))), "create app_control resume pause");

    // Paused by hand, ui leaves the queue, and ui2 (behind it) comes forward.
    r = Watchctl({"app", "pause"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", first, 3));
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", third, 2));
    list = Watchctl({"app", "list", kUi2});
    EXPECT_EQ(ListLine(list.out, kUi2),
              "test.appfw.ui2 ui running " + std::to_string(third) + " front");
}

TEST_F(AppfwTest, LoweringOrHidingTheWindowPausesAndShowingResumes) {
    Prepare();
    const int pid = PidOf(Launch(kUi, {{"lower_after_ms", "50"}}));
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "pause", pid));
    auto r = Watchctl({"app", "resume", kUi});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", pid, 2));

    Launch(kUi, {{"hide_after_ms", "50"}, {"show_after_ms", "300"}});
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "resume", pid, 4));
    EXPECT_EQ(Join(Lifecycle(AppLines(pid))),
              "create app_control resume pause resume app_control resume pause resume");
}

TEST_F(AppfwTest, LifecycleCommandsRefuseWhatIsNotThere) {
    Prepare();
    auto r = Watchctl({"app", "pause", kUi});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("test.appfw.ui is not running"), std::string::npos) << r.err;
    r = Watchctl({"app", "resume"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no application is in front"), std::string::npos) << r.err;
    r = Watchctl({"app", "terminate", "no.such.app"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no application \"no.such.app\" is installed"), std::string::npos);
    r = Watchctl({"app", "list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    // Nothing was started by asking.
    EXPECT_TRUE(CreatedPids().empty());
    Launch(kService, {});
    r = Watchctl({"app", "pause", kService});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("service application has no window"), std::string::npos) << r.err;
    r = Watchctl({"app", "bogus"});
    EXPECT_EQ(r.status, 2);
}
