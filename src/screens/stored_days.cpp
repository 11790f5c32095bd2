// SPDX-License-Identifier: MIT
// The stored days kept in memory, read again only when the database file has changed.
#include "screens/stored_days.h"

#include "store/sqlite_data.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantro {

StoredDays::Stamp StoredDays::stampOf(const std::string& path) {
    Stamp s;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return s;
    struct stat st {};
    if (fstat(fd, &st) == 0) {
        s.file = FileStamp::of(st);
        // The status change time moves on a chmod and when a time stamp is put back; a committed write
        // shows in the counter below, an edit by another tool in the size or the modification time.
        s.file.statusChanged = {};
        // Bytes 24 to 27 of an SQLite file: big-endian, counted up by every committed write.
        unsigned char counter[4] = {};
        if (pread(fd, counter, sizeof counter, 24) == static_cast<ssize_t>(sizeof counter))
            s.changeCounter = std::uint32_t{counter[0]} << 24 | std::uint32_t{counter[1]} << 16 |
                              std::uint32_t{counter[2]} << 8 | counter[3];
    }
    close(fd);
    return s;
}

bool StoredDays::refresh(sqlite_data* db) {
    // Stamped before the listing: a write in between makes the next call read again, never the reverse.
    const Stamp now = db ? stampOf(db->m_dataFilePath()) : Stamp{};
    if (db && db == m_db && m_seen && *m_seen == now) return false;
    std::vector<sportsData> days;
    const int count = db ? db->databaseToArray(days) : 0;
    days.resize(static_cast<std::size_t>(std::clamp<int>(count, 0, static_cast<int>(days.size()))));
    m_count = static_cast<std::int32_t>(days.size());
    m_periods = HistoryPeriods(days);
    m_db = db;
    if (count > 0 && now.file.exists)
        m_seen = now;
    else
        m_seen.reset();
    return true;
}

}  // namespace vantro
