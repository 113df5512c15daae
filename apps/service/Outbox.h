// The companion service's messages for the phone: one JSON object per line in its data
// folder (DalvexaNames.h kOutboxFile), written by the service and read back by the service
// and by watchctl.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace dalvexa {

// One message for the phone.
struct OutboxRecord {
    std::string time;      // ISO 8601 with milliseconds and the UTC offset
    std::string operation; // of the request that caused it
    std::string caller;    // the application that sent that request; empty when unknown
    bool hasBand = false;  // false when no band is stored
    int band = 0;
};

// The record as one line of JSON (no newline). The band's colour name is added when the
// palette knows the band; text that is not valid UTF-8 is kept with U+FFFD in its place.
std::string EncodeRecord(const OutboxRecord& record);

// One line of the outbox as EncodeRecord writes it: true with the record and the line in
// its one JSON form; false for anything else (a line cut short by a crash, damage).
bool DecodeRecord(const std::string& line, OutboxRecord* record, std::string* json = nullptr);

struct OutboxEntry {
    OutboxRecord record;
    std::string json; // the record's line, as EncodeRecord writes it
};

// The records of an outbox, oldest first. Lines that are not records are skipped and
// counted in *skipped.
std::vector<OutboxEntry> ReadOutbox(std::istream& in, size_t* skipped);

} // namespace dalvexa
