// Uncached getters over the platform's application path calls, plus fixed sub-folders.
// Every result is a plain string, empty when the platform gave nothing; nothing is logged.
#pragma once

#include <string>

class AppPathUtil {
  public:
    virtual ~AppPathUtil() {}

    static std::string GetDataPath();
    static std::string GetResourcePath();
    static std::string GetSharedDataPath();
    static std::string GetSharedResourcePath();
    static std::string GetCachePath();

    static std::string GetEdjeDirectoryPath();
    static std::string GetImageDirectoryPath();
    static std::string GetFileImageDirectoryPath();
    static std::string GetTableDirectoryPath();
    static std::string GetSharedImageDirectoryPath();
    static std::string GetSharedTableDirectoryPath();
    static std::string GetMapCacheDirectoryPath();

    static std::string GetEdjeFilePath(const std::string& fileName);
    static std::string GetFileImageFilePath(const std::string& fileName);
    static std::string GetDataFilePath(const std::string& fileName);
    static std::string GetResourceFilePath(const std::string& fileName);
    static std::string GetSharedImageFilePath(const std::string& fileName);
    static std::string GetSharedTableFilePath(const std::string& fileName);
    static std::string GetTableFilePath(const std::string& fileName);
    static std::string GetCacheFilePath(const std::string& fileName);
};
