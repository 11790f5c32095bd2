// SPDX-License-Identifier: MIT
// Reads a backup file (our JSON or CSV export) back into records, refusing anything malformed.
#pragma once

#include "store/stored_record.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

/// Why a file was refused, and where (1-based line).
struct ImportProblem {
    std::size_t line = 0;
    std::string reason;
};

/// Either the records of the file, oldest date first, or the first problem found (and no records).
struct ParsedRecords {
    std::vector<StoredRecord> records;
    std::optional<ImportProblem> problem;
};

/// Parses the bytes of a backup file. JSON when it starts with '[', else CSV with a header row.
/// Fields may come in any order and may be missing (never written); unknown fields, dates that are
/// not real days, a date given twice, fractions, times other than "HH:mm" and broken syntax are refused.
ParsedRecords parseRecords(std::string_view bytes);

}  // namespace vantro
