// `watchctl install` lays a staged package out in the device root.
#include "TestDevice.h"
#include "watch_device.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using watchtest::TestDevice;
using watchtest::Watchctl;

TEST(Install, LaysOutThePackageAndRefusesBadManifestsWithAReason) {
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
}
