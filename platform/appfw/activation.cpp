// Bus names of applications and their D-Bus activation files.
#include "watch_appfw.h"
#include "watch_bus.h"
#include "watch_device.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

namespace watch {
namespace appfw {

namespace {

// The bus allows 255 bytes in a name.
constexpr std::size_t kMaxBusName = 255;

bool IsAsciiAlnum(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

void AppendEscaped(std::string* out, unsigned char c) {
    char hex[4];
    snprintf(hex, sizeof(hex), "_%02x", c);
    out->append(hex);
}

// The activation daemon splits Exec like a shell: quote what a shell would split.
std::string QuoteForExec(const std::string& path) {
    bool plain = !path.empty();
    for (unsigned char c : path) {
        if (!IsAsciiAlnum(c) && !strchr("/._-+,=:@", c))
            plain = false;
    }
    if (plain)
        return path;
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << content;
        if (!out) {
            *error = "cannot write " + temp;
            return false;
        }
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        *error = "cannot rename " + temp + ": " + strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

std::string BusName(const std::string& appId) {
    if (!IsValidId(appId))
        return std::string();
    std::string name = kBusNamePrefix;
    bool elementStart = true;
    for (unsigned char c : appId) {
        if (c == '.') {
            name += '.';
            elementStart = true;
            continue;
        }
        const bool digit = c >= '0' && c <= '9';
        if ((IsAsciiAlnum(c) || c == '-') && !(digit && elementStart))
            name += static_cast<char>(c);
        else
            AppendEscaped(&name, c);
        elementStart = false;
    }
    return name.size() <= kMaxBusName ? name : std::string();
}

bool WriteActivationFiles(std::string* error) {
    const std::string dir = bus::ServiceDir();
    if (!MakeDirs(dir)) {
        *error = "cannot create " + dir;
        return false;
    }
    std::set<std::string> written;
    for (const PackageInfo& package : InstalledPackages()) {
        const std::string bin = PackageFolderPath(package.id, PackageFolder::Bin);
        for (const AppInfo& app : package.apps) {
            const std::string name = BusName(app.id);
            if (name.empty())
                continue; // cannot own a bus name; launch requests to it are refused
            const std::string file = name + ".service";
            const std::string content =
                "[D-BUS Service]\nName=" + name + "\nExec=" + QuoteForExec(bin + app.exec) + "\n";
            // Rewriting an unchanged file would make the daemon reload for nothing.
            if (ReadAll(dir + "/" + file) != content &&
                !WriteFileAtomically(dir + "/" + file, content, error))
                return false;
            written.insert(file);
        }
    }
    DIR* listing = opendir(dir.c_str());
    if (!listing) {
        *error = "cannot read " + dir;
        return false;
    }
    const std::string prefix = kBusNamePrefix;
    const std::string suffix = ".service";
    while (struct dirent* entry = readdir(listing)) {
        const std::string file = entry->d_name;
        if (file.compare(0, prefix.size(), prefix) == 0 && file.size() > suffix.size() &&
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            !written.count(file))
            unlink((dir + "/" + file).c_str());
    }
    closedir(listing);
    return true;
}

} // namespace appfw
} // namespace watch
