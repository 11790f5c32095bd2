// SPDX-License-Identifier: MIT
// Backup files of every stored record, written and read back for the app's Export and Import.
#pragma once

#include "store/sqlite_data.h"

#include <cstddef>
#include <string>

namespace vantro {

/// What an export or import did; `error` is one line when it failed (and then nothing changed).
struct BackupOutcome {
    bool ok = false;
    std::size_t records = 0;
    sqlite_data::MergeCounts counts;
    std::string error;
};

/// Writes every dated record to `path` atomically: CSV when the name ends in ".csv", JSON otherwise.
BackupOutcome exportRecordsToFile(sqlite_data& db, const std::string& path);
/// Reads our JSON or CSV backup and merges it by date (see sqlite_data::mergeRecords).
BackupOutcome importRecordsFromFile(sqlite_data& db, const std::string& path, bool overwrite);

}  // namespace vantro
