// The companion's outbox reader on arbitrary files: no crash, and every record it keeps
// reads back the same from its own line and from the line the service would write for it.
#include "Outbox.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

bool Same(const dalvexa::OutboxRecord& a, const dalvexa::OutboxRecord& b) {
    return a.time == b.time && a.operation == b.operation && a.caller == b.caller &&
           a.hasBand == b.hasBand && (!a.hasBand || a.band == b.band);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    size_t skipped = 0;
    for (const dalvexa::OutboxEntry& entry : dalvexa::ReadOutbox(in, &skipped)) {
        dalvexa::OutboxRecord again;
        std::string json;
        if (!dalvexa::DecodeRecord(entry.json, &again, &json) || json != entry.json ||
            !Same(again, entry.record))
            abort();
        if (!dalvexa::DecodeRecord(dalvexa::EncodeRecord(entry.record), &again) ||
            !Same(again, entry.record))
            abort();
    }
    return 0;
}
