// SPDX-License-Identifier: MIT
// Backup files of every stored record, written and read back for the app's Export and Import.
#include "store/records_backup.h"

#include "platform/atomic_file.h"
#include "store/records_export.h"
#include "store/records_import.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace vantro {

BackupOutcome exportRecordsToFile(sqlite_data& db, const std::string& path) {
    BackupOutcome outcome;
    std::vector<StoredRecord> records;
    std::size_t undated = 0;
    if (!db.readRecords(records, undated)) {
        outcome.error = db.lastError();
        return outcome;
    }
    const bool csv = path.size() >= 4 && path.compare(path.size() - 4, 4, ".csv") == 0;
    if (auto error = writeFileAtomically(path, csv ? recordsToCsv(records) : recordsToJson(records))) {
        outcome.error = *error;
        return outcome;
    }
    outcome.ok = true;
    outcome.records = records.size();
    return outcome;
}

BackupOutcome importRecordsFromFile(sqlite_data& db, const std::string& path, bool overwrite) {
    BackupOutcome outcome;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (!in || !(bytes << in.rdbuf())) {
        outcome.error = path + ": " + std::strerror(errno);
        return outcome;
    }
    const ParsedRecords parsed = parseRecords(bytes.str());
    if (parsed.problem) {
        outcome.error = path + ":" + std::to_string(parsed.problem->line) + ": " + parsed.problem->reason;
        return outcome;
    }
    const auto counts = db.mergeRecords(parsed.records, overwrite);
    if (!counts) {
        outcome.error = db.lastError();
        return outcome;
    }
    outcome.ok = true;
    outcome.records = parsed.records.size();
    outcome.counts = *counts;
    return outcome;
}

}  // namespace vantro
