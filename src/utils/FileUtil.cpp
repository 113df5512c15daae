#define LOG_TAG "CLOCK-COMMON"
#include "FileUtil.h"
#include "ClockDefines.h"
#include "ClockLog.h"

#include <app_common.h>
#include <app_manager.h>
#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace NSClockCommon {

std::string FileUtil::mResourceDirectoryPath;
std::string FileUtil::mSharedDataDirectoryPath;
std::string FileUtil::mSharedResourceDirectoryPath;
const std::string FileUtil::mEdjResourceFileName = "edje/Resources.edj";
const std::string FileUtil::mWeatherInfoJsonFileName = "db/.json.txt";
const std::string FileUtil::mStyleDirectoryName = "theme/";

std::string FileUtil::GetResourceDirectoryPath() {
    if (!mResourceDirectoryPath.empty())
        return mResourceDirectoryPath;

    char* resourceDirPath = app_get_resource_path();
    CLOCK_LOG("app_get_resource_path : %s", resourceDirPath ? resourceDirPath : "(null)");
    RETURN_VALUE_IF(resourceDirPath == NULL, std::string());
    if (resourceDirPath[0] == '\0') {
        CLOCK_LOG("resourceDirPath < 1");
        g_free(resourceDirPath);
        return std::string();
    }
    mResourceDirectoryPath = resourceDirPath;
    g_free(resourceDirPath);
    return mResourceDirectoryPath;
}

std::string FileUtil::GetSharedDataDirectoryPath() {
    if (!mSharedDataDirectoryPath.empty())
        return mSharedDataDirectoryPath;

    char* sharedDataDirPath = NULL;
    int ret = app_manager_get_shared_data_path(WATCH_APPLICATION_ID, &sharedDataDirPath);
    RETURN_VALUE_IF(ret != ERR_OK, std::string());
    RETURN_VALUE_IF(sharedDataDirPath == NULL, std::string());
    if (sharedDataDirPath[0] == '\0') {
        CLOCK_LOG("sharedDataDirPath < 1");
        g_free(sharedDataDirPath);
        return std::string();
    }
    mSharedDataDirectoryPath = sharedDataDirPath;
    g_free(sharedDataDirPath);
    return mSharedDataDirectoryPath;
}

std::string FileUtil::GetSharedResourceDirectoryPath() {
    if (!mSharedResourceDirectoryPath.empty())
        return mSharedResourceDirectoryPath;

    char* sharedResDirPath = NULL;
    int ret = app_manager_get_shared_resource_path(WATCH_APPLICATION_ID, &sharedResDirPath);
    RETURN_VALUE_IF(ret != ERR_OK, std::string());
    RETURN_VALUE_IF(sharedResDirPath == NULL, std::string());
    if (sharedResDirPath[0] == '\0') {
        g_free(sharedResDirPath);
        return std::string();
    }
    mSharedResourceDirectoryPath = sharedResDirPath;
    g_free(sharedResDirPath);
    return mSharedResourceDirectoryPath;
}

std::string FileUtil::GetEdjResourceFilePath() {
    std::string ret = GetResourceDirectoryPath();
    RETURN_VALUE_IF(ret.length() < 1, std::string());
    return ret + mEdjResourceFileName;
}

std::string FileUtil::GetWeatherInfoJsonFilePath() {
    std::string ret = GetSharedDataDirectoryPath();
    RETURN_VALUE_IF(ret.length() < 1, std::string());
    return ret + mWeatherInfoJsonFileName;
}

std::string FileUtil::GetStyleResourceFilePath() {
    std::string ret = GetResourceDirectoryPath();
    RETURN_VALUE_IF(ret.length() < 1, std::string());
    return ret + mStyleDirectoryName;
}

std::string FileUtil::GetImageResourceDirectoryPath() {
    return GetResourceDirectoryPath() + "images/";
}

void FileUtil::CopyFile(const std::string& source, const std::string& destination) {
    std::ifstream inStream(source, std::ios::binary);
    RETURN_IF(!inStream.is_open());
    std::ofstream outStream(destination, std::ios::binary | std::ios::trunc);
    RETURN_IF(!outStream.is_open());
    // An empty source leaves an empty destination (streaming an empty buffer sets failbit).
    if (inStream.peek() != std::ifstream::traits_type::eof())
        outStream << inStream.rdbuf();
    inStream.close();
    outStream.close();
}

void FileUtil::WriteToFile(const std::string& content, const std::string& filePath) {
    FILE* file = fopen(filePath.c_str(), "w");
    if (!file) {
        CLOCK_LOG("[Failed] fopen function. file pointer is null point");
        return;
    }
    (void)fwrite(content.data(), 1, content.length(), file);
    (void)fclose(file);
}

bool FileUtil::MakeDirectory(const std::string& path) {
    RETURN_VALUE_IF(path.length() < 1, false);
    if (mkdir(path.c_str(), 0755) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    CLOCK_LOG("mkdir failed(path:%s), errno:%d", path.c_str(), errno);
    return false;
}

} // namespace NSClockCommon
