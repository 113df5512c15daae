// Helpers for tests of the package's programs on a test device: the device log, launch
// requests from the test process, the running applications, and PNG pictures.
#pragma once

#include "DalvexaNames.h"
#include "TestDevice.h"

#include <app_control.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace appstest {

constexpr const char* kPackage = dalvexa::kFaceAppId;
constexpr const char* kFace = dalvexa::kFaceAppId;
constexpr const char* kService = dalvexa::kServiceAppId;
constexpr const char* kEditor = dalvexa::kEditorAppId;
constexpr const char* kBandKey = dalvexa::kColorBandKey;

using watchtest::LogEntry; // lines of <root>/log/watch.log, of one process when pid is set
std::vector<LogEntry> DeviceLog(const std::string& tag = std::string(), int pid = 0);
int CountLog(const std::string& tag, const std::string& part, int pid = 0);
// Runs the loop until the device log holds `count` lines of tag (of one process when pid is
// set) containing part.
bool WaitForLog(const std::string& tag, const std::string& part, int pid = 0, int count = 1,
                double timeout = 10);
// Every line of a tag, for failure output.
std::string DumpLog(const std::string& tag = std::string());

// What came back to a reply callback.
struct Reply {
    bool called = false;
    app_control_result_e result = APP_CONTROL_RESULT_APP_STARTED;
    bool hasReply = false;
    std::map<std::string, std::string> extras;
};
// Sends a launch request from this process; *sent gets the send's result. The record
// fills in when the reply callback runs on the loop.
std::shared_ptr<Reply> Send(const std::string& appId,
                            const std::vector<std::pair<std::string, std::string>>& extras,
                            const char* operation = nullptr, int* sent = nullptr);
// Sends and runs the loop until the reply came (or the time is up).
std::shared_ptr<Reply> Launch(const std::string& appId,
                              const std::vector<std::pair<std::string, std::string>>& extras,
                              const char* operation = nullptr, double timeout = 10);
// Lets go of the requests still waiting (before the test's device goes).
void ForgetLaunches();

// The words of the line of `watchctl app list` for an application (none when it does not
// run): ID TYPE STATE PID [front].
std::vector<std::string> AppListEntry(const std::string& appId);
bool InFront(const std::string& appId);
int PidOf(const std::string& appId); // 0 when it does not run

// A picture in memory: 0xAARRGGBB pixels, not premultiplied.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
// Needs ecore_evas (elm_init or ecore_evas_init). False when the file cannot be read. With
// onBlack, the picture as it shows on a black ground (opaque pixels).
bool LoadPng(const std::string& path, Image* out, bool onBlack = false);
bool SavePng(const std::string& path, const Image& image);
// The largest difference of the red, green and blue channels.
int ColorDistance(uint32_t a, uint32_t b);

// Compares a picture with a reference: pixels whose channels differ by more than
// `tolerance` count as different, and at most `maxShare` of them may. On failure the
// reason is in *why and a picture of the differences (red where they differ, the
// reference dimmed elsewhere) is written to diffPath.
struct Compare {
    int tolerance = 24;
    double maxShare = 0.01;
    // A disc left out of the comparison (the hands of a running clock); none when the
    // radius is 0.
    int skipX = 0, skipY = 0, skipRadius = 0;
};
bool MatchesReference(const Image& shot, const Image& reference, const Compare& compare,
                      const std::string& diffPath, std::string* why);

} // namespace appstest
