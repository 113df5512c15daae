#include "UxtTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace uxttest {

std::string TableDir::Write(const std::string& name, const std::string& content) const {
    const std::string path = Path() + "/" + name;
    std::ofstream out(path, std::ios::trunc);
    out << content;
    out.close();
    EXPECT_TRUE(out.good()) << path;
    return path;
}

std::string TableDir::Replace(const std::string& name, const std::string& content) const {
    const std::string temp = Write("." + name + ".new", content);
    const std::string path = Path() + "/" + name;
    EXPECT_EQ(rename(temp.c_str(), path.c_str()), 0);
    return path;
}

std::string ColorTable(const std::vector<std::pair<std::string, std::string>>& colors) {
    std::string xml = "<?xml version=\"1.0\"?>\n<color-table>\n";
    for (const auto& c : colors)
        xml += "  <color code=\"" + c.first + "\" rgba=\"" + c.second + "\"/>\n";
    return xml + "</color-table>\n";
}

std::string FontTable(const std::vector<std::vector<std::string>>& fonts) {
    std::string xml = "<?xml version=\"1.0\"?>\n<font-table>\n";
    for (const auto& f : fonts)
        xml += "  <font code=\"" + f[0] + "\" family=\"" + f[1] + "\" style=\"" + f[2] +
               "\" size=\"" + f[3] + "\"/>\n";
    return xml + "</font-table>\n";
}

} // namespace uxttest
