// SPDX-License-Identifier: MIT
// A database that cannot be used says why: the system's reason, or that another program holds it.
#include "store/sqlite_connection.h"
#include "store/sqlite_data.h"

#include "temp_dir.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantro;
using namespace vantro::testing;

namespace {

// The first failure of a day write into `dir`, with the constructor's attempt included.
std::string failureOfWrite(const std::string& dir) {
    CapturingLog log;
    sqlite_data db(dir, log);
    if (db.updateData(CalendarDate{2014, 7, 15}, 1, 2, 3, 4, 0, 5)) return "the write succeeded";
    return db.firstFailure();
}

TEST(StoreFailure, NamesTheCause) {
    TempDir tmp;
    std::ofstream(tmp / "file") << "x";
    EXPECT_NE(failureOfWrite(tmp / "file").find("Not a directory"), std::string::npos) << failureOfWrite(tmp / "file");

    ASSERT_EQ(mkdir((tmp / "locked").c_str(), 0700), 0);
    {
        CapturingLog log;
        sqlite_data fresh(tmp / "locked", log);
    }
    SqliteConnection holder(tmp / "locked/database.sqlite3", SqliteConnection::Mode::ReadWrite);
    ASSERT_EQ(holder.exec("BEGIN EXCLUSIVE"), 0);
    EXPECT_NE(failureOfWrite(tmp / "locked").find("database is locked by another program"), std::string::npos);
    holder.exec("ROLLBACK");

    ASSERT_EQ(mkdir((tmp / "shut").c_str(), 0555), 0);
    EXPECT_EQ(runUnprivileged([&] {
                  const std::string failure = failureOfWrite(tmp / "shut");
                  return failure.find("Permission denied") == std::string::npos ? failure : std::string();
              }),
              "");
}

// Leaves a hot journal: a child changes every row and adds many more in a transaction too big for its
// page cache, so changed pages reach the file, and dies before committing. (A writer killed before its
// first spill leaves a journal that is not hot and harms nobody.)
void crashMidTransaction(const std::string& file) {
    const pid_t pid = fork();
    if (pid == 0) {
        SqliteConnection db(file, SqliteConnection::Mode::ReadWrite);
        db.exec("PRAGMA cache_size=1");
        db.exec("BEGIN");
        db.exec("UPDATE sportsTable SET cStep = 999");
        db.exec(
            "INSERT INTO sportsTable(cDate, cStartTime) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
            "FROM n WHERE i < 2000) SELECT 'x' || i, printf('%01000d', i) FROM n");
        _exit(0);
    }
    waitForExit(pid);
}

// A store in `dir` with the 28 days of February 2014 (steps = day) and a hot journal beside it; its file.
std::string crashedStore(const std::string& dir) {
    {
        CapturingLog log;
        sqlite_data db(dir, log);
        for (int day = 1; day <= 28; ++day) EXPECT_TRUE(db.updateData(CalendarDate{2014, 2, day}, day, 0, 0, 0, 0, 0));
    }
    const std::string file = dir + "/database.sqlite3";
    crashMidTransaction(file);
    return file;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(StoreFailure, ReadsWorkAfterAWriterCrashedMidTransaction) {
    TempDir tmp;
    const std::string file = crashedStore(tmp.path());
    ASSERT_GT(std::filesystem::file_size(file + "-journal"), 0u) << "no hot journal was left";
    // The journal holds the file's content, so it is as private as the file.
    EXPECT_EQ(modeOf(file + "-journal"), 0600u);

    CapturingLog log;
    sqlite_data reader(tmp.path(), log, sqlite_data::Access::ReadOnly);
    std::vector<sportsData> days;
    ASSERT_EQ(reader.databaseToArray(days), 28) << reader.lastError();
    EXPECT_EQ(days[0].step, 1);  // the crashed transaction is rolled back, not half seen
    EXPECT_EQ(days[27].step, 28);
    std::vector<StoredRecord> records;
    std::size_t undated = 0;
    crashMidTransaction(file);
    EXPECT_TRUE(reader.readRecords(records, undated)) << reader.lastError();
    EXPECT_EQ(records.size(), 28u);
    EXPECT_FALSE(std::filesystem::exists(file + "-journal"));
}

// A reader that may not write the directory cannot undo the crashed write; it says so in plain words.
TEST(StoreFailure, AHotJournalTheReaderCannotRollBackIsExplained) {
    TempDir tmp;
    const std::string dir = tmp / "data";
    const std::string file = crashedStore(dir);
    ASSERT_GT(std::filesystem::file_size(file + "-journal"), 0u) << "no hot journal was left";
    // The reader may read both files but not change the directory that holds them.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown((file + "-journal").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(tmp.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    const std::string failure = runUnprivileged([dir] {
        CapturingLog log;
        sqlite_data reader(dir, log, sqlite_data::Access::ReadOnly);
        std::vector<sportsData> days;
        if (reader.databaseToArray(days) != 0) return std::string("a half-written file was listed");
        const std::string why = reader.lastError();
        for (const char* words : {"stopped in the middle of a write", "-journal", "write access to", "vantro-cli"}) {
            if (why.find(words) == std::string::npos) return "'" + std::string(words) + "' missing from: " + why;
        }
        return std::string();
    });
    chmod(dir.c_str(), 0700);
    EXPECT_EQ(failure, "");
}

// Another program adds the date while a day or night write is under way: the write waits for it and
// updates the row, instead of failing on the key it found free a moment before.
TEST(StoreFailure, AnUpsertWaitsForAnotherWriterAddingTheSameDate) {
    TempDir tmp;
    CapturingLog log;
    sqlite_data db(tmp.path(), log);
    const std::string file = tmp / "database.sqlite3";
    struct Case {
        const char* what;
        const char* date;
        std::function<bool()> write;
        const char* column;
        int value;
    };
    const Case cases[] = {
        {"day", "2014-07-15",
         [&] {
             return db.updateData(CalendarDate{2014, 7, 15}, 11, 2, 3, 4, 0, 5);
         },
         "cStep", 11},
        {"night", "2014-07-16",
         [&] {
             return db.updateSleepData(CalendarDate{2014, 7, 16}, 1, 2, 3, 4, 5, 6, TimeOfDay{7, 0}, std::nullopt);
         },
         "cWakeupCount", 6},
    };
    for (const auto& c : cases) {
        SqliteConnection other(file, SqliteConnection::Mode::ReadWrite);
        ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), 0);
        ASSERT_EQ(other.exec("INSERT INTO sportsTable(cDate, cStep, cWakeupCount) VALUES('2014-07-15', 99, 99), "
                             "('2014-07-16', 99, 99)"),
                  0);
        bool stored = false;
        std::thread writer([&] { stored = c.write(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well inside the writer's wait
        ASSERT_EQ(other.exec("COMMIT"), 0);
        writer.join();
        EXPECT_TRUE(stored) << c.what << ": " << db.lastError();
        {
            SqliteConnection check(file, SqliteConnection::Mode::ReadOnly);
            SqliteStatement row =
                check.prepare(std::string("SELECT ") + c.column + " FROM sportsTable WHERE cDate='" + c.date + "'");
            ASSERT_EQ(row.step(), SQLITE_ROW) << c.what;
            EXPECT_EQ(row.columnInt(0), c.value) << c.what;
        }
        ASSERT_TRUE(db.clearData());
    }
}

TEST(StoreFailure, NewFilesArePrivateExistingOnesKeepTheirMode) {
    TempDir tmp;
    const mode_t old = umask(022);
    CapturingLog log;
    {
        sqlite_data db(tmp / "a/b", log);
        EXPECT_TRUE(db.updateData(CalendarDate{2014, 7, 15}, 1, 2, 3, 4, 0, 5));
    }
    EXPECT_EQ(modeOf(tmp / "a"), 0700u);
    EXPECT_EQ(modeOf(tmp / "a/b"), 0700u);
    EXPECT_EQ(modeOf(tmp / "a/b/database.sqlite3"), 0600u);

    ASSERT_EQ(mkdir((tmp / "shared").c_str(), 0755), 0);
    ASSERT_EQ(close(open((tmp / "shared/database.sqlite3").c_str(), O_CREAT | O_WRONLY, 0644)), 0);
    {
        sqlite_data db(tmp / "shared", log);
        EXPECT_TRUE(db.updateData(CalendarDate{2014, 7, 15}, 1, 2, 3, 4, 0, 5));
    }
    umask(old);
    EXPECT_EQ(modeOf(tmp / "shared"), 0755u);
    EXPECT_EQ(modeOf(tmp / "shared/database.sqlite3"), 0644u);
}

}  // namespace
