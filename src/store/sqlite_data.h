// SPDX-License-Identifier: MIT
// The activity database: one SQLite file, one row per calendar date with its activity and sleep.
#pragma once

#include "platform/debug_log.h"
#include "platform/local_time.h"
#include "store/sleep_data.h"
#include "store/sports_data.h"
#include "store/stored_record.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

class SqliteConnection;
class SqliteStatement;

/// Opens and closes the file around every operation; nothing is held between calls.
/// Failures are a false or 0 result plus a log line; the user's file is never deleted or truncated.
class sqlite_data {
public:
    /// ReadOnly never creates a file and never writes one: a missing directory, file or table lists as
    /// empty, and every write is refused. (A transaction left half done by a crashed writer is still
    /// rolled back first, as any reader must.)
    enum class Access { ReadWrite, ReadOnly };

    /// `dataDir` is created when missing; the file is dataDir/"database.sqlite3". Creates the table.
    sqlite_data(std::string dataDir, DebugLog& log, Access access = Access::ReadWrite);
    /// The same with another file name in `dataDir`; a missing file is created before the table.
    sqlite_data(std::string dataDir, std::string_view fileName, DebugLog& log);

    const std::string& m_dataFilePath() const { return m_path; }

    bool createDatabase();
    bool createTable();

    /// Day upsert. An absent date is refused (false, a log line); nothing is stored.
    bool updateData(const std::optional<CalendarDate>& date, std::int32_t step, std::int32_t distance,
                    std::int32_t colaries, std::int32_t restcal, std::int32_t tstep, std::int32_t activeTime);
    /// Sleep upsert; absent times are stored as NULL. An absent date is refused.
    bool updateSleepData(const std::optional<CalendarDate>& date, std::int32_t enterTime, std::int32_t spindlesTime,
                         std::int32_t deepTime, std::int32_t remTime, std::int32_t wakeupTime, std::int32_t wakeupCount,
                         const std::optional<TimeOfDay>& totalTime, const std::optional<TimeOfDay>& startTime);

    /// Appends one record per row, oldest date first; returns the number appended (0 on failure).
    int databaseToArray(std::vector<sportsData>& out);
    int SleepDataToArray(std::vector<sleepData>& out);

    /// The stored day of `date`: true and the six values (steps to active time, further step count
    /// included) when the date has a row; false and the values untouched otherwise.
    bool queryData(const std::optional<CalendarDate>& date, std::int32_t& step, std::int32_t& distance,
                   std::int32_t& colaries, std::int32_t& restcal, std::int32_t& tstep, std::int32_t& activeTime);
    /// The stored night of `date`; the two times are absent when not stored.
    bool querySleepData(const std::optional<CalendarDate>& date, std::int32_t& enterTime, std::int32_t& spindlesTime,
                        std::int32_t& deepTime, std::int32_t& remTime, std::int32_t& wakeupTime,
                        std::int32_t& wakeupCount, std::optional<TimeOfDay>& totalTime,
                        std::optional<TimeOfDay>& startTime);

    /// Empties the table (factory reset). Returns false when the file could not be changed.
    bool clearData();
    /// Diagnostic dump of every row to the log.
    void printData();

    /// The first failure logged by this object since it was made or since forgetFailures(), with SQLite's
    /// and the system's reason; empty when none. Callers that ignore the results (the decoder) can still
    /// tell why records are missing.
    const std::string& firstFailure() const { return m_firstFailure; }
    /// Starts a new batch of writes (a sync): a failure belongs to the writes that failed, not to later ones.
    void forgetFailures() { m_firstFailure.clear(); }
    /// Why the last failed operation failed, in one line (also logged).
    const std::string& lastError() const { return m_lastError; }

    /// While on, a day or night upsert that finds the file held by another program gives way within a few
    /// milliseconds instead of waiting up to a second, and fails without a log line, with lastWriteHeld()
    /// set: its caller tries it again later and, should it give up, reports it with reportLastFailure().
    void giveWayWhenHeld(bool on) { m_giveWay = on; }
    /// Whether the last upsert failed only because another program held the file.
    bool lastWriteHeld() const { return m_lastWriteHeld; }
    /// Logs the last failure as any failure is (a write given up after giving way).
    void reportLastFailure();
    // Whole records for backups (sqlite_data_records.cpp).

    /// Absent when the file can be listed (or does not exist yet); otherwise why not, in one line:
    /// not a database, or a sportsTable of another shape than this program writes.
    std::optional<std::string> readProblem();

    /// Every dated row, oldest first, with never-written columns absent; `undated` counts the rows
    /// without a date (the old app's NULL keys), which are not listed. False when it cannot be read.
    bool readRecords(std::vector<StoredRecord>& out, std::size_t& undated);

    struct MergeCounts {
        int daysAdded = 0, daysUpdated = 0, nightsAdded = 0, nightsUpdated = 0;
    };
    /// Merges records by date in one transaction: a value fills a never-written column, and replaces
    /// a stored one only with `overwrite`. Nothing is changed when anything fails.
    std::optional<MergeCounts> mergeRecords(const std::vector<StoredRecord>& records, bool overwrite);

private:
    /// Logs a failure with SQLite's reason.
    void logFailure(std::string_view what, const SqliteConnection& db);
    /// An upsert's failure: logged, or only noted when it gives way to another program's hold.
    bool upsertFailed(std::string_view what, const SqliteConnection& db);
    /// Runs a prepared write once; false (and logged) when it did not complete.
    bool finishWrite(SqliteConnection& db, SqliteStatement& write, const std::string& key);
    /// Runs one upsert of the row of `key` (bound first; `bind` binds the rest) and logs whether it added
    /// or updated the row; false (and logged) when it did not complete.
    bool upsert(const char* sql, const std::string& key, std::string_view inserted, std::string_view updated,
                const std::function<void(SqliteStatement&)>& bind);
    /// Hands the row of the date to `read`; false when there is none or it cannot be read.
    bool queryRow(const std::optional<CalendarDate>& date, const std::function<void(const SqliteStatement&)>& read);
    /// Checks the table against the columns this program writes; false (and logged) when it differs or
    /// cannot be read. `exists` tells whether there is a table at all.
    bool checkShape(SqliteConnection& db, bool& exists);
    /// Reads the columns of a row; false (and logged) when one holds a value of another kind.
    bool readValues(const SqliteStatement& row, StoredRecord& record);
    bool refuseWrite(std::string_view what);
    /// Appends one record per row, oldest date first; all or nothing.
    template <class Record>
    int listAll(std::vector<Record>& out, Record (*read)(const SqliteStatement&));

    std::string m_path;
    DebugLog& m_log;
    std::string m_firstFailure;
    bool m_readOnly = false;
    std::string m_lastError;
    bool m_giveWay = false;
    bool m_lastWriteHeld = false;
};

}  // namespace vantro
