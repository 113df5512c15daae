// The watchctl commands of the framework: launch and input.
#include "AppfwFixture.h"
#include "watch_appfw.h"

using namespace appfwtest;
using watchtest::Watchctl;
using Args = std::vector<std::string>;

TEST_F(AppfwTest, LaunchPrintsTheReplyOrWhyThereIsNoneAndInputReachesTheFront) {
    Prepare();
    auto r = Watchctl({"launch", kService, "-d", "colour=mint", "-d", "note=a=b", "-o",
                       APP_CONTROL_OPERATION_SETTINGS});
    ASSERT_EQ(r.status, 0) << r.err;
    const int pid = CreatedPids().at(0);
    EXPECT_EQ(r.out, "colour=mint\nnote=a=b\npid=" + std::to_string(pid) + "\nresult=succeeded\n");
    EXPECT_NE(AppLines(pid).at(1).find(std::string("op=") + APP_CONTROL_OPERATION_SETTINGS),
              std::string::npos);

    // A reply that says "failed" is still a reply; a late one is waited for.
    const struct {
        const char* extra;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {"reply_result=failed", 0, "result=failed\n", nullptr},
        {"reply_after_ms=500", 0, "result=succeeded\n", nullptr},
        {"exit_without_reply=1", 1, "result=failed\n", "no reply came from test.appfw.service"},
    };
    for (const auto& c : cases) {
        r = Watchctl({"launch", kService, "-d", c.extra});
        EXPECT_EQ(r.status, c.status) << c.extra << r.err;
        EXPECT_EQ(r.out.substr(std::min(r.out.rfind("result="), r.out.size())), c.out) << c.extra;
        if (c.err)
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        else
            EXPECT_EQ(r.err, "") << c.extra; // a reply, even "failed", is no error
    }
    r = Watchctl({"launch", kService, "-d", "no_reply=1", "--timeout", "0.5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no reply from test.appfw.service within 0.5 s"), std::string::npos)
        << r.err;
    r = Watchctl({"launch", "test.appfw.nothing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no such application"), std::string::npos) << r.err;

    // Input reaches the front window as canvas events.
    const int back = LaunchPid(kUi2);
    const int front = LaunchPid(kUi);
    for (const Args& args :
         {Args{"rotary", "cw", "3"}, Args{"rotary", "ccw"}, Args{"key", "back"},
          Args{"key", "more"}, Args{"key", "return"}, Args{"tap", "250", "120"}}) {
        Args command = {"input"};
        command.insert(command.end(), args.begin(), args.end());
        r = Watchctl(command);
        EXPECT_EQ(r.status, 0) << args[0] << r.err;
    }
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "up 250 120", front));
    const auto inputs = [&](int of) {
        std::vector<std::string> events;
        for (const std::string& line : AppLines(of))
            for (const char* kind : {"wheel ", "key ", "down ", "up "})
                if (line.rfind(kind, 0) == 0)
                    events.push_back(line);
        return events;
    };
    EXPECT_EQ(inputs(front),
              (std::vector<std::string>{"wheel 1", "wheel 1", "wheel 1", "wheel -1", "key Escape",
                                        "key Menu", "key Return", "down 250 120", "up 250 120"}));
    EXPECT_EQ(inputs(back), std::vector<std::string>{}); // the application behind saw none

    for (const Args& args :
         {Args{"launch"}, Args{"launch", kService, "-d", "novalue"},
          Args{"launch", kService, "--timeout", "-1"}, Args{"launch", kService, "--bogus"},
          Args{"launch", kService, kUi}, Args{"input"}, Args{"input", "rotary", "left"},
          Args{"input", "rotary", "cw", "0"}, Args{"input", "key", "home"},
          Args{"input", "tap", "1"}, Args{"input", "tap", "x", "y"}, Args{"input", "wave"}})
        EXPECT_EQ(Watchctl(args).status, 2) << args.back();
}
