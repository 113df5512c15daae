#include "Outbox.h"

#include "DalvexaNames.h"
#include "dalvexa_palette.h"

#include <nlohmann/json.hpp>

namespace dalvexa {

namespace {

using Json = nlohmann::ordered_json;

// Lines longer than this are not records (a record is a few hundred bytes).
constexpr size_t kMaxLine = 64 * 1024;

std::string Dump(const Json& j) {
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace

std::string EncodeRecord(const OutboxRecord& record) {
    Json j;
    j["time"] = record.time;
    j["message"] = kColorStyleExtra;
    j["app_id"] = kFaceAppId;
    j["operation"] = record.operation;
    j["caller"] = record.caller.empty() ? Json(nullptr) : Json(record.caller);
    if (record.hasBand) {
        const dalvexa_band_colors* colors = dalvexa_band_get(record.band);
        j[kColorStyleExtra] = record.band;
        j["color"] = colors ? Json(colors->name) : Json(nullptr);
    } else {
        j[kColorStyleExtra] = nullptr;
        j["color"] = nullptr;
    }
    return Dump(j);
}

bool DecodeRecord(const std::string& line, OutboxRecord* record, std::string* json) {
    if (line.size() > kMaxLine)
        return false;
    const Json j = Json::parse(line, nullptr, false);
    if (!j.is_object())
        return false;
    auto text = [&j](const char* key) {
        auto it = j.find(key);
        return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    if (text("message") != kColorStyleExtra || text("app_id") != kFaceAppId)
        return false;
    auto time = j.find("time"), operation = j.find("operation"), caller = j.find("caller"),
         band = j.find(kColorStyleExtra);
    if (time == j.end() || !time->is_string() || operation == j.end() || !operation->is_string() ||
        caller == j.end() || !(caller->is_string() || caller->is_null()) || band == j.end() ||
        !(band->is_number_integer() || band->is_null()))
        return false;
    OutboxRecord out;
    out.time = time->get<std::string>();
    out.operation = operation->get<std::string>();
    out.caller = caller->is_string() ? caller->get<std::string>() : std::string();
    if (band->is_number_integer()) {
        const auto value = band->get<long long>();
        if (value < INT32_MIN || value > INT32_MAX)
            return false;
        out.hasBand = true;
        out.band = static_cast<int>(value);
    }
    *record = out;
    if (json)
        *json = Dump(j);
    return true;
}

std::vector<OutboxEntry> ReadOutbox(std::istream& in, size_t* skipped) {
    std::vector<OutboxEntry> entries;
    *skipped = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        OutboxEntry entry;
        if (DecodeRecord(line, &entry.record, &entry.json))
            entries.push_back(std::move(entry));
        else
            ++*skipped;
    }
    return entries;
}

} // namespace dalvexa
