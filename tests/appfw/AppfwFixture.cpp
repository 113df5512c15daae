#include "AppfwFixture.h"
#include "LoopUtil.h"
#include "watch_appfw.h"

#include <Ecore.h>

#include <signal.h>

namespace appfwtest {

void AppfwTest::SetUp() {
    ecore_app_no_system_modules();
    ecore_init();
    mDevice = std::make_unique<watchtest::TestDevice>(false);
}

void AppfwTest::TearDown() {
    // No reply callback runs after this: the records it would fill can go.
    watch::appfw::ShutdownLaunches();
    mReplies.clear();
    // Shuts the device down: its applications end, then its bus.
    mDevice.reset();
    ecore_shutdown();
}

void AppfwTest::Prepare(bool boot) {
    auto r = watchtest::Watchctl({"install", APPFW_TEST_STAGE});
    ASSERT_EQ(r.status, 0) << r.err;
    if (boot)
        mDevice->Boot();
}

namespace {

void OnReply(app_control_h, app_control_h reply, app_control_result_e result, void* data) {
    Reply& r = *static_cast<Reply*>(data);
    r.called = true;
    r.result = result;
    r.hasReply = reply != nullptr;
    r.seconds = watchtest::Now() - r.seconds;
    if (reply) {
        app_control_foreach_extra_data(
            reply,
            [](app_control_h h, const char* key, void* out) {
                char* value = nullptr;
                if (app_control_get_extra_data(h, key, &value) == APP_CONTROL_ERROR_NONE) {
                    (*static_cast<std::map<std::string, std::string>*>(out))[key] = value;
                    free(value);
                }
                return true;
            },
            &r.extras);
    }
}

} // namespace

std::shared_ptr<Reply>
AppfwTest::Send(const std::string& appId,
                const std::vector<std::pair<std::string, std::string>>& extras, int* sent,
                const char* operation) {
    auto reply = std::make_shared<Reply>();
    app_control_h request = nullptr;
    app_control_create(&request);
    app_control_set_app_id(request, appId.c_str());
    if (operation)
        app_control_set_operation(request, operation);
    for (const auto& extra : extras)
        app_control_add_extra_data(request, extra.first.c_str(), extra.second.c_str());
    reply->seconds = watchtest::Now();
    mReplies.push_back(reply); // kept until no callback can come
    const int rc = app_control_send_launch_request(request, OnReply, reply.get());
    // The sender lets go of its handle at once.
    app_control_destroy(request);
    if (sent)
        *sent = rc;
    else
        EXPECT_EQ(rc, APP_CONTROL_ERROR_NONE) << "send to " << appId;
    return reply;
}

std::shared_ptr<Reply>
AppfwTest::Launch(const std::string& appId,
                  const std::vector<std::pair<std::string, std::string>>& extras, double timeout) {
    auto reply = Send(appId, extras);
    EXPECT_TRUE(WaitFor(reply, timeout)) << "no reply from " << appId;
    return reply;
}

bool AppfwTest::WaitFor(const std::shared_ptr<Reply>& reply, double timeout) {
    return watchtest::RunLoopUntil([&] { return reply->called; }, timeout);
}

std::vector<LogEntry> AppfwTest::Log(const std::string& tag, int pid) const {
    return watchtest::ReadDeviceLog(mDevice->Root() + "/log/watch.log", tag, pid);
}

std::vector<std::string> AppfwTest::AppLines(int pid) const {
    std::vector<std::string> lines;
    for (const LogEntry& e : Log("APPFW-TEST", pid))
        lines.push_back(e.message);
    return lines;
}

int AppfwTest::CountLog(const std::string& tag, const std::string& part, int pid) const {
    int n = 0;
    for (const LogEntry& e : Log(tag, pid))
        n += e.message.find(part) != std::string::npos;
    return n;
}

bool AppfwTest::WaitForLog(const std::string& tag, const std::string& part, int pid, int count,
                           double timeout) {
    // The log is a file: look at it every 20 ms while the loop serves the bus.
    return watchtest::RunLoopUntilEvery([&] { return CountLog(tag, part, pid) >= count; }, 0.02,
                                        timeout);
}

std::vector<int> AppfwTest::CreatedPids() const {
    std::vector<int> pids;
    for (const LogEntry& e : Log("APPFW-TEST"))
        if (e.message == "create")
            pids.push_back(e.pid);
    return pids;
}

std::string AppfwTest::ProgramPath(const char* program) const {
    return mDevice->Root() + "/apps/test.appfw/bin/" + program;
}

bool AppfwTest::Alive(int pid) const {
    if (pid <= 0 || kill(pid, 0) != 0)
        return false;
    // A child of the bus daemon that ended but was not reaped yet is gone for us.
    const std::string stat = watchtest::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = stat.rfind(')');
    return paren == std::string::npos || paren + 2 >= stat.size() || stat[paren + 2] != 'Z';
}

bool AppfwTest::WaitForExit(int pid, double timeout) {
    return watchtest::RunLoopUntil([&] { return !Alive(pid); }, timeout);
}

std::vector<std::string> Lifecycle(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const std::string word = line.substr(0, line.find(' '));
        if (word == "create" || word == "app_control" || word == "resume" || word == "pause" ||
            word == "terminate")
            out.push_back(word);
    }
    return out;
}

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts)
        out += (out.empty() ? "" : " ") + p;
    return out;
}

} // namespace appfwtest
