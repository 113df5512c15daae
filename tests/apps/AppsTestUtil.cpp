#include "AppsTestUtil.h"

#include "LoopUtil.h"
#include "TestDevice.h"
#include "watch_appfw.h"
#include "watch_device.h"

#include <Ecore_Evas.h>
#include <Evas.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace appstest {

std::vector<LogEntry> DeviceLog(const std::string& tag) {
    return watchtest::ReadDeviceLog(watch::LogDir() + "/watch.log", tag);
}

int CountLog(const std::string& tag, const std::string& part) {
    int count = 0;
    for (const LogEntry& e : DeviceLog(tag))
        count += e.message.find(part) != std::string::npos;
    return count;
}

bool WaitForLog(const std::string& tag, const std::string& part, int count, double timeout) {
    return watchtest::RunLoopUntil([&] { return CountLog(tag, part) >= count; }, timeout);
}

std::string DumpLog(const std::string& tag) {
    std::string out;
    for (const LogEntry& e : DeviceLog(tag))
        out += std::to_string(e.pid) + " " + e.priority + " " + e.tag + ": " + e.message + "\n";
    return out;
}

namespace {

// Requests still waiting for their reply; ForgetLaunches() drops those that never get one.
std::set<std::shared_ptr<Reply>*>& Pending() {
    static std::set<std::shared_ptr<Reply>*> pending;
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
    auto* holder = static_cast<std::shared_ptr<Reply>*>(data);
    Reply& r = **holder;
    r.called = true;
    r.result = result;
    r.hasReply = reply != nullptr;
    if (reply)
        app_control_foreach_extra_data(reply, CollectExtra, &r.extras);
    Pending().erase(holder);
    delete holder;
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
    if (rc == APP_CONTROL_ERROR_NONE) {
        auto* holder = new std::shared_ptr<Reply>(reply);
        rc = app_control_send_launch_request(request, OnReply, holder);
        if (rc == APP_CONTROL_ERROR_NONE)
            Pending().insert(holder);
        else
            delete holder;
    }
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
    for (auto* holder : Pending())
        delete holder;
    Pending().clear();
}

std::string AppListLine(const std::string& appId) {
    watchtest::ProcessResult list = watchtest::Watchctl({"app", "list", appId});
    if (list.status != 0)
        return std::string();
    std::istringstream words(list.out);
    std::string word, out;
    while (words >> word)
        out += (out.empty() ? "" : " ") + word;
    return out.rfind(appId + " ", 0) == 0 ? out : std::string();
}

bool InFront(const std::string& appId) {
    const std::string line = AppListLine(appId);
    return line.size() > 6 && line.compare(line.size() - 6, 6, " front") == 0;
}

int PidOf(const std::string& appId) {
    std::istringstream words(AppListLine(appId));
    std::string id, type, state;
    int pid = 0;
    words >> id >> type >> state >> pid;
    return pid;
}

bool LoadPng(const std::string& path, Image* out) {
    Ecore_Evas* ee = ecore_evas_buffer_new(1, 1);
    if (!ee)
        return false;
    Evas_Object* img = evas_object_image_add(ecore_evas_get(ee));
    evas_object_image_file_set(img, path.c_str(), nullptr);
    bool ok = evas_object_image_load_error_get(img) == EVAS_LOAD_ERROR_NONE;
    if (ok) {
        evas_object_image_size_get(img, &out->width, &out->height);
        const uint32_t* data = static_cast<const uint32_t*>(evas_object_image_data_get(img, 0));
        ok = data && out->width > 0 && out->height > 0;
        if (ok) {
            const bool alpha = evas_object_image_alpha_get(img);
            out->pixels.assign(data, data + static_cast<size_t>(out->width) * out->height);
            // Evas keeps premultiplied pixels.
            for (uint32_t& p : out->pixels) {
                const uint32_t a = alpha ? p >> 24 : 0xFF;
                if (a == 0) {
                    p = 0;
                } else if (a < 0xFF) {
                    const uint32_t r = std::min(0xFFu, ((p >> 16) & 0xFF) * 255 / a);
                    const uint32_t g = std::min(0xFFu, ((p >> 8) & 0xFF) * 255 / a);
                    const uint32_t b = std::min(0xFFu, (p & 0xFF) * 255 / a);
                    p = (a << 24) | (r << 16) | (g << 8) | b;
                } else {
                    p |= 0xFF000000u;
                }
            }
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
    for (int shift = 0; shift <= 16; shift += 8) {
        const int d =
            std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        worst = std::max(worst, d);
    }
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
    Image diff = reference;
    long compared = 0, differing = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t ref = reference.At(x, y);
            uint32_t& out = diff.pixels[static_cast<size_t>(y) * diff.width + x];
            // Dimmed reference by default.
            out = ((ref >> 2) & 0x3F3F3F) | 0xFF000000u;
            if (compare.skipRadius > 0) {
                const int dx = x - compare.skipX, dy = y - compare.skipY;
                if (dx * dx + dy * dy <= compare.skipRadius * compare.skipRadius)
                    continue;
            }
            ++compared;
            if (ColorDistance(shot.At(x, y), ref) > compare.tolerance) {
                ++differing;
                out = 0xFFFF0000u;
            }
        }
    }
    const double share = compared ? static_cast<double>(differing) / compared : 0;
    if (share <= compare.maxShare)
        return true;
    std::ostringstream text;
    text << differing << " of " << compared << " pixels (" << share * 100
         << " %) differ by more than " << compare.tolerance << ", at most "
         << compare.maxShare * 100 << " % may";
    if (!diffPath.empty())
        text << (SavePng(diffPath, diff) ? "; differences in " : "; cannot write ") << diffPath;
    *why = text.str();
    return false;
}

} // namespace appstest
