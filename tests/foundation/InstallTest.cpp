// `watchctl install` lays a staged package out in the device root.
#include "TestDevice.h"
#include "watch_device.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using watchtest::ReadFile;
using watchtest::TestDevice;
using watchtest::Watchctl;

TEST(Install, LaysOutThePackageAndItsManifest) {
    TestDevice device;
    const fs::path pkg = device.PackagePath("");

    watch::PackageInfo info;
    std::string error;
    ASSERT_TRUE(watch::LoadManifest((pkg / "manifest.xml").string(), &info, &error)) << error;
    EXPECT_EQ(info.id, "com.korvane.clock-dalvexa");
    ASSERT_EQ(info.apps.size(), 3u);
    watch::AppInfo app;
    ASSERT_TRUE(watch::FindApp("com.korvane.clock-dalvexa.service", &app));
    EXPECT_EQ(app.type, watch::AppType::Service);
    ASSERT_TRUE(watch::FindApp("com.korvane.clock-dalvexa.editor", &app));
    EXPECT_EQ(app.type, watch::AppType::Ui);
    EXPECT_EQ(app.package, "com.korvane.clock-dalvexa");
    ASSERT_TRUE(watch::FindApp("com.korvane.clock-dalvexa", &app));
    EXPECT_EQ(app.type, watch::AppType::Ui);
    EXPECT_FALSE(watch::FindApp("com.korvane.clock-dalvexa.other", &app));
}

namespace {

std::string Stage(const std::string& root, const std::string& manifest) {
    const std::string dir = root + "/stage";
    fs::create_directories(dir);
    std::ofstream(dir + "/manifest.xml") << manifest;
    return dir;
}

} // namespace

TEST(Install, BadManifestsAreRefusedWithAReason) {
    TestDevice device(false);
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
    for (const auto& c : cases) {
        const std::string stage = Stage(device.Root(), c.manifest);
        auto r = Watchctl({"install", stage});
        EXPECT_EQ(r.status, 1) << c.manifest;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(device.Root() + "/apps/p.q"));
    EXPECT_FALSE(fs::exists(device.Root() + "/evil"));
    EXPECT_EQ(Watchctl({"install", "a", "b"}).status, 2);
}
