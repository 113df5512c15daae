// The device under fault: a device root that cannot be used, settings writers and the
// device bus killed, launch requests that nobody can answer. Every command and call ends
// with one clear error, nothing crashes, nothing acknowledged or stored is lost.
#include "AppsTestUtil.h"
#include "LogCapture.h"
#include "LoopUtil.h"
#include "TestDevice.h"
#include "app_control.h"
#include "vconf.h"
#include "watch_appfw.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using watchtest::BackgroundProcess;
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

// The last value each watched key was heard changing to.
std::map<std::string, int> gHeard;

void OnChange(keynode_t* node, void*) {
    if (vconf_keynode_get_type(node) == VCONF_TYPE_INT)
        gHeard[vconf_keynode_get_name(node)] = vconf_keynode_get_int(node);
}

// The highest round the writer acknowledged ("ack N" lines), 0 for none.
int AckedRounds(const std::string& out) {
    std::istringstream in(out);
    int acked = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("ack ", 0) == 0)
            acked = std::max(acked, atoi(line.c_str() + 4));
    return acked;
}

} // namespace

// First another user's device: the root exists but this process may not look inside, and
// nothing there is changed or lost by the attempts. Then launch requests to applications
// that cannot start, and to one not installed. Then the settings under fault, through
// their C calls in a separate program: a writer killed with SIGKILL, then the device bus
// killed while a writer runs. Nothing acknowledged is lost, the store stays usable by the
// next process, and the changes go on reaching other processes. (Several writers at once:
// SettingsStoreTest.)
TEST(DeviceFault, AnUnreadableRootUnanswerableRequestsAndKilledWritersAndBusLoseNothing) {
    ecore_app_no_system_modules();
    struct EcoreScope {
        EcoreScope() { ecore_init(); }
        ~EcoreScope() { ecore_shutdown(); }
    } ecore; // outlives the device
    TestDevice device;
    ASSERT_EQ(Watchctl({"vconf", "set", "db/fault/kept", "5", "--type", "int"}).status, 0);
    // A package whose applications cannot start: one program is missing, the other exits
    // at once without ever reaching the bus.
    const std::string faultStage = device.Root() + "/stage";
    std::filesystem::create_directories(faultStage + "/bin");
    std::ofstream(faultStage + "/manifest.xml")
        << "<manifest package='fault.apps' version='1.0'>"
           "<application id='fault.missing' exec='missing' type='service'/>"
           "<application id='fault.dies' exec='dies' type='service'/></manifest>";
    std::filesystem::copy_file("/bin/false", faultStage + "/bin/dies");
    ASSERT_EQ(Watchctl({"install", faultStage}).status, 0);
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

    // Requests nobody can answer fail with a line, and the device goes on serving.
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

    r = Watchctl({"vconf", "set", "db/fault/after", "1", "--type", "int"});
    EXPECT_EQ(r.status, 0) << r.err;
    appstest::ForgetLaunches(); // no reply callback runs after this

    // A writer of a key this process watches, killed right after an acknowledgement, most
    // likely inside its next write.
    const std::string last = "db/fault/w/last";
    ASSERT_EQ(vconf_set_int(last.c_str(), 0), 0);
    ASSERT_EQ(vconf_notify_key_changed(last.c_str(), OnChange, nullptr), 0);

    BackgroundProcess writer({FAULT_STORE_WRITER, "w"});
    ASSERT_TRUE(writer.WaitForOutput("ack 300\n", 30)) << writer.Out() << writer.Err();
    writer.Stop(SIGKILL);
    const int acked = AckedRounds(writer.Out());
    ASSERT_GE(acked, 300);
    EXPECT_EQ(writer.Out().find("fail"), std::string::npos) << writer.Out();
    int value = -1;
    ASSERT_EQ(vconf_get_int(last.c_str(), &value), 0);
    EXPECT_GE(value, acked);
    EXPECT_LE(value, acked + 1);
    for (int k = 0; k < 50; ++k) {
        // The newest acknowledged round that wrote k<k>, or the one in flight.
        const int expected = acked - ((acked - k) % 50 + 50) % 50;
        ASSERT_EQ(vconf_get_int(("db/fault/w/k" + std::to_string(k)).c_str(), &value), 0) << k;
        EXPECT_TRUE(value == expected || value == acked + 1) << "k" << k << " = " << value;
    }
    // The writes of the writer were heard here while it ran.
    EXPECT_TRUE(RunLoopUntil([&] { return gHeard[last] >= 300; }, 10));
    // Nothing of the killed writer stands in the way of the next one, nor of the news.
    r = Watchctl({"vconf", "set", last, "-7"}, {}, 10);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(RunLoopUntil([&] { return gHeard[last] == -7; }, 10));

    // The bus killed while a writer runs: its calls go on succeeding and nothing it
    // acknowledged is lost; only the news stops travelling, and this process says so once.
    BackgroundProcess second({FAULT_STORE_WRITER, "w"});
    ASSERT_TRUE(second.WaitForOutput("ack 50\n", 30)) << second.Err();
    ASSERT_TRUE(RunLoopUntil([&] { return gHeard[last] > 0; }, 10));
    const int daemon = atoi(watchtest::ReadFile(device.Root() + "/run/bus.pid").c_str());
    ASSERT_GT(daemon, 0);
    ASSERT_EQ(kill(daemon, SIGKILL), 0);
    EXPECT_TRUE(RunLoopUntil([&] { return log.Contains("lost the device bus"); }, 10))
        << log.Dump();
    const int before = AckedRounds(second.Out());
    ASSERT_TRUE(second.WaitForOutput("ack " + std::to_string(before + 200) + "\n", 30))
        << second.Out() << second.Err();
    second.Stop(SIGKILL);
    EXPECT_EQ(second.Out().find("fail"), std::string::npos) << second.Out();
    ASSERT_EQ(vconf_get_int(last.c_str(), &value), 0);
    EXPECT_GE(value, AckedRounds(second.Out()));
    // This process's own writes still reach its own callbacks, with no bus to echo them.
    ASSERT_EQ(vconf_set_int(last.c_str(), -1), 0);
    EXPECT_TRUE(RunLoopUntil([&] { return gHeard[last] == -1; }, 10));
    EXPECT_EQ(log.Count("lost the device bus"), 1) << log.Dump();
}
