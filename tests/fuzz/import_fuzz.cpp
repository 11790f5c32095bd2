// SPDX-License-Identifier: MIT
// Any backup file is read or refused without a fault; every accepted value is within what store-day and
// store-night take; an accepted file, written out again as JSON and as CSV, reads back to the same records,
// and a refusal always names a line.
#include "platform/local_time.h"
#include "store/records_export.h"
#include "store/records_import.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantro;
    const auto parsed = parseRecords(std::string_view(reinterpret_cast<const char*>(data), size));
    if (parsed.problem) {
        if (parsed.problem->line == 0 || parsed.problem->reason.empty() || !parsed.records.empty()) std::abort();
        return 0;
    }
    for (const auto& record : parsed.records) {
        if (!parseDate(record.date)) std::abort();
        for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
            const auto& v = record.values[i];
            const std::int64_t most = kRecordFields[i].time ? 23 * 60 + 59 : kMaxRecordCount;
            if (v && (*v < 0 || *v > most)) std::abort();
        }
    }
    for (const std::string& text : {recordsToJson(parsed.records), recordsToCsv(parsed.records)}) {
        const auto back = parseRecords(text);
        if (back.problem || back.records != parsed.records) std::abort();
    }
    return 0;
}
