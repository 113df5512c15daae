// Shared pieces of the fault tests.
#pragma once

#include "LoopUtil.h"
#include "TestDevice.h"

#include <Ecore.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace faultstest {

// Holds Ecore for one test, so that the main loop can run.
struct EcoreScope {
    EcoreScope() { ecore_init(); }
    ~EcoreScope() { ecore_shutdown(); }
};

inline std::string WriterPath() {
    return FAULT_STORE_WRITER;
}

// The highest round the store writer acknowledged ("ack N" lines), 0 for none.
inline long AckedRounds(const std::string& out) {
    std::istringstream in(out);
    std::string line;
    long acked = 0;
    while (std::getline(in, line)) {
        if (line.rfind("ack ", 0) == 0 && line.size() > 4)
            acked = std::max(acked, atol(line.c_str() + 4));
    }
    return acked;
}

} // namespace faultstest
