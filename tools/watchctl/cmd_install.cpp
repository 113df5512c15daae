// watchctl install: copies a staged package into the device root.
#include "watchctl.h"
#include "watch_appfw.h"
#include "watch_device.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace watchctl {

namespace {

const char kUsage[] =
    "Usage: watchctl install [STAGE_DIR]\n"
    "Installs the package staged in STAGE_DIR (default: the build's stage,\n" WATCH_PACKAGE_STAGE
    ")\n"
    "into the device root. Programs and resources are replaced; the package's data,\n"
    "shared data and cache are kept.\n";

int Run(int argc, char** argv);
const Command kCommand = {"install", "install a staged package into the device", kUsage, Run};

// Replaces dest by a copy of src (or by an empty folder when src does not exist).
bool ReplaceFolder(const fs::path& src, const fs::path& dest, std::string* error) {
    std::error_code ec;
    fs::remove_all(dest, ec);
    if (ec) {
        *error = "cannot remove " + dest.string() + ": " + ec.message();
        return false;
    }
    fs::create_directories(dest, ec);
    if (!ec && fs::exists(src))
        fs::copy(src, dest, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) {
        *error = "cannot copy " + src.string() + " to " + dest.string() + ": " + ec.message();
        return false;
    }
    return true;
}

int Run(int argc, char** argv) {
    if (argc > 2)
        return UsageError(kCommand, "too many arguments");
    fs::path stage = argc == 2 ? argv[1] : WATCH_PACKAGE_STAGE;

    watch::PackageInfo package;
    std::string error;
    if (!watch::LoadManifest((stage / "manifest.xml").string(), &package, &error))
        return Fail("install: %s", error.c_str());

    std::string root = watch::DeviceRoot();
    for (const std::string& dir :
         {root + "/apps", watch::SettingsDir(), watch::LogDir(), watch::RunDir()}) {
        if (!watch::MakeDirs(dir))
            return Fail("install: cannot create %s", dir.c_str());
    }

    fs::path pkgDir = watch::PackageDir(package.id);
    struct {
        const char* from;
        watch::PackageFolder folder;
    } const replaced[] = {{"bin", watch::PackageFolder::Bin},
                          {"res", watch::PackageFolder::Resource},
                          {"shared/res", watch::PackageFolder::SharedResource}};
    for (const auto& r : replaced) {
        if (!ReplaceFolder(stage / r.from, watch::PackageFolderPath(package.id, r.folder), &error))
            return Fail("install: %s", error.c_str());
    }
    for (watch::PackageFolder kept : {watch::PackageFolder::Data, watch::PackageFolder::SharedData,
                                      watch::PackageFolder::Cache}) {
        std::string dir = watch::PackageFolderPath(package.id, kept);
        if (!watch::MakeDirs(dir.substr(0, dir.size() - 1)))
            return Fail("install: cannot create %s", dir.c_str());
    }
    std::error_code ec;
    fs::copy_file(stage / "manifest.xml", pkgDir / "manifest.xml",
                  fs::copy_options::overwrite_existing, ec);
    if (ec)
        return Fail("install: cannot write %s: %s", (pkgDir / "manifest.xml").c_str(),
                    ec.message().c_str());

    // The bus starts an installed application on the first request to it.
    if (!watch::appfw::WriteActivationFiles(&error))
        return Fail("install: %s", error.c_str());

    printf("installed %s %s into %s\n", package.id.c_str(), package.version.c_str(),
           pkgDir.c_str());
    for (const watch::AppInfo& app : package.apps) {
        bool present = fs::exists(pkgDir / "bin" / app.exec);
        printf("  %-36s %-7s %s%s\n", app.id.c_str(),
               app.type == watch::AppType::Ui ? "ui" : "service", app.exec.c_str(),
               present ? "" : "  (program not built)");
    }
    return 0;
}

} // namespace

WATCHCTL_REGISTER(kCommand);

} // namespace watchctl
