// SPDX-License-Identifier: MIT
// The one table of the activity database: its statement, its columns and how rows are read back.
#pragma once

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string_view>

namespace vantro::sqlite_schema {

inline constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS sportsTable (cDate TEXT PRIMARY KEY, cStep INTEGER, cDistance INTEGER, cColaries "
    "INTEGER, cRestcal INTEGER, cTStep INTEGER, cActiveTime INTEGER, cEnterTime INTEGER, cSpindlesTime INTEGER, "
    "cDeepTime INTEGER, cREMTime INTEGER, cWakeupTime INTEGER, cWakeupCount INTEGER, cTotalTime TEXT, cStartTime "
    "TEXT)";
inline constexpr const char* kSelectRow = "SELECT * FROM sportsTable WHERE cDate=?";
inline constexpr const char* kSelectAll = "SELECT * FROM sportsTable ORDER BY cDate ASC";

// Column indexes of "SELECT *", in the order of the CREATE TABLE statement.
enum Column {
    cDate,
    cStep,
    cDistance,
    cColaries,
    cRestcal,
    cTStep,
    cActiveTime,
    cEnterTime,
    cSpindlesTime,
    cDeepTime,
    cREMTime,
    cWakeupTime,
    cWakeupCount,
    cTotalTime,
    cStartTime,
};

// The columns of the CREATE TABLE statement; a table of another shape is not read as if it were ours.
inline constexpr const char* kColumnShape[][2] = {
    {"cDate", "TEXT"},           {"cStep", "INTEGER"},      {"cDistance", "INTEGER"},
    {"cColaries", "INTEGER"},    {"cRestcal", "INTEGER"},   {"cTStep", "INTEGER"},
    {"cActiveTime", "INTEGER"},  {"cEnterTime", "INTEGER"}, {"cSpindlesTime", "INTEGER"},
    {"cDeepTime", "INTEGER"},    {"cREMTime", "INTEGER"},   {"cWakeupTime", "INTEGER"},
    {"cWakeupCount", "INTEGER"}, {"cTotalTime", "TEXT"},    {"cStartTime", "TEXT"},
};

inline bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace vantro::sqlite_schema
