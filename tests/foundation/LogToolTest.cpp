// The platform log file and `watchctl log` reading it.
#include "TestDevice.h"

#include <dlog.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <sstream>

using watchtest::ReadFile;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

} // namespace

TEST(PlatformLog, LineFormatWatchctlLogFiltersAndProcessesWritingAtOnce) {
    TestDevice device(false);
    __dlog_print(LOG_ID_MAIN, DLOG_ERROR, "ALPHA", "hello %s %d", "world", 42);
    __dlog_print(LOG_ID_MAIN, DLOG_INFO, "BETA", "two\nlines");
    __dlog_print(LOG_ID_MAIN, DLOG_WARN, "ALPHA-2", "third");
    __dlog_print(LOG_ID_MAIN, DLOG_ERROR, "ALPHA", "fourth \033[1;40;31mred\033[0;m");
    const auto lines = Lines(ReadFile(device.Root() + "/log/watch.log"));
    ASSERT_EQ(lines.size(), 4u);
    const std::regex head(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} +(\d+) +\d+ ([A-Z]) (.*)$)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, head)) << lines[0];
    EXPECT_EQ(std::stoi(m[1]), getpid());
    EXPECT_EQ(m[2], "E");
    EXPECT_EQ(m[3], "ALPHA: hello world 42");
    ASSERT_TRUE(std::regex_match(lines[1], m, head)) << lines[1];
    EXPECT_EQ(m[2], "I");
    EXPECT_EQ(m[3], "BETA: two\\nlines"); // one record per line

    auto all = Watchctl({"log"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(Lines(all.out).size(), 4u);
    auto alpha = Watchctl({"log", "--tag", "ALPHA", "--no-color"});
    ASSERT_EQ(alpha.status, 0);
    ASSERT_EQ(Lines(alpha.out).size(), 2u); // "ALPHA-2" is another tag
    EXPECT_NE(alpha.out.find("ALPHA: fourth red"), std::string::npos) << alpha.out;
    auto warn = Watchctl({"log", "-p", "warn"});
    ASSERT_EQ(warn.status, 0);
    EXPECT_EQ(Lines(warn.out).size(), 3u);
    EXPECT_EQ(warn.out.find("two"), std::string::npos);

    // The lines of several processes writing at once never interleave.
    const int kProcesses = 4, kLines = 300;
    const std::string payload(1500, 'x');
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0; i < kLines; ++i)
                __dlog_print(LOG_ID_MAIN, DLOG_ERROR, "MIX", "p%d l%d %s end", p, i,
                             payload.c_str());
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto mixed = Lines(ReadFile(device.Root() + "/log/watch.log"));
    ASSERT_EQ(mixed.size(), lines.size() + kProcesses * kLines);
    const std::regex whole(R"(^.* E MIX: p\d l\d+ x{1500} end$)");
    for (size_t i = lines.size(); i < mixed.size(); ++i)
        ASSERT_TRUE(std::regex_match(mixed[i], whole)) << mixed[i].substr(0, 120);
}
