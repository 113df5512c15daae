#include "watch_device.h"

#include "xml_read.h"

#include <dirent.h>

#include <algorithm>
#include <map>
#include <mutex>

namespace watch {

namespace {

std::string Attr(const xml::Node& node, const char* name) {
    auto it = node.attrs.find(name);
    return it == node.attrs.end() ? std::string() : it->second;
}

bool IsName(const xml::Node& node, const char* name) {
    return !node.text && node.name == name;
}

bool ValidProgramName(const std::string& exec) {
    return !exec.empty() && exec != "." && exec != ".." && exec.find('/') == std::string::npos &&
           IsValidId(exec + "x");
}

} // namespace

bool LoadManifest(const std::string& path, PackageInfo* out, std::string* error) {
    xml::Node root;
    std::string fault;
    if (!xml::ReadFile(path, &root, &fault)) {
        *error = "cannot read manifest " + path;
        return false;
    }
    PackageInfo info;
    bool ok = false;
    do {
        if (!IsName(root, "manifest")) {
            *error = path + ": the root element is not <manifest>";
            break;
        }
        info.id = Attr(root, "package");
        info.version = Attr(root, "version");
        if (!IsValidId(info.id)) {
            *error = path + ": invalid package id \"" + info.id + "\"";
            break;
        }
        ok = true;
        for (const xml::Node& node : root.children) {
            if (!ok)
                break;
            if (!IsName(node, "application"))
                continue;
            AppInfo app;
            app.id = Attr(node, "id");
            app.exec = Attr(node, "exec");
            app.label = Attr(node, "label");
            app.package = info.id;
            std::string type = Attr(node, "type");
            if (!IsValidId(app.id)) {
                *error = path + ": invalid application id \"" + app.id + "\"";
                ok = false;
            } else if (!ValidProgramName(app.exec)) {
                *error = path + ": invalid program name \"" + app.exec + "\" for " + app.id;
                ok = false;
            } else if (type != "ui" && type != "service") {
                *error = path + ": application " + app.id + " has type \"" + type +
                         "\" (expected ui or service)";
                ok = false;
            } else {
                app.type = type == "ui" ? AppType::Ui : AppType::Service;
                info.apps.push_back(app);
            }
        }
    } while (false);
    if (ok)
        *out = std::move(info);
    return ok;
}

std::vector<PackageInfo> InstalledPackages() {
    std::vector<PackageInfo> packages;
    std::string apps = DeviceRoot() + "/apps";
    DIR* dir = opendir(apps.c_str());
    if (!dir)
        return packages;
    while (struct dirent* entry = readdir(dir)) {
        if (!IsValidId(entry->d_name))
            continue;
        PackageInfo info;
        std::string error;
        if (LoadManifest(apps + "/" + entry->d_name + "/manifest.xml", &info, &error) &&
            info.id == entry->d_name)
            packages.push_back(std::move(info));
    }
    closedir(dir);
    std::sort(packages.begin(), packages.end(),
              [](const PackageInfo& a, const PackageInfo& b) { return a.id < b.id; });
    return packages;
}

bool FindApp(const std::string& appId, AppInfo* out) {
    if (!IsValidId(appId))
        return false;
    for (const PackageInfo& package : InstalledPackages()) {
        for (const AppInfo& app : package.apps) {
            if (app.id == appId) {
                *out = app;
                return true;
            }
        }
    }
    return false;
}

namespace {

const AppInfo* AppOf(const PackageInfo& package, const std::string& appId) {
    for (const AppInfo& app : package.apps) {
        if (app.id == appId)
            return &app;
    }
    return nullptr;
}

} // namespace

bool FindAppCached(const std::string& appId, AppInfo* out) {
    static std::mutex mutex;
    static std::map<std::string, PackageInfo> known; // by root and running application
    const std::string current = CurrentAppId();
    if (current.empty() || !IsValidId(appId))
        return FindApp(appId, out);
    const std::string lookup = DeviceRoot() + "\n" + current;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = known.find(lookup);
    if (it == known.end()) {
        // Not remembered when not found: it may be installed later.
        for (PackageInfo& package : InstalledPackages()) {
            if (AppOf(package, current)) {
                it = known.emplace(lookup, std::move(package)).first;
                break;
            }
        }
    }
    const AppInfo* app = it == known.end() ? nullptr : AppOf(it->second, appId);
    if (!app)
        return FindApp(appId, out);
    *out = *app;
    return true;
}

} // namespace watch
