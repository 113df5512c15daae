// Package folders: the platform path calls and their id checks.
#include "TestDevice.h"
#include "watch_device.h"

#include <app_common.h>
#include <app_manager.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using watchtest::TestDevice;

namespace {

const char* const kEditor = "com.korvane.clock-dalvexa.editor";
const char* const kFace = "com.korvane.clock-dalvexa";

std::string Take(char* p) {
    std::string s = p ? p : "";
    free(p);
    return s;
}

} // namespace

TEST(PlatformPaths, FoldersOfTheRunningApplicationOfNoneAndOfMalformedIds) {
    TestDevice device;
    setenv("WATCH_APP_ID", kEditor, 1);
    const std::string pkg = device.Root() + "/apps/com.korvane.clock-dalvexa/";
    EXPECT_EQ(Take(app_get_resource_path()), pkg + "res/");
    EXPECT_EQ(Take(app_get_shared_resource_path()), pkg + "shared/res/");
    EXPECT_EQ(Take(app_get_data_path()), pkg + "data/");
    EXPECT_EQ(Take(app_get_shared_data_path()), pkg + "shared/data/");
    EXPECT_EQ(Take(app_get_cache_path()), pkg + "cache/");
    // The install laid the folders out.
    for (const char* sub : {"res", "shared/res", "data", "shared/data", "cache", "bin"})
        EXPECT_TRUE(std::filesystem::is_directory(pkg + sub)) << sub;

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
