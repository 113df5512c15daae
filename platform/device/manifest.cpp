#include "watch_device.h"

#include <dirent.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>

namespace watch {

namespace {

std::string Attr(xmlNodePtr node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value)
        return std::string();
    std::string out(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return out;
}

bool IsName(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

bool ValidProgramName(const std::string& exec) {
    return !exec.empty() && exec != "." && exec != ".." && exec.find('/') == std::string::npos &&
           IsValidId(exec + "x");
}

} // namespace

bool LoadManifest(const std::string& path, PackageInfo* out, std::string* error) {
    xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        *error = "cannot read manifest " + path;
        return false;
    }
    PackageInfo info;
    bool ok = false;
    do {
        xmlNodePtr root = xmlDocGetRootElement(doc);
        if (!root || !IsName(root, "manifest")) {
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
        for (xmlNodePtr node = root->children; node && ok; node = node->next) {
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
    xmlFreeDoc(doc);
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

} // namespace watch
