// SPDX-License-Identifier: MIT
// A thin RAII layer over the SQLite 3 C API: one connection and the statements prepared on it.
#include "store/sqlite_connection.h"

#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantro {
namespace {
// Another process (vantro-cli beside the app) may hold the file for a moment; its writes take
// milliseconds, and a command opens the file twice, so a second is long enough to wait.
constexpr int kBusyTimeoutMs = 1000;
}  // namespace

SqliteStatement::~SqliteStatement() {
    if (m_stmt) sqlite3_finalize(m_stmt);
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        if (m_stmt) sqlite3_finalize(m_stmt);
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

bool SqliteStatement::bindText(int index, std::string_view text) {
    return m_stmt &&
           sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

bool SqliteStatement::bindInt(int index, std::int64_t value) {
    return m_stmt && sqlite3_bind_int64(m_stmt, index, value) == SQLITE_OK;
}

bool SqliteStatement::bindNull(int index) {
    return m_stmt && sqlite3_bind_null(m_stmt, index) == SQLITE_OK;
}

int SqliteStatement::step() {
    return m_stmt ? sqlite3_step(m_stmt) : SQLITE_MISUSE;
}

void SqliteStatement::reset() {
    if (!m_stmt) return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::int64_t SqliteStatement::columnInt(int index) const {
    return m_stmt ? sqlite3_column_int64(m_stmt, index) : 0;
}

int SqliteStatement::columnType(int index) const {
    return m_stmt ? sqlite3_column_type(m_stmt, index) : SQLITE_NULL;
}

std::optional<std::string> SqliteStatement::columnText(int index) const {
    if (!m_stmt || sqlite3_column_type(m_stmt, index) == SQLITE_NULL) return std::nullopt;
    const unsigned char* text = sqlite3_column_text(m_stmt, index);
    if (!text) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(m_stmt, index)));
}

namespace {

// Health data is personal: a new database is made private before SQLite opens it, and SQLite gives its
// journal the database's mode. An existing file keeps the mode its owner chose.
void createPrivately(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
}

// A writer killed mid-transaction leaves a hot journal that a read-only connection cannot roll back, so
// every read would fail until the next write. A read-write open of the existing file (never creating it)
// rolls it back; when that is not possible either, the read-only open reports why.
void rollBackHotJournal(const std::string& path) {
    struct stat st {};
    if (stat((path + "-journal").c_str(), &st) != 0 || st.st_size == 0) return;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (db) sqlite3_close_v2(db);
}

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path, Mode mode) {
    int flags = SQLITE_OPEN_READONLY;
    if (mode == Mode::ReadOnly) rollBackHotJournal(path);
    if (mode == Mode::ReadWrite) flags = SQLITE_OPEN_READWRITE;
    if (mode == Mode::Create) {
        createPrivately(path);
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    }
    m_path = path;
    m_openResult = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (m_db && m_openResult == SQLITE_OK) {
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        sqlite3_extended_result_codes(m_db, 1);
    }
}

SqliteConnection::~SqliteConnection() {
    // A handle is returned even when the open fails and must be released as well.
    if (m_db) sqlite3_close_v2(m_db);
}

void SqliteConnection::setBusyTimeout(int milliseconds) {
    if (m_db && isOpen()) sqlite3_busy_timeout(m_db, milliseconds);
}

int SqliteConnection::exec(const char* sql) {
    if (!isOpen()) return m_openResult;
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
}

SqliteStatement SqliteConnection::prepare(std::string_view sql) {
    if (!isOpen()) return {};
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return {};
    }
    return SqliteStatement(stmt);
}

std::string SqliteConnection::errorMessage() const {
    if (!m_db) return sqlite3_errstr(m_openResult);
    if (sqlite3_extended_errcode(m_db) == SQLITE_READONLY_ROLLBACK) {
        // SQLite's words ("attempt to write a readonly database") do not tell a reader what to do.
        const std::string dir = std::filesystem::path(m_path).parent_path().string();
        return "a program stopped in the middle of a write and left " + m_path +
               "-journal; nothing can be read until that write is undone, which needs write access to " + dir +
               ": run any vantro-cli command once as a user who may write there (or make it writable)";
    }
    std::string message = sqlite3_errmsg(m_db);
    // SQLite's own words hide what the system said ("unable to open database file" for a missing
    // directory and for a denied one alike); the system's reason is what the user can act on.
    switch (sqlite3_extended_errcode(m_db) & 0xFF) {
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
        case SQLITE_FULL:
        case SQLITE_READONLY:
        case SQLITE_PERM:
            if (const int os = sqlite3_system_errno(m_db)) message += std::string(" (") + std::strerror(os) + ")";
            break;
        case SQLITE_BUSY:
            message += " by another program";
            break;
        default:
            break;
    }
    return message;
}

std::int64_t SqliteConnection::lastInsertRowid() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int SqliteConnection::errorCode() const {
    if (!m_db) return m_openResult;
    return sqlite3_extended_errcode(m_db);
}

}  // namespace vantro
