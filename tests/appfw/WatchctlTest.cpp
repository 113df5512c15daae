// The watchctl commands of the framework: launch, input, screenshot, and the activation
// files that install and boot write.
#include "AppfwFixture.h"
#include "LoopUtil.h"
#include "watch_appfw.h"

#include <filesystem>
#include <fstream>

using namespace appfwtest;
using watchtest::Watchctl;

TEST_F(AppfwTest, InstallAndBootWriteOneActivationFilePerApplication) {
    Prepare(false);
    const std::string dir = mDevice->Root() + "/run/services/";
    const std::string file = dir + watch::appfw::BusName(kOddService) + ".service";
    EXPECT_EQ(watchtest::ReadFile(file),
              "[D-BUS Service]\nName=watch.app.test.appfw._39_5fodd_20service\nExec=" +
                  ProgramPath("appfw-test-service2") + "\n");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files += entry.path().extension() == ".service";
    EXPECT_EQ(files, 4);

    // Before boot, commands that need the device bus refuse.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"launch", kService}, {"input", "key", "back"}}) {
        auto r = Watchctl(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("not booted"), std::string::npos) << r.err;
    }

    // Boot writes them again and drops those of applications that are gone.
    std::filesystem::remove(file);
    std::ofstream(dir + "watch.app.gone.service") << "[D-BUS Service]\nName=watch.app.gone\n";
    mDevice->Boot();
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(dir + "watch.app.gone.service"));
}

TEST_F(AppfwTest, LaunchPrintsTheReplyAndItsResult) {
    Prepare();
    auto r = Watchctl({"launch", kService, "-d", "colour=mint", "-d", "note=a=b", "-o",
                       APP_CONTROL_OPERATION_SETTINGS});
    ASSERT_EQ(r.status, 0) << r.err;
    const int pid = CreatedPids().at(0);
    EXPECT_EQ(r.out, "colour=mint\nnote=a=b\npid=" + std::to_string(pid) + "\nresult=succeeded\n");
    const auto lines = AppLines(pid);
    EXPECT_NE(lines.at(1).find(std::string("op=") + APP_CONTROL_OPERATION_SETTINGS),
              std::string::npos);

    // A reply that says "failed" is still a reply.
    r = Watchctl({"launch", kService, "-d", "reply_result=failed"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nresult=failed\n"), std::string::npos) << r.out;

    // A late reply is waited for.
    r = Watchctl({"launch", kService, "-d", "reply_after_ms=1200"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("result=succeeded"), std::string::npos);
}

TEST_F(AppfwTest, LaunchWithoutAReplyFails) {
    Prepare();
    auto r = Watchctl({"launch", kService, "-d", "exit_without_reply=1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "result=failed\n");
    EXPECT_NE(r.err.find("no reply came from test.appfw.service"), std::string::npos) << r.err;

    r = Watchctl({"launch", kService, "-d", "no_reply=1", "--timeout", "0.5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no reply from test.appfw.service within 0.5 s"), std::string::npos)
        << r.err;

    r = Watchctl({"launch", "test.appfw.nothing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no such application"), std::string::npos) << r.err;

    for (const std::vector<std::string>& args : {std::vector<std::string>{"launch"},
                                                 {"launch", kService, "-d", "novalue"},
                                                 {"launch", kService, "--timeout", "-1"},
                                                 {"launch", kService, "--bogus"},
                                                 {"launch", kService, kUi}}) {
        EXPECT_EQ(Watchctl(args).status, 2) << args.back();
    }
}

TEST_F(AppfwTest, InputReachesTheFrontWindowAsCanvasEvents) {
    Prepare();
    const int back = std::stoi(Launch(kUi2, {})->extras.at("pid"));
    const int pid = std::stoi(Launch(kUi, {})->extras.at("pid"));
    auto r = Watchctl({"input", "rotary", "cw", "3"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Watchctl({"input", "rotary", "ccw"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* key : {"back", "more", "return"}) {
        r = Watchctl({"input", "key", key});
        EXPECT_EQ(r.status, 0) << r.err;
    }
    r = Watchctl({"input", "tap", "250", "120"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(WaitForLog("APPFW-TEST", "up 250 120", pid));

    std::vector<std::string> events;
    for (const std::string& line : AppLines(pid)) {
        if (line.rfind("wheel", 0) == 0 || line.rfind("key", 0) == 0 ||
            line.rfind("down", 0) == 0 || line.rfind("up", 0) == 0)
            events.push_back(line);
    }
    EXPECT_EQ(events,
              (std::vector<std::string>{"wheel 1", "wheel 1", "wheel 1", "wheel -1", "key Escape",
                                        "key Menu", "key Return", "down 250 120", "up 250 120"}));
    // The application behind saw none of it.
    for (const std::string& line : AppLines(back))
        EXPECT_TRUE(line.rfind("wheel", 0) && line.rfind("key", 0) && line.rfind("down", 0))
            << line;

    for (const std::vector<std::string>& args : {std::vector<std::string>{"input"},
                                                 {"input", "rotary", "left"},
                                                 {"input", "rotary", "cw", "0"},
                                                 {"input", "key", "home"},
                                                 {"input", "tap", "1"},
                                                 {"input", "tap", "x", "y"},
                                                 {"input", "wave"}}) {
        EXPECT_EQ(Watchctl(args).status, 2) << args.back();
    }
}
