// A scratch directory of table files for one test.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace uxttest {

class TableDir {
  public:
    TableDir();  // a fresh directory under /tmp
    ~TableDir(); // removed with its files

    const std::string& Path() const { return mPath; }
    // Writes name in place (truncate and write) and returns its path.
    std::string Write(const std::string& name, const std::string& content) const;
    // Writes a sibling file, then renames it over name, as editors do.
    std::string Replace(const std::string& name, const std::string& content) const;

  private:
    std::string mPath;
};

std::string ColorTable(const std::vector<std::pair<std::string, std::string>>& colors);
std::string FontTable(const std::vector<std::vector<std::string>>& fonts); // code family style size

} // namespace uxttest
