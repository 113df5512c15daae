// A device root of the fuzz target's own under /tmp, named by WATCH_ROOT: the log lines
// and stores of the code under test stay in it, and it is removed when the run ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline const std::string& ScratchRoot() {
    // A plain array: still there when the exit handler runs after static destructors.
    static char path[] = "/tmp/fuzz-root-XXXXXX";
    static const std::string root = [] {
        if (!mkdtemp(path))
            return std::string();
        setenv("WATCH_ROOT", path, 1);
        atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        });
        return std::string(path);
    }();
    return root;
}

// The input written to a file of that name in the scratch root: its path, or empty when it
// cannot be written.
inline std::string WriteInput(const char* name, const uint8_t* data, size_t size) {
    const std::string path = ScratchRoot().empty() ? "" : ScratchRoot() + "/" + name;
    FILE* f = path.empty() ? nullptr : fopen(path.c_str(), "wb");
    if (!f)
        return std::string();
    const bool written = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && written ? path : std::string();
}

} // namespace fuzz
