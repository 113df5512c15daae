// The package folders of the watch face, resolved once and cached for the life of the
// process, a few fixed file paths built from them, and small file operations.
#pragma once

#include <string>

namespace NSClockCommon {

class FileUtil {
  public:
    virtual ~FileUtil() {}

    // Directories end in "/"; an empty string means the path is not available. A failed
    // lookup is not cached, so the next call asks the platform again.
    static std::string GetResourceDirectoryPath();
    static std::string GetSharedDataDirectoryPath();
    static std::string GetSharedResourceDirectoryPath();

    static std::string GetEdjResourceFilePath();
    static std::string GetWeatherInfoJsonFilePath();
    static std::string GetStyleResourceFilePath();
    static std::string GetImageResourceDirectoryPath();

    static void CopyFile(const std::string& source, const std::string& destination);
    static void WriteToFile(const std::string& content, const std::string& filePath);
    // True only when this call created the directory.
    static bool MakeDirectory(const std::string& path);

  private:
    static std::string mResourceDirectoryPath;
    static std::string mSharedDataDirectoryPath;
    static std::string mSharedResourceDirectoryPath;
    static const std::string mEdjResourceFileName;
    static const std::string mWeatherInfoJsonFileName;
    static const std::string mStyleDirectoryName;
};

} // namespace NSClockCommon
