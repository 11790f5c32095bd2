// SPDX-License-Identifier: MIT
// Writes stored records as the backup files that the import reads back: JSON or CSV.
#include "store/records_export.h"

#include "platform/strprintf.h"

#include <nlohmann/json.hpp>

namespace vantro {
namespace {

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::optional<std::size_t> recordFieldIndex(std::string_view name) {
    for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
        if (name == kRecordFields[i].name) return i;
    }
    return std::nullopt;
}

std::string recordTimeText(std::int64_t minutes) {
    return strprintf("%02d:%02d", static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
}

std::string recordsToJson(const std::vector<StoredRecord>& records) {
    using Json = nlohmann::ordered_json;
    Json rows = Json::array();
    for (const auto& r : records) {
        Json row = Json::object();
        row["date"] = r.date;
        for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
            const auto& v = r.values[i];
            if (!v) {
                row[kRecordFields[i].name] = nullptr;
            } else if (kRecordFields[i].time) {
                row[kRecordFields[i].name] = recordTimeText(*v);
            } else {
                row[kRecordFields[i].name] = *v;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string recordsToCsv(const std::vector<StoredRecord>& records) {
    std::string text = "date";
    for (const auto& f : kRecordFields) text += std::string(",") + f.name;
    text += "\r\n";
    for (const auto& r : records) {
        text += csvField(r.date);
        for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
            text += ',';
            if (const auto& v = r.values[i]) text += kRecordFields[i].time ? recordTimeText(*v) : std::to_string(*v);
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace vantro
