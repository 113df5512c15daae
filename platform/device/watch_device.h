// The device root: one directory that plays the device. It holds the installed
// packages, the settings databases, the log and the device bus.
//
//   <root>/apps/<package>/manifest.xml   the package's applications
//   <root>/apps/<package>/bin/           their programs
//   <root>/apps/<package>/res/           resources
//   <root>/apps/<package>/shared/res/    shared resources
//   <root>/apps/<package>/data/          data (preferences live here)
//   <root>/apps/<package>/shared/data/   shared data
//   <root>/apps/<package>/cache/         cache
//   <root>/settings/                     device settings (vconf)
//   <root>/log/watch.log                 the platform log
//   <root>/run/                          the device bus and system components
//
// Nothing here logs: callers report failures in their own words.
#pragma once

#include <string>
#include <vector>

namespace watch {

// WATCH_ROOT when set and not empty, else the build's default root; made absolute,
// without a trailing slash.
std::string DeviceRoot();

// An application or package id is dot-separated elements. Refused: empty, longer than
// 255 bytes, a '/', a control character, or an empty element (which also covers "..").
bool IsValidId(const char* id);
inline bool IsValidId(const std::string& id) {
    return id.find('\0') == std::string::npos && IsValidId(id.c_str());
}

enum class AppType { Ui, Service };

struct AppInfo {
    std::string id;
    std::string exec; // program file name inside the package's bin/
    AppType type = AppType::Ui;
    std::string label;
    std::string package;
};

struct PackageInfo {
    std::string id;
    std::string version;
    std::vector<AppInfo> apps;
};

// Reads and checks a package manifest. False with a reason on any fault.
bool LoadManifest(const std::string& path, PackageInfo* out, std::string* error);

// Every package installed in the device root whose manifest reads cleanly.
std::vector<PackageInfo> InstalledPackages();

// The installed application with this id; false for an invalid or unknown id.
bool FindApp(const std::string& appId, AppInfo* out);

// FindApp that answers for the running application (CurrentAppId) and the others of its
// package from the manifest read the first time in this device root: the package stays
// while its application runs. Other ids are looked up anew each time.
bool FindAppCached(const std::string& appId, AppInfo* out);

// The id of the running application: WATCH_APP_ID when set, else the application whose
// installed program is this process's executable. Empty when neither tells.
std::string CurrentAppId();

enum class PackageFolder { Bin, Resource, SharedResource, Data, SharedData, Cache };

// <root>/apps/<package>, no trailing slash. Empty for an invalid package id.
std::string PackageDir(const std::string& packageId);

// A package folder, ending in "/". Empty for an invalid package id.
std::string PackageFolderPath(const std::string& packageId, PackageFolder folder);

std::string SettingsDir(); // <root>/settings
std::string LogDir();      // <root>/log
std::string RunDir();      // <root>/run

// mkdir -p; true when the directory exists afterwards.
bool MakeDirs(const std::string& path);

} // namespace watch
