// SPDX-License-Identifier: MIT
// The activity database as whole records for backups: every column kept apart, never-written ones absent.
#include "store/sqlite_data.h"

#include "platform/strprintf.h"
#include "store/sqlite_connection.h"
#include "store/sqlite_schema.h"

#include <sqlite3.h>

#include <filesystem>

namespace vantro {
namespace {

using namespace sqlite_schema;

// The "SELECT *" index of each field of a StoredRecord.
int columnOf(std::size_t field) {
    for (int c = 0; c < static_cast<int>(std::size(kColumnShape)); ++c) {
        if (sameName(kColumnShape[c][0], kRecordFields[field].column)) return c;
    }
    return -1;
}

}  // namespace

bool sqlite_data::readValues(const SqliteStatement& row, StoredRecord& record) {
    for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
        const int column = columnOf(i);
        const int type = row.columnType(column);
        auto& slot = record.values[i];
        slot.reset();
        if (type == SQLITE_NULL) continue;
        if (kRecordFields[i].time) {
            const auto text = row.columnText(column);
            const auto t = type == SQLITE_TEXT && text ? parseTime(*text) : std::nullopt;
            if (t) slot = t->hour * 60 + t->minute;
        } else if (type == SQLITE_INTEGER) {
            slot = row.columnInt(column);
        }
        if (!slot) {
            m_lastError = strprintf("database %s: the row of %s holds '%s' in %s, which is not a %s", m_path.c_str(),
                                    record.date.c_str(), row.columnText(column).value_or("").c_str(),
                                    kRecordFields[i].column, kRecordFields[i].time ? "time HH:MM" : "whole number");
            m_log.warning(m_lastError);
            return false;
        }
    }
    return true;
}

std::optional<std::string> sqlite_data::readProblem() {
    std::error_code ec;
    if (!std::filesystem::exists(m_path, ec)) return std::nullopt;
    SqliteConnection db(m_path, SqliteConnection::Mode::ReadOnly);
    bool exists = false;
    if (!db.isOpen()) {
        logFailure("open", db);
        return m_lastError;
    }
    if (!checkShape(db, exists)) return m_lastError;
    return std::nullopt;
}

bool sqlite_data::readRecords(std::vector<StoredRecord>& out, std::size_t& undated) {
    undated = 0;
    std::error_code ec;
    if (m_readOnly && !std::filesystem::exists(m_path, ec)) return true;
    SqliteConnection db(m_path, SqliteConnection::Mode::ReadOnly);
    if (!db.isOpen()) {
        logFailure("open", db);
        return false;
    }
    bool exists = false;
    if (!checkShape(db, exists)) return false;
    if (!exists) return true;
    SqliteStatement all = db.prepare(kSelectAll);
    if (!all) {
        logFailure("listing", db);
        return false;
    }
    std::vector<StoredRecord> records;
    int rc;
    while ((rc = all.step()) == SQLITE_ROW) {
        auto date = all.columnText(cDate);
        if (!date) {
            ++undated;
            continue;
        }
        StoredRecord r;
        r.date = std::move(*date);
        if (!readValues(all, r)) return false;
        records.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) {
        logFailure("listing", db);
        return false;
    }
    out.insert(out.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    return true;
}

std::optional<sqlite_data::MergeCounts> sqlite_data::mergeRecords(const std::vector<StoredRecord>& records,
                                                                  bool overwrite) {
    if (refuseWrite("import")) return std::nullopt;
    SqliteConnection db(m_path, SqliteConnection::Mode::ReadWrite);
    if (!db.isOpen()) {
        logFailure("open", db);
        return std::nullopt;
    }
    bool exists = false;
    if (!checkShape(db, exists)) return std::nullopt;
    if (!exists && db.exec(kCreateTable) != SQLITE_OK) {
        logFailure("create table", db);
        return std::nullopt;
    }
    // One transaction: a file that fails half-way leaves the database as it was.
    if (db.exec("BEGIN IMMEDIATE") != SQLITE_OK) {
        logFailure("import", db);
        return std::nullopt;
    }
    std::string sets, names, marks;
    for (const auto& f : kRecordFields) {
        sets += std::string(sets.empty() ? "" : ", ") + f.column + "=?";
        names += std::string(", ") + f.column;
        marks += ", ?";
    }
    SqliteStatement select = db.prepare(kSelectRow);
    SqliteStatement update = db.prepare("UPDATE sportsTable SET " + sets + " WHERE cDate=?");
    SqliteStatement insert = db.prepare("INSERT INTO sportsTable(cDate" + names + ") VALUES(?" + marks + ")");
    MergeCounts counts;
    auto merge = [&](const StoredRecord& r) {
        select.reset();
        select.bindText(1, r.date);
        const int found = select.step();
        if (found != SQLITE_ROW && found != SQLITE_DONE) {
            logFailure("look-up of " + r.date, db);
            return false;
        }
        StoredRecord old{r.date, {}};
        if (found == SQLITE_ROW && !readValues(select, old)) return false;
        select.reset();
        StoredRecord merged = old;
        bool changed[2] = {false, false};  // night, day
        for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
            if (!r.values[i] || (old.values[i] && (!overwrite || *old.values[i] == *r.values[i]))) continue;
            merged.values[i] = r.values[i];
            changed[kRecordFields[i].day] = true;
        }
        if (changed[1]) ++(old.hasDay() ? counts.daysUpdated : counts.daysAdded);
        if (changed[0]) ++(old.hasNight() ? counts.nightsUpdated : counts.nightsAdded);
        // A date with no values at all is still a row of its own, kept so that a backup restores as it was.
        if (!changed[0] && !changed[1] && found == SQLITE_ROW) return true;
        SqliteStatement& write = found == SQLITE_ROW ? update : insert;
        write.reset();
        int index = 1;
        if (found != SQLITE_ROW) write.bindText(index++, r.date);
        for (std::size_t i = 0; i < kRecordFields.size(); ++i, ++index) {
            const auto& v = merged.values[i];
            if (!v) {
                write.bindNull(index);
            } else if (kRecordFields[i].time) {
                write.bindText(index, formatTime({static_cast<int>(*v / 60), static_cast<int>(*v % 60)}));
            } else {
                write.bindInt(index, *v);
            }
        }
        if (found == SQLITE_ROW) write.bindText(index, r.date);
        return finishWrite(db, write, r.date);
    };
    bool ok = select && update && insert;
    if (!ok) logFailure("prepare", db);
    for (std::size_t i = 0; ok && i < records.size(); ++i) ok = merge(records[i]);
    select = {};
    update = {};
    insert = {};
    if (ok && db.exec("COMMIT") != SQLITE_OK) {
        logFailure("commit", db);
        ok = false;
    }
    if (!ok) {
        db.exec("ROLLBACK");
        return std::nullopt;
    }
    return counts;
}

}  // namespace vantro
