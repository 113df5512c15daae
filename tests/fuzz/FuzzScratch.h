// A device root of the fuzz target's own under /tmp, named by WATCH_ROOT: the log lines
// and stores of the code under test stay in it, and it is removed when the run ends.
#pragma once

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

} // namespace fuzz
