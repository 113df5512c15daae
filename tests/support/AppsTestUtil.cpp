#include "AppsTestUtil.h"

#include "LoopUtil.h"
#include "TestDevice.h"
#include "watch_appfw.h"
#include "watch_device.h"

#include <Ecore_Evas.h>
#include <Evas.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace appstest {

std::vector<LogEntry> DeviceLog(const std::string& tag, int pid) {
    return watchtest::ReadDeviceLog(watch::LogDir() + "/watch.log", tag, pid);
}

int CountLog(const std::string& tag, const std::string& part, int pid) {
    int count = 0;
    for (const LogEntry& e : DeviceLog(tag, pid))
        count += e.message.find(part) != std::string::npos;
    return count;
}

bool WaitForLog(const std::string& tag, const std::string& part, int pid, int count,
                double timeout) {
    return watchtest::RunLoopUntilEvery([&] { return CountLog(tag, part, pid) >= count; }, 0.02,
                                        timeout);
}

std::string DumpLog(const std::string& tag) {
    std::string out;
    for (const LogEntry& e : DeviceLog(tag))
        out += std::to_string(e.pid) + " " + e.tag + ": " + e.message + "\n";
    return out;
}

namespace {

// Requests still waiting for their reply, kept until it comes; ForgetLaunches() drops those
// that never get one.
std::map<Reply*, std::shared_ptr<Reply>>& Pending() {
    static std::map<Reply*, std::shared_ptr<Reply>> pending;
    return pending;
}

bool CollectExtra(app_control_h handle, const char* key, void* data) {
    char* value = nullptr;
    if (app_control_get_extra_data(handle, key, &value) == APP_CONTROL_ERROR_NONE) {
        (*static_cast<std::map<std::string, std::string>*>(data))[key] = value;
        free(value);
    }
    return true;
}

void OnReply(app_control_h, app_control_h reply, app_control_result_e result, void* data) {
    Reply& r = *static_cast<Reply*>(data);
    r.called = true;
    r.result = result;
    r.hasReply = reply != nullptr;
    if (reply)
        app_control_foreach_extra_data(reply, CollectExtra, &r.extras);
    Pending().erase(&r);
}

} // namespace

std::shared_ptr<Reply> Send(const std::string& appId,
                            const std::vector<std::pair<std::string, std::string>>& extras,
                            const char* operation, int* sent) {
    auto reply = std::make_shared<Reply>();
    app_control_h request = nullptr;
    int rc = app_control_create(&request);
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_set_app_id(request, appId.c_str());
    if (rc == APP_CONTROL_ERROR_NONE && operation)
        rc = app_control_set_operation(request, operation);
    for (const auto& extra : extras) {
        if (rc == APP_CONTROL_ERROR_NONE)
            rc = app_control_add_extra_data(request, extra.first.c_str(), extra.second.c_str());
    }
    if (rc == APP_CONTROL_ERROR_NONE)
        rc = app_control_send_launch_request(request, OnReply, reply.get());
    if (rc == APP_CONTROL_ERROR_NONE)
        Pending()[reply.get()] = reply;
    if (request)
        app_control_destroy(request);
    if (sent)
        *sent = rc;
    return reply;
}

std::shared_ptr<Reply> Launch(const std::string& appId,
                              const std::vector<std::pair<std::string, std::string>>& extras,
                              const char* operation, double timeout) {
    int sent = -1;
    auto reply = Send(appId, extras, operation, &sent);
    if (sent == APP_CONTROL_ERROR_NONE)
        watchtest::RunLoopUntil([&] { return reply->called; }, timeout);
    return reply;
}

void ForgetLaunches() {
    watch::appfw::ShutdownLaunches();
    Pending().clear();
}

std::vector<std::string> AppListEntry(const std::string& appId) {
    watchtest::ProcessResult list = watchtest::Watchctl({"app", "list", appId});
    std::istringstream in(list.out);
    std::vector<std::string> words;
    for (std::string word; list.status == 0 && in >> word;)
        words.push_back(word);
    return !words.empty() && words[0] == appId ? words : std::vector<std::string>();
}

bool InFront(const std::string& appId) {
    const std::vector<std::string> words = AppListEntry(appId);
    return !words.empty() && words.back() == "front";
}

int PidOf(const std::string& appId) {
    const std::vector<std::string> words = AppListEntry(appId);
    return words.size() > 3 ? std::atoi(words[3].c_str()) : 0;
}

bool LoadPng(const std::string& path, Image* out, bool onBlack) {
    Ecore_Evas* ee = ecore_evas_buffer_new(1, 1);
    if (!ee)
        return false;
    Evas_Object* img = evas_object_image_add(ecore_evas_get(ee));
    evas_object_image_file_set(img, path.c_str(), nullptr);
    evas_object_image_size_get(img, &out->width, &out->height);
    const auto* data = static_cast<const uint32_t*>(evas_object_image_data_get(img, 0));
    const bool ok = evas_object_image_load_error_get(img) == EVAS_LOAD_ERROR_NONE && data &&
                    out->width > 0 && out->height > 0;
    if (ok) {
        const bool alpha = evas_object_image_alpha_get(img);
        out->pixels.assign(data, data + static_cast<size_t>(out->width) * out->height);
        // Evas keeps premultiplied pixels, which are those of the picture on black.
        for (uint32_t& p : out->pixels) {
            const uint32_t a = alpha ? p >> 24 : 0xFF;
            uint32_t rgb = 0;
            for (int shift = 0; a && shift <= 16; shift += 8)
                rgb |= std::min(0xFFu, ((p >> shift) & 0xFF) * 255 / a) << shift;
            p = onBlack ? 0xFF000000u | (p & 0xFFFFFFu) : a << 24 | rgb;
        }
    }
    ecore_evas_free(ee);
    return ok;
}

bool SavePng(const std::string& path, const Image& image) {
    Ecore_Evas* ee = ecore_evas_buffer_new(1, 1);
    if (!ee)
        return false;
    Evas_Object* img = evas_object_image_add(ecore_evas_get(ee));
    evas_object_image_alpha_set(img, EINA_FALSE);
    evas_object_image_size_set(img, image.width, image.height);
    std::vector<uint32_t> copy = image.pixels;
    for (uint32_t& p : copy)
        p |= 0xFF000000u;
    evas_object_image_data_copy_set(img, copy.data());
    const bool ok = evas_object_image_save(img, path.c_str(), nullptr, nullptr);
    ecore_evas_free(ee);
    return ok;
}

int ColorDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

bool MatchesReference(const Image& shot, const Image& reference, const Compare& compare,
                      const std::string& diffPath, std::string* why) {
    if (shot.width != reference.width || shot.height != reference.height) {
        *why = "size " + std::to_string(shot.width) + "x" + std::to_string(shot.height) +
               ", reference " + std::to_string(reference.width) + "x" +
               std::to_string(reference.height);
        return false;
    }
    // The differences in red over the dimmed reference.
    Image diff = reference;
    long compared = 0, differing = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            uint32_t& out = diff.pixels[static_cast<size_t>(y) * diff.width + x];
            out = ((out >> 2) & 0x3F3F3F) | 0xFF000000u;
            const int dx = x - compare.skipX, dy = y - compare.skipY;
            if (compare.skipRadius > 0 &&
                dx * dx + dy * dy <= compare.skipRadius * compare.skipRadius)
                continue;
            ++compared;
            if (ColorDistance(shot.At(x, y), reference.At(x, y)) > compare.tolerance) {
                ++differing;
                out = 0xFFFF0000u;
            }
        }
    }
    if (differing <= compare.maxShare * compared)
        return true;
    *why = std::to_string(differing) + " of " + std::to_string(compared) +
           " pixels differ by more than " + std::to_string(compare.tolerance) +
           (SavePng(diffPath, diff) ? "; differences in " : "; cannot write ") + diffPath;
    return false;
}

} // namespace appstest
