// A device root that cannot be used, and launch requests that nobody can answer: every
// command and call ends with one clear error, nothing crashes, nothing stored is lost.
#include "AppsTestUtil.h"
#include "LogCapture.h"
#include "LoopUtil.h"
#include "app_control.h"
#include "vconf.h"
#include "watch_appfw.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <memory>

using watchtest::ProcessResult;
using watchtest::RunLoopUntil;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

// A refusal: status 1 and one "watchctl: ..." line that names `part`, nothing on stdout.
void ExpectRefused(const ProcessResult& r, const std::string& what, const std::string& part) {
    EXPECT_EQ(r.status, 1) << what << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
    EXPECT_EQ(r.err.rfind("watchctl", 0), 0u) << what << ": " << r.err;
    EXPECT_NE(r.err.find(part), std::string::npos) << what << ": " << r.err;
    EXPECT_EQ(r.out, "") << what;
}

const std::string kStage = WATCH_PACKAGE_STAGE;

} // namespace

// Another user's device: the root exists but this process may not look inside. Nothing
// there is changed or lost by the attempts.
TEST(DeviceRootFault, AnUnreadableRootGivesClearErrorsAndKeepsItsData) {
    TestDevice device;
    ASSERT_EQ(Watchctl({"vconf", "set", "db/fault/kept", "5", "--type", "int"}).status, 0);
    device.Boot();

    // Root reads everything whatever the modes: the commands then run as "nobody".
    const bool asRoot = geteuid() == 0;
    char home[] = "/tmp/fault-home-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    chmod(home, 0777);
    // "nobody" may not enter the checkout: it runs copies of watchctl and the stage.
    const std::string watchctl = std::string(home) + "/watchctl",
                      stage = std::string(home) + "/stage";
    std::filesystem::copy_file(WATCHCTL_PATH, watchctl);
    std::filesystem::copy(kStage, stage, std::filesystem::copy_options::recursive);
    std::vector<std::string> prefix;
    if (asRoot) {
        prefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        ASSERT_EQ(watchtest::RunProcess({"/bin/chmod", "-R", "a+rX", home}).status, 0);
    }
    chmod(device.Root().c_str(), asRoot ? 0700 : 0);
    const std::vector<std::string> env = {std::string("HOME=") + home,
                                          std::string("XDG_RUNTIME_DIR=") + home};

    const std::vector<std::vector<std::string>> commands = {
        {"vconf", "set", "db/fault/kept", "6"},
        {"vconf", "get", "db/fault/kept"},
        {"boot"},
        {"shutdown"},
        {"install", stage},
        {"log"},
    };
    for (const auto& command : commands) {
        std::vector<std::string> argv = prefix;
        argv.push_back(watchctl);
        argv.insert(argv.end(), command.begin(), command.end());
        ExpectRefused(watchtest::RunProcess(argv, env, 20), command[0], device.Root());
    }

    chmod(device.Root().c_str(), 0755);
    std::filesystem::remove_all(home);
    auto r = Watchctl({"vconf", "get", "db/fault/kept"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "5\n");
    // The device kept running through it all.
    r = Watchctl({"app", "list"});
    EXPECT_EQ(r.status, 0) << r.err;
}

// A package whose applications cannot start: one program is missing, the other exits at
// once without ever reaching the bus.
TEST(UnanswerableLaunch, ARequestNobodyCanAnswerFailsWithALine) {
    ecore_app_no_system_modules();
    struct EcoreScope {
        EcoreScope() { ecore_init(); }
        ~EcoreScope() { ecore_shutdown(); }
    } ecore; // outlives the device
    TestDevice device(false);
    const std::string stage = device.Root() + "/stage";
    std::filesystem::create_directories(stage + "/bin");
    std::ofstream(stage + "/manifest.xml")
        << "<manifest package='fault.apps' version='1.0'>"
           "<application id='fault.missing' exec='missing' type='service'/>"
           "<application id='fault.dies' exec='dies' type='service'/></manifest>";
    std::filesystem::copy_file("/bin/false", stage + "/bin/dies");
    ASSERT_EQ(Watchctl({"install", stage}).status, 0);
    device.Boot();

    watchtest::LogCapture log;
    int sent[3] = {-1, -1, -1};
    auto unknown = appstest::Send("fault.unknown", {}, nullptr, &sent[0]);
    auto missing = appstest::Send("fault.missing", {}, nullptr, &sent[1]);
    auto dies = appstest::Send("fault.dies", {}, nullptr, &sent[2]);
    EXPECT_EQ(sent[0], APP_CONTROL_ERROR_APP_NOT_FOUND);
    ASSERT_EQ(sent[1], APP_CONTROL_ERROR_NONE);
    ASSERT_EQ(sent[2], APP_CONTROL_ERROR_NONE);
    EXPECT_TRUE(RunLoopUntil([&] { return missing->called && dies->called; }, 30));
    EXPECT_FALSE(unknown->called);
    EXPECT_EQ(missing->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_EQ(dies->result, APP_CONTROL_RESULT_FAILED);
    EXPECT_EQ(log.Count("no application \"fault.unknown\" is installed"), 1) << log.Dump();
    EXPECT_EQ(log.Count("launch request to fault.missing failed"), 1) << log.Dump();
    EXPECT_EQ(log.Count("launch request to fault.dies failed"), 1) << log.Dump();

    // The device goes on serving.
    auto r = Watchctl({"vconf", "set", "db/fault/after", "1", "--type", "int"});
    EXPECT_EQ(r.status, 0) << r.err;
    appstest::ForgetLaunches(); // no reply callback runs after this
}
