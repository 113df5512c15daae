// A scratch directory of table files for one test: the root of a device of its own,
// removed with its files.
#pragma once

#include "TestDevice.h"

#include <string>
#include <utility>
#include <vector>

namespace uxttest {

class TableDir {
  public:
    const std::string& Path() const { return mDevice.Root(); }
    // Writes name in place (truncate and write) and returns its path.
    std::string Write(const std::string& name, const std::string& content) const;
    // Writes a sibling file, then renames it over name, as editors do.
    std::string Replace(const std::string& name, const std::string& content) const;

  private:
    watchtest::TestDevice mDevice{false};
};

std::string ColorTable(const std::vector<std::pair<std::string, std::string>>& colors);
std::string FontTable(const std::vector<std::vector<std::string>>& fonts); // code family style size

} // namespace uxttest
