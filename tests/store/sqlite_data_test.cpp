// SPDX-License-Identifier: MIT
// The activity database on real files in temporary directories.
#include "store/sqlite_connection.h"
#include "store/records_export.h"
#include "store/sqlite_data.h"

#include "temp_dir.h"
#include "unprivileged.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantro;
using namespace vantro::testing;

namespace {

constexpr CalendarDate kJul15{2014, 7, 15};
constexpr CalendarDate kJul16{2014, 7, 16};
constexpr CalendarDate kJul17{2014, 7, 17};

struct Store : ::testing::Test {
    TempDir dir;
    CapturingLog log;

    std::string file() const { return dir / "database.sqlite3"; }

    std::vector<sportsData> days(sqlite_data& db) {
        std::vector<sportsData> out;
        db.databaseToArray(out);
        return out;
    }
    std::vector<sleepData> nights(sqlite_data& db) {
        std::vector<sleepData> out;
        db.SleepDataToArray(out);
        return out;
    }
    int rowCount() {
        SqliteConnection c(file(), SqliteConnection::Mode::ReadOnly);
        auto s = c.prepare("SELECT count(*) FROM sportsTable");
        return s && s.step() == SQLITE_ROW ? static_cast<int>(s.columnInt(0)) : -1;
    }
};

}  // namespace

TEST_F(Store, FreshFileHasTheTableAndListsNothing) {
    const std::string nested = dir / "a/b/vantro";
    sqlite_data db(nested, log);
    EXPECT_EQ(db.m_dataFilePath(), nested + "/database.sqlite3");
    EXPECT_TRUE(std::filesystem::is_regular_file(db.m_dataFilePath()));
    EXPECT_FALSE(log.contains("数据库已经存在"));

    std::vector<sportsData> d;
    std::vector<sleepData> s;
    EXPECT_EQ(db.databaseToArray(d), 0);
    EXPECT_EQ(db.SleepDataToArray(s), 0);
    EXPECT_TRUE(d.empty() && s.empty());
    EXPECT_TRUE(db.clearData());  // an empty table clears silently

    SqliteConnection c(db.m_dataFilePath(), SqliteConnection::Mode::ReadOnly);
    auto columns = c.prepare("SELECT name FROM pragma_table_info('sportsTable') ORDER BY cid");
    std::vector<std::string> names;
    while (columns.step() == SQLITE_ROW) names.push_back(*columns.columnText(0));
    EXPECT_EQ(names, (std::vector<std::string>{"cDate", "cStep", "cDistance", "cColaries", "cRestcal", "cTStep",
                                               "cActiveTime", "cEnterTime", "cSpindlesTime", "cDeepTime", "cREMTime",
                                               "cWakeupTime", "cWakeupCount", "cTotalTime", "cStartTime"}));

    sqlite_data again(nested, log);
    EXPECT_TRUE(log.contains("数据库已经存在"));
}

TEST_F(Store, DayUpsertInsertsThenUpdatesWithFullRangeValues) {
    sqlite_data db(dir.path(), log);
    EXPECT_TRUE(db.updateData(kJul15, 50000, 1200, 300, 150, 0, 45));
    EXPECT_TRUE(log.contains("插入数据"));
    EXPECT_FALSE(log.contains("更新数据"));

    EXPECT_TRUE(db.updateData(kJul15, 65535, 1300, 310, 160, 7, 60));
    EXPECT_TRUE(log.contains("更新数据"));
    EXPECT_EQ(rowCount(), 1);

    std::int32_t step = -1, distance = -1, cal = -1, rest = -1, tstep = -1, active = -1;
    ASSERT_TRUE(db.queryData(kJul15, step, distance, cal, rest, tstep, active));
    EXPECT_EQ(std::tie(step, distance, cal, rest, tstep, active), std::make_tuple(65535, 1300, 310, 160, 7, 60));

    // A date without a row leaves the out-values alone.
    step = -1;
    EXPECT_FALSE(db.queryData(kJul16, step, distance, cal, rest, tstep, active));
    EXPECT_EQ(step, -1);
}

TEST_F(Store, EachUpsertLeavesTheOtherHalfOfTheRow) {
    sqlite_data db(dir.path(), log);
    ASSERT_TRUE(db.updateData(kJul15, 10000, 800, 300, 150, 0, 45));
    ASSERT_TRUE(db.updateSleepData(kJul15, 10, 200, 120, 60, 20, 2, TimeOfDay{6, 50}, TimeOfDay{23, 30}));
    EXPECT_TRUE(log.contains("sleep更新数据"));
    ASSERT_TRUE(db.updateData(kJul15, 11000, 900, 310, 151, 0, 50));

    // Sleep first, then the day, on another date.
    ASSERT_TRUE(db.updateSleepData(kJul16, 5, 100, 90, 30, 10, 1, TimeOfDay{4, 0}, TimeOfDay{0, 15}));
    EXPECT_TRUE(log.contains("sleep插入数据"));
    ASSERT_TRUE(db.updateData(kJul16, 2000, 100, 50, 40, 0, 5));
    ASSERT_TRUE(db.updateSleepData(kJul16, 6, 101, 91, 31, 11, 3, TimeOfDay{4, 5}, TimeOfDay{0, 20}));
    EXPECT_EQ(rowCount(), 2);

    const auto d = days(db);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(std::tie(d[0].date, d[0].step, d[0].activetime, d[1].step),
              std::make_tuple("2014-07-15", 11000, 50, 2000));

    // Every column's round trip is checked through the view controller; here, that neither half is lost.
    const auto s = nights(db);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(std::tie(s[0].date, s[0].enter_time, s[0].start_time), std::make_tuple("2014-07-15", 10, "23:30"));
    EXPECT_EQ(std::tie(s[1].enter_time, s[1].wakeup_count, s[1].start_time), std::make_tuple(6, 3, "00:20"));
}

TEST_F(Store, RecordsWithoutAValidDateAreRefused) {
    sqlite_data db(dir.path(), log);
    log.lines.clear();
    EXPECT_FALSE(db.updateData(std::nullopt, 1, 2, 3, 4, 0, 5));
    EXPECT_FALSE(db.updateData(CalendarDate{2014, 2, 30}, 1, 2, 3, 4, 0, 5));
    EXPECT_FALSE(db.updateSleepData(std::nullopt, 1, 2, 3, 4, 5, 6, TimeOfDay{1, 0}, TimeOfDay{2, 0}));
    EXPECT_EQ(rowCount(), 0);
    EXPECT_TRUE(log.contains("updateData: the day record has no valid date and is not stored"));
    EXPECT_TRUE(log.contains("updateSleepData: the sleep record has no valid date and is not stored"));
    EXPECT_FALSE(log.contains("插入数据"));
}

TEST_F(Store, ListingsAreOrderedReadNullsAsZeroAndAppend) {
    sqlite_data db(dir.path(), log);
    ASSERT_TRUE(db.updateData(kJul17, 3, 0, 0, 0, 0, 0));
    ASSERT_TRUE(db.updateSleepData(kJul15, 1, 2, 3, 4, 5, 6, std::nullopt, TimeOfDay{22, 0}));
    ASSERT_TRUE(db.updateData(CalendarDate{2013, 12, 31}, 1, 0, 0, 0, 0, 0));

    std::vector<sportsData> d{sportsData{"kept", 99}};
    EXPECT_EQ(db.databaseToArray(d), 3);
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(std::tie(d[0].date, d[1].date, d[2].date, d[3].date),
              std::make_tuple("kept", "2013-12-31", "2014-07-15", "2014-07-17"));
    // The sleep-only date is listed among the days with zeros.
    EXPECT_EQ(std::tie(d[2].step, d[2].activetime), std::make_tuple(0, 0));

    std::vector<sleepData> s(1);
    EXPECT_EQ(db.SleepDataToArray(s), 3);
    ASSERT_EQ(s.size(), 4u);
    // The total stored as NULL reads as 00:00.
    EXPECT_EQ(std::tie(s[2].date, s[2].total_time, s[2].start_time), std::make_tuple("2014-07-15", "00:00", "22:00"));
    EXPECT_EQ(std::tie(s[3].date, s[3].enter_time, s[3].start_time), std::make_tuple("2014-07-17", 0, "00:00"));

    std::int32_t a, b, c, e, f, g;
    std::optional<TimeOfDay> total = TimeOfDay{9, 9}, start;
    ASSERT_TRUE(db.querySleepData(kJul15, a, b, c, e, f, g, total, start));
    EXPECT_FALSE(total);
    EXPECT_EQ(start, (TimeOfDay{22, 0}));
    EXPECT_EQ(g, 6);
}

TEST_F(Store, ADamagedDatabaseFailsCleanlyAndKeepsItsBytes) {
    {
        sqlite_data db(dir.path(), log);
        for (int d = 1; d <= 28; ++d) ASSERT_TRUE(db.updateData(CalendarDate{2014, 2, d}, d, d, d, d, 0, d));
    }
    // Overwrite the table's pages (page 1 is the schema) with garbage.
    std::string bytes = readFile(file());
    ASSERT_GE(bytes.size(), 8192u);
    for (size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA5);
    writeFile(file(), bytes);

    sqlite_data db(dir.path(), log);
    log.lines.clear();
    std::vector<sportsData> d{sportsData{"kept"}};
    EXPECT_EQ(db.databaseToArray(d), 0);
    EXPECT_EQ(d.size(), 1u);  // the caller's list is left as it was
    EXPECT_EQ(nights(db).size(), 0u);
    EXPECT_FALSE(db.updateData(CalendarDate{2014, 2, 3}, 1, 1, 1, 1, 0, 1));
    EXPECT_FALSE(db.updateData(CalendarDate{2015, 1, 1}, 1, 1, 1, 1, 0, 1));
    EXPECT_FALSE(log.lines.empty());
    EXPECT_EQ(readFile(file()), bytes);
}

TEST_F(Store, AReadOnlyFileCanBeListedButNotChanged) {
    {
        sqlite_data db(dir.path(), log);
        ASSERT_TRUE(db.updateData(kJul15, 1, 2, 3, 4, 0, 5));
    }
    const std::string before = readFile(file());
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(chmod(file().c_str(), 0444), 0);
    const std::string path = dir.path();
    const std::string failure = runUnprivileged([path, before] {
        CapturingLog childLog;
        sqlite_data db(path, childLog);
        std::vector<sportsData> d;
        if (db.databaseToArray(d) != 1 || d[0].step != 1) return std::string("listing failed");
        const size_t lines = childLog.lines.size();
        if (db.updateData(kJul15, 9, 9, 9, 9, 0, 9)) return std::string("update succeeded");
        if (db.updateData(kJul16, 9, 9, 9, 9, 0, 9)) return std::string("insert succeeded");
        if (db.clearData()) return std::string("clear succeeded");
        if (childLog.lines.size() < lines + 3) return std::string("failures not logged");
        if (readFile(path + "/database.sqlite3") != before) return std::string("file changed");
        return std::string();
    });
    EXPECT_EQ(failure, "");
}

TEST_F(Store, ADirectoryWithoutWriteAccessCannotBeChanged) {
    {
        sqlite_data db(dir.path(), log);
        ASSERT_TRUE(db.updateData(kJul15, 1, 2, 3, 4, 0, 5));
    }
    // The file itself is writable for its owner; only the directory (journal) is not.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(file().c_str(), 65534, 65534), 0);
    }
    const std::string before = readFile(file());
    const std::string sub = dir / "empty";
    std::filesystem::create_directory(sub);
    ASSERT_EQ(chmod(sub.c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    const std::string path = dir.path();
    const std::string failure = runUnprivileged([path, sub, before] {
        CapturingLog childLog;
        sqlite_data db(path, childLog);
        if (db.updateData(kJul15, 9, 9, 9, 9, 0, 9)) return std::string("update succeeded");
        if (db.clearData()) return std::string("clear succeeded");
        if (readFile(path + "/database.sqlite3") != before) return std::string("file changed");
        // No file can be made in a directory without write access.
        sqlite_data fresh(sub, childLog);
        std::vector<sportsData> d;
        if (fresh.updateData(kJul15, 1, 1, 1, 1, 0, 1) || fresh.databaseToArray(d) != 0) {
            return std::string("fresh database in a read-only directory worked");
        }
        if (std::filesystem::exists(sub + "/database.sqlite3")) return std::string("file created");
        return std::string();
    });
    EXPECT_EQ(failure, "");
}

TEST_F(Store, ReadOnlyAccessCreatesAndWritesNothing) {
    const std::string absent = dir / "absent";
    sqlite_data reader(absent, log, sqlite_data::Access::ReadOnly);
    std::vector<StoredRecord> records;
    std::size_t undated = 0;
    EXPECT_TRUE(reader.readRecords(records, undated));
    EXPECT_EQ(days(reader).size(), 0u);
    EXPECT_FALSE(reader.updateData(kJul15, 1, 2, 3, 4, 0, 5));
    EXPECT_FALSE(reader.clearData());
    EXPECT_FALSE(reader.mergeRecords({StoredRecord{"2014-07-15", {}}}, false));
    EXPECT_FALSE(std::filesystem::exists(absent));
}

TEST_F(Store, MergeIsOneTransaction) {
    sqlite_data db(dir.path(), log);
    ASSERT_TRUE(db.updateData(kJul15, 1, 2, 3, 4, 0, 5));
    // A value another tool left in the last row stops the merge half-way: the earlier dates are not kept.
    SqliteConnection(file(), SqliteConnection::Mode::ReadWrite)
        .exec("INSERT INTO sportsTable(cDate, cStep) VALUES('2014-07-17', 'many')");
    StoredRecord first{"2014-07-14", {}}, last{"2014-07-17", {}};
    first.values[0] = last.values[1] = 9;
    EXPECT_FALSE(db.mergeRecords({first, last}, false));
    EXPECT_NE(db.lastError().find("cStep"), std::string::npos);
    EXPECT_EQ(rowCount(), 2);

    // Filling and overwriting count days and nights apart.
    StoredRecord night{"2014-07-15", {}};
    night.values[*recordFieldIndex("deep_time")] = 30;
    night.values[0] = 7;
    auto counts = db.mergeRecords({night}, false);
    ASSERT_TRUE(counts);
    EXPECT_EQ(std::tie(counts->daysAdded, counts->daysUpdated, counts->nightsAdded, counts->nightsUpdated),
              std::make_tuple(0, 0, 1, 0));
    counts = db.mergeRecords({night}, true);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->daysUpdated, 1);
    EXPECT_EQ(counts->nightsUpdated, 0);
}
