// SPDX-License-Identifier: MIT
// Backup files of every stored record: the one reader and writer of them, for the app and vantro-cli.
#pragma once

#include "store/sqlite_data.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace vantro {

enum class BackupFormat { Json, Csv };

/// CSV when the name ends in ".csv", JSON otherwise.
BackupFormat backupFormatOf(const std::string& path);

/// A decade of records is about 2 MB; anything far bigger is not one of our backups.
inline constexpr std::size_t kMaxBackupBytes = 256u << 20;

/// What an export or import did; `error` is one line when it failed (and then nothing changed).
struct BackupOutcome {
    bool ok = false;
    std::size_t records = 0;
    /// Rows without a date (written by the old app), which a backup cannot restore and leaves out.
    std::size_t undated = 0;
    sqlite_data::MergeCounts counts;
    std::string error;
};

/// Every dated record as the text of a backup file.
BackupOutcome exportRecords(sqlite_data& db, BackupFormat format, std::string& text);
/// Writes every dated record to `path` atomically; a new file is private, a replaced one keeps its mode.
BackupOutcome exportRecordsToFile(sqlite_data& db, const std::string& path, BackupFormat format);
BackupOutcome exportRecordsToFile(sqlite_data& db, const std::string& path);

/// Reads and checks a backup (at most kMaxBackupBytes) without touching the database; `name` names the
/// source in the error, "FILE:LINE: reason" for a refused record.
BackupOutcome readBackup(std::istream& in, const std::string& name, std::vector<StoredRecord>& records);
BackupOutcome readBackupFile(const std::string& path, std::vector<StoredRecord>& records);
/// Merges checked records by date (see sqlite_data::mergeRecords).
BackupOutcome importRecords(sqlite_data& db, const std::vector<StoredRecord>& records, bool overwrite);
/// readBackupFile, then importRecords.
BackupOutcome importRecordsFromFile(sqlite_data& db, const std::string& path, bool overwrite);

}  // namespace vantro
