#include "AppPathUtil.h"

#include <app_common.h>

#include <cstdlib>

namespace {

std::string TakePath(char* path) {
    std::string result;
    if (path) {
        result = path;
        free(path);
    }
    return result;
}

} // namespace

std::string AppPathUtil::GetDataPath() {
    return TakePath(app_get_data_path());
}

std::string AppPathUtil::GetResourcePath() {
    return TakePath(app_get_resource_path());
}

std::string AppPathUtil::GetSharedDataPath() {
    return TakePath(app_get_shared_data_path());
}

std::string AppPathUtil::GetSharedResourcePath() {
    return TakePath(app_get_shared_resource_path());
}

std::string AppPathUtil::GetCachePath() {
    return TakePath(app_get_cache_path());
}

std::string AppPathUtil::GetEdjeDirectoryPath() {
    return GetResourcePath() + "edje/";
}

std::string AppPathUtil::GetImageDirectoryPath() {
    return GetResourcePath() + "images/";
}

std::string AppPathUtil::GetFileImageDirectoryPath() {
    return GetImageDirectoryPath() + "file_images/";
}

std::string AppPathUtil::GetTableDirectoryPath() {
    return GetResourcePath() + "tables/";
}

std::string AppPathUtil::GetSharedImageDirectoryPath() {
    return GetSharedResourcePath() + "images/";
}

std::string AppPathUtil::GetSharedTableDirectoryPath() {
    return GetSharedResourcePath() + "tables/";
}

std::string AppPathUtil::GetMapCacheDirectoryPath() {
    return GetDataPath() + ".map_cache/";
}

std::string AppPathUtil::GetEdjeFilePath(const std::string& fileName) {
    return GetEdjeDirectoryPath() + fileName;
}

std::string AppPathUtil::GetFileImageFilePath(const std::string& fileName) {
    return GetFileImageDirectoryPath() + fileName;
}

std::string AppPathUtil::GetDataFilePath(const std::string& fileName) {
    return GetDataPath() + fileName;
}

std::string AppPathUtil::GetResourceFilePath(const std::string& fileName) {
    return GetResourcePath() + fileName;
}

std::string AppPathUtil::GetSharedImageFilePath(const std::string& fileName) {
    return GetSharedImageDirectoryPath() + fileName;
}

std::string AppPathUtil::GetSharedTableFilePath(const std::string& fileName) {
    return GetSharedTableDirectoryPath() + fileName;
}

std::string AppPathUtil::GetTableFilePath(const std::string& fileName) {
    return GetTableDirectoryPath() + fileName;
}

std::string AppPathUtil::GetCacheFilePath(const std::string& fileName) {
    return GetCachePath() + fileName;
}
