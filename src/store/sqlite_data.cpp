// SPDX-License-Identifier: MIT
// The activity database: one SQLite file, one row per calendar date with its activity and sleep.
#include "store/sqlite_data.h"

#include "platform/paths.h"
#include "platform/strprintf.h"
#include "store/sqlite_connection.h"
#include "store/sqlite_schema.h"

#include <sqlite3.h>

#include <filesystem>
#include <limits>

namespace vantro {
namespace {

using namespace sqlite_schema;

constexpr const char* kFileName = "database.sqlite3";
// A write that gives way waits no longer than this for a lock: well within a frame of the main thread,
// and long enough for another program's own short write to finish.
constexpr int kGiveWayMs = 5;

// One statement per upsert: a look-up followed by an insert lets another writer (an import, vantro-cli)
// add the date in between, and the insert then fails on the key.
constexpr const char* kUpsertDay =
    "INSERT INTO sportsTable(cDate, cStep, cDistance, cColaries, cRestcal, cTStep, cActiveTime) VALUES(?, ?, ?, ?, "
    "?, ?, ?) ON CONFLICT(cDate) DO UPDATE SET cStep=excluded.cStep, cDistance=excluded.cDistance, "
    "cColaries=excluded.cColaries, cRestcal=excluded.cRestcal, cTStep=excluded.cTStep, "
    "cActiveTime=excluded.cActiveTime";
constexpr const char* kUpsertSleep =
    "INSERT INTO sportsTable(cDate, cEnterTime, cSpindlesTime, cDeepTime, cRemTime, cWakeupTime, cWakeupCount, "
    "cTotalTime, cStartTime) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(cDate) DO UPDATE SET "
    "cEnterTime=excluded.cEnterTime, cSpindlesTime=excluded.cSpindlesTime, cDeepTime=excluded.cDeepTime, "
    "cRemTime=excluded.cRemTime, cWakeupTime=excluded.cWakeupTime, cWakeupCount=excluded.cWakeupCount, "
    "cTotalTime=excluded.cTotalTime, cStartTime=excluded.cStartTime";

// A value written by another tool may not fit; it is clamped rather than wrapped.
std::int32_t columnInt32(const SqliteStatement& stmt, int index) {
    const std::int64_t v = stmt.columnInt(index);
    if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// The old app listed a NULL key as "(null)"; files it wrote may still hold such rows.
std::string dateText(const SqliteStatement& stmt) {
    return stmt.columnText(cDate).value_or("(null)");
}

std::string failureText(const std::string& path, std::string_view what, const SqliteConnection& db) {
    return strprintf("database %s: %s failed: %s (error=%d)", path.c_str(), std::string(what).c_str(),
                     db.errorMessage().c_str(), db.errorCode());
}

std::optional<std::string> dateKey(const std::optional<CalendarDate>& date) {
    if (!date || !date->isValid()) return std::nullopt;
    return formatDate(*date);
}

}  // namespace

sqlite_data::sqlite_data(std::string dataDir, DebugLog& log, Access access)
    : m_log(log), m_readOnly(access == Access::ReadOnly) {
    if (!m_readOnly) ensureDirectory(dataDir, m_log);
    m_path = (std::filesystem::path(dataDir) / kFileName).string();
    std::error_code ec;
    if (std::filesystem::exists(m_path, ec)) m_log.log("数据库已经存在");
    if (!m_readOnly) createTable();
}

sqlite_data::sqlite_data(std::string dataDir, std::string_view fileName, DebugLog& log) : m_log(log) {
    ensureDirectory(dataDir, m_log);
    m_path = (std::filesystem::path(dataDir) / fileName).string();
    std::error_code ec;
    if (std::filesystem::exists(m_path, ec)) {
        m_log.log("数据库已经存在");
    } else {
        createDatabase();
    }
    createTable();
}

void sqlite_data::logFailure(std::string_view what, const SqliteConnection& db) {
    m_lastError = failureText(m_path, what, db);
    reportLastFailure();
}

void sqlite_data::reportLastFailure() {
    m_log.warning(m_lastError);
    if (m_firstFailure.empty()) m_firstFailure = m_lastError;
}

bool sqlite_data::upsertFailed(std::string_view what, const SqliteConnection& db) {
    const int code = db.errorCode() & 0xFF;
    m_lastWriteHeld = m_giveWay && (code == SQLITE_BUSY || code == SQLITE_LOCKED);
    if (m_lastWriteHeld) {
        // Only noted: the caller tries again, and reports it if it gives up.
        m_lastError = failureText(m_path, what, db);
    } else {
        logFailure(what, db);
    }
    return false;
}

bool sqlite_data::refuseWrite(std::string_view what) {
    if (!m_readOnly) return false;
    m_lastError =
        strprintf("database %s: %s refused: opened for reading only", m_path.c_str(), std::string(what).c_str());
    m_log.warning(m_lastError);
    return true;
}

bool sqlite_data::checkShape(SqliteConnection& db, bool& exists) {
    SqliteStatement info = db.prepare("PRAGMA table_info(sportsTable)");
    if (!info) {
        logFailure("reading the table layout", db);
        return false;
    }
    std::vector<std::pair<std::string, std::string>> columns;
    int rc;
    while ((rc = info.step()) == SQLITE_ROW)
        columns.emplace_back(info.columnText(1).value_or(""), info.columnText(2).value_or(""));
    if (rc != SQLITE_DONE) {
        logFailure("reading the table layout", db);
        return false;
    }
    exists = !columns.empty();
    std::string problem;
    if (exists && columns.size() != std::size(kColumnShape)) {
        problem = strprintf("sportsTable has %zu columns, not the %zu this program writes", columns.size(),
                            std::size(kColumnShape));
    }
    for (std::size_t i = 0; problem.empty() && exists && i < columns.size(); ++i) {
        const auto& [name, type] = columns[i];
        if (!sameName(name, kColumnShape[i][0]) || !sameName(type, kColumnShape[i][1])) {
            problem = strprintf("sportsTable column %zu is '%s %s', not '%s %s'", i + 1, name.c_str(), type.c_str(),
                                kColumnShape[i][0], kColumnShape[i][1]);
        }
    }
    if (problem.empty()) return true;
    m_lastError = "database " + m_path + " has another layout and is left as it is: " + problem;
    m_log.warning(m_lastError);
    return false;
}

bool sqlite_data::createDatabase() {
    if (refuseWrite("create")) return false;
    m_log.log(strprintf("File:%s", m_path.c_str()));
    SqliteConnection db(m_path, SqliteConnection::Mode::Create);
    if (!db.isOpen()) {
        m_log.log(strprintf("创建数据库失败！error=%d", db.openResult()));
        logFailure("open", db);
        return false;
    }
    return true;
}

bool sqlite_data::createTable() {
    if (refuseWrite("create table")) return false;
    SqliteConnection db(m_path, SqliteConnection::Mode::Create);
    if (!db.isOpen()) {
        logFailure("open", db);
        return false;
    }
    // A file that is not a database opens fine and only fails here; it is left exactly as it is.
    if (db.exec(kCreateTable) != SQLITE_OK) {
        m_log.log("创建表失败！");
        logFailure("create table", db);
        return false;
    }
    return true;
}

bool sqlite_data::finishWrite(SqliteConnection& db, SqliteStatement& write, const std::string& key) {
    if (!write) {
        logFailure("prepare", db);
        return false;
    }
    if (write.step() != SQLITE_DONE) {
        logFailure("write of " + key, db);
        return false;
    }
    return true;
}

bool sqlite_data::upsert(const char* sql, const std::string& key, std::string_view inserted, std::string_view updated,
                         const std::function<void(SqliteStatement&)>& bind) {
    SqliteConnection db(m_path, SqliteConnection::Mode::ReadWrite);
    if (!db.isOpen()) return upsertFailed("open", db);
    if (m_giveWay) db.setBusyTimeout(kGiveWayMs);
    SqliteStatement write = db.prepare(sql);
    if (!write) return upsertFailed("prepare", db);
    write.bindText(1, key);
    bind(write);
    if (write.step() != SQLITE_DONE) return upsertFailed("write of " + key, db);
    // The connection is new, so a row id tells that this statement added the row rather than updated it.
    m_log.log(db.lastInsertRowid() != 0 ? inserted : updated);
    return true;
}

bool sqlite_data::updateData(const std::optional<CalendarDate>& date, std::int32_t step, std::int32_t distance,
                             std::int32_t colaries, std::int32_t restcal, std::int32_t tstep, std::int32_t activeTime) {
    m_lastWriteHeld = false;
    const auto key = dateKey(date);
    if (!key) {
        m_log.warning("updateData: the day record has no valid date and is not stored");
        return false;
    }
    if (refuseWrite("day upsert")) return false;
    return upsert(kUpsertDay, *key, "插入数据", "更新数据", [&](SqliteStatement& write) {
        int i = 2;
        for (std::int32_t v : {step, distance, colaries, restcal, tstep, activeTime}) write.bindInt(i++, v);
    });
}

bool sqlite_data::updateSleepData(const std::optional<CalendarDate>& date, std::int32_t enterTime,
                                  std::int32_t spindlesTime, std::int32_t deepTime, std::int32_t remTime,
                                  std::int32_t wakeupTime, std::int32_t wakeupCount,
                                  const std::optional<TimeOfDay>& totalTime,
                                  const std::optional<TimeOfDay>& startTime) {
    m_lastWriteHeld = false;
    const auto key = dateKey(date);
    if (!key) {
        m_log.warning("updateSleepData: the sleep record has no valid date and is not stored");
        return false;
    }
    if (refuseWrite("sleep upsert")) return false;
    return upsert(kUpsertSleep, *key, "sleep插入数据", "sleep更新数据", [&](SqliteStatement& write) {
        int i = 2;
        for (std::int32_t v : {enterTime, spindlesTime, deepTime, remTime, wakeupTime, wakeupCount}) {
            write.bindInt(i++, v);
        }
        for (const auto& t : {totalTime, startTime}) {
            if (t && t->isValid()) {
                write.bindText(i++, formatTime(*t));
            } else {
                write.bindNull(i++);
            }
        }
    });
}

template <class Record>
int sqlite_data::listAll(std::vector<Record>& out, Record (*read)(const SqliteStatement&)) {
    std::error_code ec;
    if (m_readOnly && !std::filesystem::exists(m_path, ec)) return 0;
    SqliteConnection db(m_path, SqliteConnection::Mode::ReadOnly);
    if (!db.isOpen()) {
        logFailure("open", db);
        return 0;
    }
    // Zeros listed from a table of another layout would look like real days.
    bool exists = false;
    if (!checkShape(db, exists) || !exists) return 0;
    SqliteStatement all = db.prepare(kSelectAll);
    if (!all) {
        logFailure("listing", db);
        return 0;
    }
    const std::size_t before = out.size();
    int rc;
    while ((rc = all.step()) == SQLITE_ROW) out.push_back(read(all));
    if (rc != SQLITE_DONE) {
        // A listing is all or nothing: half a history would look like lost days.
        out.resize(before);
        logFailure("listing", db);
        return 0;
    }
    return static_cast<int>(out.size() - before);
}

int sqlite_data::databaseToArray(std::vector<sportsData>& out) {
    return listAll<sportsData>(out, [](const SqliteStatement& row) {
        sportsData d;
        d.date = dateText(row);
        d.step = columnInt32(row, cStep);
        d.distance = columnInt32(row, cDistance);
        d.calories = columnInt32(row, cColaries);
        d.restcal = columnInt32(row, cRestcal);
        d.activetime = columnInt32(row, cActiveTime);
        return d;
    });
}

int sqlite_data::SleepDataToArray(std::vector<sleepData>& out) {
    return listAll<sleepData>(out, [](const SqliteStatement& row) {
        sleepData d;
        d.date = dateText(row);
        d.enter_time = columnInt32(row, cEnterTime);
        d.spindles_time = columnInt32(row, cSpindlesTime);
        d.deep_time = columnInt32(row, cDeepTime);
        d.rem_time = columnInt32(row, cREMTime);
        d.wakeup_time = columnInt32(row, cWakeupTime);
        d.wakeup_count = columnInt32(row, cWakeupCount);
        d.total_time = row.columnText(cTotalTime).value_or("00:00");
        d.start_time = row.columnText(cStartTime).value_or("00:00");
        d.stored = row.columnText(cWakeupCount).has_value();  // every night written sets it
        return d;
    });
}

bool sqlite_data::queryRow(const std::optional<CalendarDate>& date,
                           const std::function<void(const SqliteStatement&)>& read) {
    const auto key = dateKey(date);
    if (!key) return false;
    SqliteConnection db(m_path, SqliteConnection::Mode::ReadOnly);
    if (!db.isOpen()) {
        logFailure("open", db);
        return false;
    }
    SqliteStatement row = db.prepare(kSelectRow);
    if (!row) {
        logFailure("look-up", db);
        return false;
    }
    row.bindText(1, *key);
    if (row.step() != SQLITE_ROW) return false;
    read(row);
    return true;
}

bool sqlite_data::queryData(const std::optional<CalendarDate>& date, std::int32_t& step, std::int32_t& distance,
                            std::int32_t& colaries, std::int32_t& restcal, std::int32_t& tstep,
                            std::int32_t& activeTime) {
    return queryRow(date, [&](const SqliteStatement& row) {
        step = columnInt32(row, cStep);
        distance = columnInt32(row, cDistance);
        colaries = columnInt32(row, cColaries);
        restcal = columnInt32(row, cRestcal);
        tstep = columnInt32(row, cTStep);
        activeTime = columnInt32(row, cActiveTime);
    });
}

bool sqlite_data::querySleepData(const std::optional<CalendarDate>& date, std::int32_t& enterTime,
                                 std::int32_t& spindlesTime, std::int32_t& deepTime, std::int32_t& remTime,
                                 std::int32_t& wakeupTime, std::int32_t& wakeupCount,
                                 std::optional<TimeOfDay>& totalTime, std::optional<TimeOfDay>& startTime) {
    return queryRow(date, [&](const SqliteStatement& row) {
        enterTime = columnInt32(row, cEnterTime);
        spindlesTime = columnInt32(row, cSpindlesTime);
        deepTime = columnInt32(row, cDeepTime);
        remTime = columnInt32(row, cREMTime);
        wakeupTime = columnInt32(row, cWakeupTime);
        wakeupCount = columnInt32(row, cWakeupCount);
        const auto total = row.columnText(cTotalTime);
        const auto start = row.columnText(cStartTime);
        totalTime = total ? parseTime(*total) : std::nullopt;
        startTime = start ? parseTime(*start) : std::nullopt;
    });
}

bool sqlite_data::clearData() {
    if (refuseWrite("clearing")) return false;
    SqliteConnection db(m_path, SqliteConnection::Mode::ReadWrite);
    if (!db.isOpen()) {
        logFailure("open", db);
        return false;
    }
    if (db.exec("DELETE FROM sportsTable") != SQLITE_OK) {
        logFailure("clearing", db);
        return false;
    }
    return true;
}

void sqlite_data::printData() {
    SqliteConnection db(m_path, SqliteConnection::Mode::ReadOnly);
    if (!db.isOpen()) {
        logFailure("open", db);
        return;
    }
    SqliteStatement all = db.prepare("SELECT * FROM sportsTable");
    if (!all) {
        logFailure("listing", db);
        return;
    }
    for (int n = 0; all.step() == SQLITE_ROW; ++n) {
        m_log.log(strprintf("record:%d => date=%s, step=%d, distance=%d, colaries=%d, restcal=%d, TStep=%d", n,
                            dateText(all).c_str(), columnInt32(all, cStep), columnInt32(all, cDistance),
                            columnInt32(all, cColaries), columnInt32(all, cRestcal), columnInt32(all, cTStep)));
    }
}

}  // namespace vantro
