// SPDX-License-Identifier: MIT
// A database that cannot be used says why: the system's reason, or that another program holds it.
#include "store/sqlite_connection.h"
#include "store/sqlite_data.h"

#include "temp_dir.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

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

}  // namespace
