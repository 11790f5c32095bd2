// SPDX-License-Identifier: MIT
// Backup files of every stored record: the one reader and writer of them, for the app and vantro-cli.
#include "store/records_backup.h"

#include "platform/atomic_file.h"
#include "store/records_export.h"
#include "store/records_import.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>

namespace vantro {

BackupFormat backupFormatOf(const std::string& path) {
    const bool csv = path.size() >= 4 && path.compare(path.size() - 4, 4, ".csv") == 0;
    return csv ? BackupFormat::Csv : BackupFormat::Json;
}

BackupOutcome exportRecords(sqlite_data& db, BackupFormat format, std::string& text) {
    BackupOutcome outcome;
    std::vector<StoredRecord> records;
    if (!db.readRecords(records, outcome.undated)) {
        outcome.error = db.lastError();
        return outcome;
    }
    text = format == BackupFormat::Csv ? recordsToCsv(records) : recordsToJson(records);
    outcome.ok = true;
    outcome.records = records.size();
    return outcome;
}

BackupOutcome exportRecordsToFile(sqlite_data& db, const std::string& path, BackupFormat format) {
    std::string text;
    BackupOutcome outcome = exportRecords(db, format, text);
    if (!outcome.ok) return outcome;
    if (auto error = writeFileAtomically(path, text)) {
        outcome.ok = false;
        outcome.error = *error;
    }
    return outcome;
}

BackupOutcome exportRecordsToFile(sqlite_data& db, const std::string& path) {
    return exportRecordsToFile(db, path, backupFormatOf(path));
}

BackupOutcome readBackup(std::istream& in, const std::string& name, std::vector<StoredRecord>& records) {
    BackupOutcome outcome;
    std::string bytes;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxBackupBytes) {
            outcome.error = name + ": larger than a backup can be (256 MiB)";
            return outcome;
        }
    }
    if (in.bad()) {
        outcome.error = name + ": could not be read";
        return outcome;
    }
    ParsedRecords parsed = parseRecords(bytes);
    if (parsed.problem) {
        outcome.error = name + ":" + std::to_string(parsed.problem->line) + ": " + parsed.problem->reason;
        return outcome;
    }
    records = std::move(parsed.records);
    outcome.ok = true;
    outcome.records = records.size();
    return outcome;
}

BackupOutcome readBackupFile(const std::string& path, std::vector<StoredRecord>& records) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        BackupOutcome outcome;
        outcome.error = path + ": " + std::strerror(errno);
        return outcome;
    }
    return readBackup(in, path, records);
}

BackupOutcome importRecords(sqlite_data& db, const std::vector<StoredRecord>& records, bool overwrite) {
    BackupOutcome outcome;
    const auto counts = db.mergeRecords(records, overwrite);
    if (!counts) {
        outcome.error = db.lastError();
        return outcome;
    }
    outcome.ok = true;
    outcome.records = records.size();
    outcome.counts = *counts;
    return outcome;
}

BackupOutcome importRecordsFromFile(sqlite_data& db, const std::string& path, bool overwrite) {
    std::vector<StoredRecord> records;
    BackupOutcome read = readBackupFile(path, records);
    return read.ok ? importRecords(db, records, overwrite) : read;
}

}  // namespace vantro
