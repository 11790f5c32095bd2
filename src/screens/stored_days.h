// SPDX-License-Identifier: MIT
// The stored days kept in memory, read again only when the database file has changed.
#pragma once

#include "platform/file_stamp.h"
#include "screens/history_range.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantro {

class sqlite_data;

/// Lists the days once and answers from memory until the database file changes: a sync storing a
/// day, an import or a reset, by this program or another one. The file's identity, size, modification
/// time and the change counter SQLite keeps in its header tell; the counter catches two writes within
/// one tick of the file clock, and a write whose time stamp was put back.
class StoredDays {
public:
    /// Brings the days up to date with `db`; true when they were read again. A null database, a
    /// failed or empty listing leave nothing remembered, so the next call reads again.
    bool refresh(sqlite_data* db);
    /// Forgets the listing: the next refresh reads.
    void invalidate() { m_seen.reset(); }

    const HistoryPeriods& periods() const { return m_periods; }
    /// The record count of the last listing.
    std::int32_t count() const { return m_count; }

    /// The database file's stamp and SQLite's count of committed writes, which changes even when a write
    /// leaves the size and the time stamp as they were.
    struct Stamp {
        FileStamp file;
        std::uint32_t changeCounter = 0;
        bool operator==(const Stamp& o) const { return file == o.file && changeCounter == o.changeCounter; }
    };
    static Stamp stampOf(const std::string& path);

private:
    HistoryPeriods m_periods;
    std::int32_t m_count = 0;
    const sqlite_data* m_db = nullptr;
    std::optional<Stamp> m_seen;
};

}  // namespace vantro
