// SPDX-License-Identifier: MIT
// Writes stored records as the backup files that the import reads back: JSON or CSV.
#pragma once

#include "store/stored_record.h"

#include <string>
#include <vector>

namespace vantro {

/// A JSON array of objects, one per record, every field present; never-written values are null.
std::string recordsToJson(const std::vector<StoredRecord>& records);
/// RFC 4180 CSV with a header row and CRLF line ends; never-written values are empty fields.
std::string recordsToCsv(const std::vector<StoredRecord>& records);
/// "HH:mm" of minutes after midnight.
std::string recordTimeText(std::int64_t minutes);

}  // namespace vantro
