// What bad input gets: malformed messages on the bus, out-of-range requests, malformed
// replies. Always an error answer and one log line; never a crash.
#include "AppfwFixture.h"
#include "watch_appfw.h"
#include "watch_bus.h"

#include <Eldbus.h>

#include <cstring>

using namespace appfwtest;

namespace {

// A method call to an application from another process (gdbus, arguments in GVariant
// text); the D-Bus error name of the answer, "" for a method return.
std::string Call(const std::string& appId, const std::string& method,
                 const std::vector<std::string>& args) {
    std::vector<std::string> argv = {
        "/usr/bin/gdbus", "call",
        "--address",      watch::bus::Address(),
        "--dest",         watch::appfw::BusName(appId),
        "--object-path",  watch::appfw::kObjectPath,
        "--method",       std::string(watch::appfw::kInterface) + "." + method};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string err = watchtest::RunProcess(argv).err;
    const size_t at = err.find("GDBus.Error:");
    if (at == std::string::npos)
        return err; // "" for a method return, else gdbus's own complaint
    const size_t from = at + strlen("GDBus.Error:");
    return err.substr(from, err.find(':', from) - from);
}

} // namespace

TEST_F(AppfwTest, MalformedLaunchAndWindowRequestsGetAnErrorAndALogLine) {
    Prepare();
    const int pid = LaunchPid(kService);
    const int ui = LaunchPid(kUi);
    std::string many, big(40000, 'a');
    for (size_t i = 0; i <= watch::appfw::kMaxExtras; ++i) // one more than allowed
        many += (i ? ", 'k" : "'k") + std::to_string(i) + "': 'v'";
    const struct {
        std::string request;
        const char* logged;
    } cases[] = {
        {"{'extras': <@a{ss} {}>}", "\"reply\" is missing"},
        {"{'reply': <true>}", "\"extras\" is missing"},
        {"{'reply': <'yes'>, 'extras': <@a{ss} {}>}", "\"reply\" is not a boolean"},
        {"{'reply': <true>, 'extras': <'k=v'>}", "\"extras\" is not an a{ss}"},
        {"{'operation': <7>, 'reply': <true>, 'extras': <@a{ss} {}>}",
         "\"operation\" is not a string"},
        {"{'reply': <true>, 'extras': <{'': 'v'}>}", "empty key"},
        {"{'reply': <true>, 'extras': <{'a': '" + big + "', 'b': '" + big + "'}>}", "exceed"},
        {"{'reply': <true>, 'extras': <{" + many + "}>}", "more than 1024 extras"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Call(kService, "Launch", {c.request}), watch::appfw::kErrorInvalidRequest)
            << c.logged;
        EXPECT_EQ(CountLog("WATCH-APPFW", c.logged, pid), 1) << c.logged;
    }
    // Unknown fields are ignored; the application still serves requests normally.
    EXPECT_EQ(
        Call(kService, "Launch", {"{'later': <'f'>, 'reply': <true>, 'extras': <{'k': 'v'}>}"}),
        "");

    const struct {
        const char* method;
        std::vector<std::string> args;
        const char* logged;
    } windowCases[] = {
        {"Key", {"''"}, "not a key name"},
        {"Key", {"'Esc ape\\n'"}, "not a key name"},
        {"Rotary", {"true", "0"}, "notches must be 1 to 1000"},
        {"Tap", {"5000000", "1"}, "far off the screen"},
        {"Screenshot", {"'relative.png'"}, "must be absolute"},
        {"Screenshot", {"'/tmp/shot.jpg'"}, "must be absolute"},
        {"Screenshot", {"'/nonexistent/dir/shot.png'"}, "cannot write"},
    };
    for (const auto& c : windowCases) {
        EXPECT_NE(Call(kUi, c.method, c.args), "") << c.logged;
        EXPECT_GE(CountLog("WATCH-APPFW", c.logged, ui), 1) << c.logged;
    }
    // A service application has no window to give input to.
    EXPECT_EQ(Call(kService, "Tap", {"1", "1"}), watch::appfw::kErrorNoWindow);
    EXPECT_TRUE(WaitForLog("WATCH-APPFW", "has no window", pid));
    EXPECT_TRUE(Alive(ui) && Alive(pid));
    // Only the two good requests reached the service.
    EXPECT_EQ(Order(pid), "create app_control app_control");
}

namespace {

// This process stands in for test.appfw.ui2 and answers every launch with gAnswer.
Eldbus_Message* (*gAnswer)(const Eldbus_Message*) = nullptr;
Eldbus_Message* FakeLaunch(const Eldbus_Service_Interface*, const Eldbus_Message* msg) {
    return gAnswer(msg);
}
const Eldbus_Arg_Info kAnyRequest[] = {{"a{sv}", "request"}, {nullptr, nullptr}};
const Eldbus_Method kFakeMethods[] = {{"Launch", kAnyRequest, nullptr, FakeLaunch, 0},
                                      {nullptr, nullptr, nullptr, nullptr, 0}};
const Eldbus_Service_Interface_Desc kFakeDesc = {
    watch::appfw::kInterface, kFakeMethods, nullptr, nullptr, nullptr, nullptr};

// A method return of signature "", "s" ("ok") or "ia{ss}" (result, no extras).
Eldbus_Message* Return(const Eldbus_Message* call, const char* sig, int result = 0) {
    Eldbus_Message* r = eldbus_message_method_return_new(call);
    Eldbus_Message_Iter* top = eldbus_message_iter_get(r);
    if (*sig == 's')
        eldbus_message_iter_basic_append(top, 's', "ok");
    if (*sig == 'i') {
        eldbus_message_iter_basic_append(top, 'i', result);
        eldbus_message_iter_container_close(top,
                                            eldbus_message_iter_container_new(top, 'a', "{ss}"));
    }
    return r;
}

} // namespace

TEST_F(AppfwTest, MalformedRepliesGiveTheCallerAFailure) {
    Prepare();
    Eldbus_Connection* bus = watch::bus::Connect();
    Eldbus_Service_Interface* iface =
        eldbus_service_interface_register(bus, watch::appfw::kObjectPath, &kFakeDesc);
    bool owned = false;
    eldbus_name_request(
        bus, watch::appfw::BusName(kUi2).c_str(), ELDBUS_NAME_REQUEST_FLAG_DO_NOT_QUEUE,
        [](void* data, const Eldbus_Message*, Eldbus_Pending*) {
            *static_cast<bool*>(data) = true;
        },
        &owned);
    ASSERT_TRUE(watchtest::RunLoopUntil([&] { return owned; }));

    const struct {
        Eldbus_Message* (*answer)(const Eldbus_Message*);
        const char* logged;
    } cases[] = {
        {[](const Eldbus_Message* m) { return Return(m, ""); },
         "malformed reply: the reply has the signature \"\""},
        {[](const Eldbus_Message* m) { return Return(m, "s"); },
         "malformed reply: the reply has the signature \"s\""},
        {[](const Eldbus_Message* m) { return Return(m, "ia{ss}", 42); }, "unknown result 42"},
        {[](const Eldbus_Message* m) {
             return eldbus_message_error_new(m, "test.Error.Nope", "not today");
         },
         "not today"},
    };
    for (const auto& c : cases) {
        gAnswer = c.answer;
        auto reply = Launch(kUi2);
        EXPECT_EQ(reply->result, APP_CONTROL_RESULT_FAILED) << c.logged;
        EXPECT_FALSE(reply->hasReply) << c.logged;
        EXPECT_EQ(CountLog("WATCH-APPFW", c.logged, getpid()), 1) << c.logged;
    }
    eldbus_service_interface_unregister(iface);
    watch::bus::Release(bus);
}
