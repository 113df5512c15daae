// Package manifests and ids from arbitrary bytes: the reader refuses what is bad and
// never lets an invalid id through.
#include "FuzzScratch.h"
#include "watch_device.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("manifest.xml", data, size);
    if (path.empty())
        return 0;

    watch::PackageInfo info;
    std::string error;
    if (watch::LoadManifest(path, &info, &error)) {
        if (!watch::IsValidId(info.id))
            __builtin_trap();
        for (const watch::AppInfo& app : info.apps) {
            if (!watch::IsValidId(app.id) || app.exec.find('/') != std::string::npos ||
                app.package != info.id)
                __builtin_trap();
        }
    } else if (error.empty()) {
        __builtin_trap(); // a refusal always says why
    }
    const std::string id(reinterpret_cast<const char*>(data), size);
    // std::string ids are checked whole, embedded zero bytes included.
    if (watch::IsValidId(id) &&
        (id.find('/') != std::string::npos || id.find("..") != std::string::npos))
        __builtin_trap();
    return 0;
}
