// SPDX-License-Identifier: MIT
// Any backup file is read or refused without a fault; an accepted one, written out again as JSON and as
// CSV, reads back to the same records, and a refusal always names a line.
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
    for (const std::string& text : {recordsToJson(parsed.records), recordsToCsv(parsed.records)}) {
        const auto back = parseRecords(text);
        if (back.problem || back.records != parsed.records) std::abort();
    }
    return 0;
}
