// The package on the device: `watchctl install` lays a staged package out in the device
// root, the platform path calls find its folders, and ids are checked before either.
#include "TestDevice.h"
#include "watch_device.h"

#include <app_common.h>
#include <app_manager.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

const char* const kEditor = "com.korvane.clock-dalvexa.editor";
const char* const kFace = "com.korvane.clock-dalvexa";

std::string Take(char* p) {
    std::string s = p ? p : "";
    free(p);
    return s;
}

} // namespace

TEST(Package, InstallLaysItOutThePathCallsFindItAndBadManifestsAndIdsAreRefused) {
    TestDevice device;
    watch::PackageInfo info;
    std::string error;
    ASSERT_TRUE(watch::LoadManifest(device.PackagePath("manifest.xml"), &info, &error)) << error;
    EXPECT_EQ(info.id, "com.korvane.clock-dalvexa");
    EXPECT_EQ(info.apps.size(), 3u);
    for (const auto& [id, type] :
         {std::pair{"com.korvane.clock-dalvexa", watch::AppType::Ui},
          {"com.korvane.clock-dalvexa.editor", watch::AppType::Ui},
          {"com.korvane.clock-dalvexa.service", watch::AppType::Service}}) {
        watch::AppInfo app;
        ASSERT_TRUE(watch::FindApp(id, &app)) << id;
        EXPECT_EQ(app.type, type) << id;
        EXPECT_EQ(app.package, "com.korvane.clock-dalvexa") << id;
    }
    watch::AppInfo app;
    EXPECT_FALSE(watch::FindApp("com.korvane.clock-dalvexa.other", &app));

    struct {
        const char* manifest;
        const char* reason;
    } cases[] = {
        {"<manifest package='p.q'", "cannot read manifest"},
        {"<other package='p.q'/>", "root element"},
        {"<manifest package='../evil'/>", "invalid package id"},
        {"<manifest package='p.q'><application id='a..b' exec='x' type='ui'/></manifest>",
         "invalid application id"},
        {"<manifest package='p.q'><application id='p.q' exec='../x' type='ui'/></manifest>",
         "invalid program name"},
        {"<manifest package='p.q'><application id='p.q' exec='x' type='widget'/></manifest>",
         "expected ui or service"},
    };
    const std::string stage = device.Root() + "/stage";
    fs::create_directories(stage);
    for (const auto& c : cases) {
        std::ofstream(stage + "/manifest.xml") << c.manifest;
        auto r = Watchctl({"install", stage});
        EXPECT_EQ(r.status, 1) << c.manifest;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(device.Root() + "/apps/p.q"));
    EXPECT_FALSE(fs::exists(device.Root() + "/evil"));
    EXPECT_EQ(Watchctl({"install", "a", "b"}).status, 2);

    // The folders of the running application, of one not installed, and of none.
    setenv("WATCH_APP_ID", kEditor, 1);
    const std::string pkg = device.Root() + "/apps/com.korvane.clock-dalvexa/";
    EXPECT_EQ(Take(app_get_resource_path()), pkg + "res/");
    EXPECT_EQ(Take(app_get_shared_resource_path()), pkg + "shared/res/");
    EXPECT_EQ(Take(app_get_data_path()), pkg + "data/");
    EXPECT_EQ(Take(app_get_shared_data_path()), pkg + "shared/data/");
    EXPECT_EQ(Take(app_get_cache_path()), pkg + "cache/");
    // The install laid the folders out.
    for (const char* sub : {"res", "shared/res", "data", "shared/data", "cache", "bin"})
        EXPECT_TRUE(fs::is_directory(pkg + sub)) << sub;

    // An application that is not installed, and none at all.
    setenv("WATCH_APP_ID", "com.example.not-installed", 1);
    EXPECT_EQ(app_get_resource_path(), nullptr);
    unsetenv("WATCH_APP_ID");
    EXPECT_EQ(app_get_data_path(), nullptr);

    // Malformed ids are refused before the file system; a folder an unchecked id could reach:
    ASSERT_TRUE(watch::MakeDirs(device.Root() + "/apps/x/shared/res"));
    for (const char* id : {"", "..", "../x", "a/b", "/abs", "a..b", ".hidden", "tr.", "a\nb",
                           "a\x01", "t\tid", "a\\b", "com.korvane.clock-dalvexa/../x"}) {
        char* path = nullptr;
        EXPECT_EQ(app_manager_get_shared_resource_path(id, &path),
                  APP_MANAGER_ERROR_INVALID_PARAMETER)
            << "id: " << id;
        EXPECT_EQ(path, nullptr);
        EXPECT_EQ(app_manager_get_shared_data_path(id, &path), APP_MANAGER_ERROR_INVALID_PARAMETER);
        EXPECT_EQ(watch::PackageDir(id), "") << id;
    }
    char* path = nullptr;
    EXPECT_EQ(app_manager_get_shared_resource_path(nullptr, &path),
              APP_MANAGER_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_manager_get_shared_resource_path(kFace, nullptr),
              APP_MANAGER_ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(watch::IsValidId(std::string(256, 'a')));
    EXPECT_FALSE(watch::IsValidId(std::string("a.b\0/../x", 10))); // checked whole
}
