// SPDX-License-Identifier: MIT
// A thin RAII layer over the SQLite 3 C API: one connection and the statements prepared on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vantro {

/// One prepared statement; finalised when it goes out of scope, whatever happened.
class SqliteStatement {
public:
    SqliteStatement() = default;
    explicit SqliteStatement(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept : m_stmt(other.m_stmt) { other.m_stmt = nullptr; }
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    explicit operator bool() const { return m_stmt != nullptr; }

    /// Parameters count from 1, as in SQL.
    bool bindText(int index, std::string_view text);
    bool bindInt(int index, std::int64_t value);
    bool bindNull(int index);
    /// SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    /// Ready to run again with new parameters.
    void reset();

    /// Columns count from 0. A NULL integer column reads as 0.
    std::int64_t columnInt(int index) const;
    /// SQLITE_INTEGER, SQLITE_TEXT, SQLITE_NULL, ... of the column in the current row.
    int columnType(int index) const;
    /// The column as text; absent when it is NULL.
    std::optional<std::string> columnText(int index) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

/// One open database file; closed when it goes out of scope, even when opening failed.
class SqliteConnection {
public:
    enum class Mode {
        ReadOnly,   // the file must exist; nothing can be written
        ReadWrite,  // the file must exist; falls back to reading when the file is write-protected
        Create,     // read-write, creating the file when missing
    };

    SqliteConnection(const std::string& path, Mode mode);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    /// The result of the open (SQLITE_OK on success).
    int openResult() const { return m_openResult; }
    bool isOpen() const { return m_openResult == 0; }
    /// How long a statement waits for another program's lock before it fails busy (a second unless set).
    void setBusyTimeout(int milliseconds);

    /// Runs statements without results; returns the SQLite result code.
    int exec(const char* sql);
    /// An empty statement when preparation fails; `errorMessage` then says why.
    SqliteStatement prepare(std::string_view sql);

    /// The text of the last error on this connection, or of the failed open.
    std::string errorMessage() const;
    /// The extended code of the last error.
    int errorCode() const;
    /// The row id of the last row inserted on this connection; 0 when none was.
    std::int64_t lastInsertRowid() const;

private:
    sqlite3* m_db = nullptr;
    int m_openResult = 0;
    std::string m_path;
};

}  // namespace vantro
