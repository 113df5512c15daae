// Package folders: the platform path calls, id checks, and the cached FileUtil lookups.
#include "AppPathUtil.h"
#include "FileUtil.h"
#include "LogCapture.h"
#include "TestDevice.h"
#include "watch_device.h"

#include <app_common.h>
#include <app_manager.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

using NSClockCommon::FileUtil;
using watchtest::LogCapture;
using watchtest::TestDevice;

namespace {

const char* const kEditor = "com.korvane.clock-dalvexa.editor";
const char* const kFace = "com.korvane.clock-dalvexa";

std::string Take(char* p) {
    std::string s = p ? p : "";
    free(p);
    return s;
}

struct AppIdScope {
    explicit AppIdScope(const char* id) { setenv("WATCH_APP_ID", id, 1); }
    ~AppIdScope() { unsetenv("WATCH_APP_ID"); }
};

} // namespace

TEST(PlatformPaths, FoldersOfTheRunningApplication) {
    TestDevice device;
    AppIdScope id(kEditor);
    const std::string pkg = device.Root() + "/apps/com.korvane.clock-dalvexa/";
    EXPECT_EQ(Take(app_get_resource_path()), pkg + "res/");
    EXPECT_EQ(Take(app_get_shared_resource_path()), pkg + "shared/res/");
    EXPECT_EQ(Take(app_get_data_path()), pkg + "data/");
    EXPECT_EQ(Take(app_get_shared_data_path()), pkg + "shared/data/");
    EXPECT_EQ(Take(app_get_cache_path()), pkg + "cache/");
    // Each call hands out its own allocation.
    char* a = app_get_data_path();
    char* b = app_get_data_path();
    EXPECT_NE(a, b);
    free(a);
    free(b);
    // The install laid the folders out.
    for (const char* sub : {"res", "shared/res", "data", "shared/data", "cache", "bin"})
        EXPECT_TRUE(std::filesystem::is_directory(pkg + sub)) << sub;
}

TEST(PlatformPaths, UnknownApplicationGivesNullAndALogLine) {
    TestDevice device;
    LogCapture log;
    {
        AppIdScope id("com.example.not-installed");
        EXPECT_EQ(app_get_resource_path(), nullptr);
    }
    EXPECT_EQ(app_get_data_path(), nullptr); // no id at all
    EXPECT_EQ(log.Messages("WATCH-APPFW").size(), 2u) << log.Dump();
}

TEST(PlatformPaths, SharedFoldersOfAnotherApplication) {
    TestDevice device;
    char* path = nullptr;
    ASSERT_EQ(app_manager_get_shared_resource_path(kFace, &path), APP_MANAGER_ERROR_NONE);
    EXPECT_EQ(Take(path), device.Root() + "/apps/com.korvane.clock-dalvexa/shared/res/");
    path = nullptr;
    ASSERT_EQ(app_manager_get_shared_data_path(kFace, &path), APP_MANAGER_ERROR_NONE);
    EXPECT_EQ(Take(path), device.Root() + "/apps/com.korvane.clock-dalvexa/shared/data/");
    path = nullptr;
    EXPECT_EQ(app_manager_get_shared_resource_path("com.example.nothing", &path),
              APP_MANAGER_ERROR_NO_SUCH_APP);
    EXPECT_EQ(path, nullptr);
}

TEST(PlatformPaths, MalformedIdsAreRefusedBeforeTheFileSystem) {
    TestDevice device;
    // A folder an unchecked id could reach.
    ASSERT_TRUE(watch::MakeDirs(device.Root() + "/apps/x/shared/res"));
    const char* bad[] = {"",
                         "..",
                         "../x",
                         "a/b",
                         "/abs",
                         "a..b",
                         ".hidden",
                         "trailing.",
                         "a\nb",
                         "a\x01",
                         "tab\tid",
                         "a\\b",
                         "com.korvane.clock-dalvexa/../x"};
    for (const char* id : bad) {
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
    EXPECT_TRUE(watch::IsValidId("com.korvane.clock-dalvexa.service"));
    EXPECT_FALSE(watch::IsValidId(std::string(256, 'a')));
    EXPECT_FALSE(watch::IsValidId(std::string("a.b\0/../x", 10))); // checked whole
}

TEST(PlatformPaths, InvalidAppIdOfTheProcessIsRefused) {
    TestDevice device;
    AppIdScope id("../../etc");
    EXPECT_EQ(app_get_resource_path(), nullptr);
    char* appId = nullptr;
    EXPECT_EQ(app_get_id(&appId), APP_ERROR_INVALID_CONTEXT);
}

TEST(FileUtilPaths, ResourceDirectoryIsAskedOnceAfterSuccess) {
    TestDevice device;
    AppIdScope id(kEditor);
    LogCapture log;
    const std::string res = device.Root() + "/apps/com.korvane.clock-dalvexa/res/";
    EXPECT_EQ(FileUtil::GetResourceDirectoryPath(), res);
    EXPECT_EQ(log.Count("app_get_resource_path : " + res), 1);
    // Even with the package gone, the cached answer stands and the platform is not asked.
    std::filesystem::remove_all(device.Root() + "/apps");
    EXPECT_EQ(FileUtil::GetResourceDirectoryPath(), res);
    EXPECT_EQ(FileUtil::GetEdjResourceFilePath(), res + "edje/Resources.edj");
    EXPECT_EQ(FileUtil::GetStyleResourceFilePath(), res + "theme/");
    EXPECT_EQ(FileUtil::GetImageResourceDirectoryPath(), res + "images/");
    EXPECT_EQ(log.Count("app_get_resource_path : "), 1);
}

TEST(FileUtilPaths, FailedLookupIsAskedAgain) {
    TestDevice device(false);
    AppIdScope id(kEditor);
    LogCapture log;
    EXPECT_EQ(FileUtil::GetResourceDirectoryPath(), "");
    EXPECT_EQ(log.Count("app_get_resource_path : (null)"), 1);
    EXPECT_EQ(log.Count("(resourceDirPath == NULL) [return]"), 1);
    EXPECT_EQ(FileUtil::GetEdjResourceFilePath(), "");
    EXPECT_EQ(log.Count("(ret.length() < 1) [return]"), 1);
    EXPECT_EQ(FileUtil::GetImageResourceDirectoryPath(), "images/");

    device.Install();
    log.Clear();
    EXPECT_EQ(FileUtil::GetResourceDirectoryPath(),
              device.Root() + "/apps/com.korvane.clock-dalvexa/res/");
    EXPECT_EQ(log.Count("app_get_resource_path : "), 1);
}

TEST(FileUtilPaths, SharedFoldersOfTheWatchFaceAreCached) {
    TestDevice device(false);
    LogCapture log;
    EXPECT_EQ(FileUtil::GetSharedResourceDirectoryPath(), "");
    EXPECT_EQ(FileUtil::GetWeatherInfoJsonFilePath(), "");
    EXPECT_EQ(log.Count("(ret != ERR_OK) [return]"), 2) << log.Dump();

    device.Install();
    const std::string pkg = device.Root() + "/apps/com.korvane.clock-dalvexa/";
    EXPECT_EQ(FileUtil::GetSharedResourceDirectoryPath(), pkg + "shared/res/");
    EXPECT_EQ(FileUtil::GetWeatherInfoJsonFilePath(), pkg + "shared/data/db/.json.txt");
    std::filesystem::remove_all(device.Root() + "/apps");
    log.Clear();
    EXPECT_EQ(FileUtil::GetSharedResourceDirectoryPath(), pkg + "shared/res/");
    EXPECT_EQ(FileUtil::GetSharedDataDirectoryPath(), pkg + "shared/data/");
    EXPECT_TRUE(log.Lines().empty()) << log.Dump();
}

TEST(AppPathUtilPaths, UncachedAndSilent) {
    TestDevice device(false);
    AppIdScope id(kEditor);
    LogCapture log;
    EXPECT_EQ(AppPathUtil::GetEdjeDirectoryPath(), "edje/");
    EXPECT_TRUE(log.Messages("CLOCK-COMMON").empty());

    device.Install();
    const std::string pkg = device.Root() + "/apps/com.korvane.clock-dalvexa/";
    EXPECT_EQ(AppPathUtil::GetEdjeFilePath("ClockEditor.edj"), pkg + "res/edje/ClockEditor.edj");
    EXPECT_EQ(AppPathUtil::GetSharedTableFilePath("t.xml"), pkg + "shared/res/tables/t.xml");
    EXPECT_EQ(AppPathUtil::GetFileImageFilePath("a.png"), pkg + "res/images/file_images/a.png");
    EXPECT_EQ(AppPathUtil::GetMapCacheDirectoryPath(), pkg + "data/.map_cache/");
    EXPECT_EQ(AppPathUtil::GetCacheFilePath("c"), pkg + "cache/c");
    std::filesystem::remove_all(device.Root() + "/apps");
    EXPECT_EQ(AppPathUtil::GetSharedResourcePath(), ""); // not cached
}

TEST(FileUtilFiles, MakeDirectory) {
    TestDevice device(false);
    LogCapture log;
    const std::string dir = device.Root() + "/made";
    EXPECT_TRUE(FileUtil::MakeDirectory(dir));
    EXPECT_FALSE(FileUtil::MakeDirectory(dir));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(FileUtil::MakeDirectory(device.Root() + "/missing/child"));
    EXPECT_EQ(log.Count("mkdir failed(path:" + device.Root() + "/missing/child), errno:2"), 1)
        << log.Dump();
    EXPECT_FALSE(FileUtil::MakeDirectory(""));
    EXPECT_EQ(log.Count("(path.length() < 1) [return]"), 1);
}

TEST(FileUtilFiles, CopyAndWrite) {
    TestDevice device(false);
    LogCapture log;
    const std::string src = device.Root() + "/src.bin";
    const std::string dst = device.Root() + "/dst.bin";
    std::string content("a\0b\nc", 5);
    FileUtil::WriteToFile(content, src);
    EXPECT_EQ(watchtest::ReadFile(src), content);
    FileUtil::CopyFile(src, dst);
    EXPECT_EQ(watchtest::ReadFile(dst), content);

    FileUtil::WriteToFile("", src); // truncates
    EXPECT_EQ(watchtest::ReadFile(src), "");
    FileUtil::CopyFile(src, dst);
    struct stat st;
    ASSERT_EQ(stat(dst.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);

    const std::string untouched = device.Root() + "/untouched";
    FileUtil::CopyFile(device.Root() + "/nope", untouched);
    EXPECT_EQ(log.Count("(!inStream.is_open()) [return]"), 1);
    EXPECT_NE(stat(untouched.c_str(), &st), 0);

    FileUtil::WriteToFile("x", device.Root() + "/no/such/dir/file");
    EXPECT_EQ(log.Count("[Failed] fopen function. file pointer is null point"), 1);
}
