// SPDX-License-Identifier: MIT
// Stores the band's records in the order they came, without holding up the main thread for another program.
#include "store/record_writer.h"

#include "platform/strprintf.h"
#include "store/sqlite_data.h"

#include <utility>

namespace vantro {

RecordWriter::~RecordWriter() {
    if (m_timer) m_loop.cancel(m_timer);
    // Whoever waited for these is going away with this object: one last try each, and a line for each lost.
    for (auto& record : m_queue) record.done = nullptr;
    while (!m_queue.empty()) tryFirst(true);
}

void RecordWriter::write(std::shared_ptr<sqlite_data> db, Attempt attempt, Done done) {
    if (!db || !attempt) {
        if (done) done(false);
        return;
    }
    m_queue.push_back(Record{std::move(db), std::move(attempt), std::move(done), m_loop.now()});
    if (m_queue.size() > 1) return;
    if (!tryFirst(false)) schedule(kRetrySeconds);
}

bool RecordWriter::tryFirst(bool lastTry) {
    Record& record = m_queue.front();
    sqlite_data& db = *record.db;
    db.giveWayWhenHeld(true);
    const bool stored = record.attempt(db);
    db.giveWayWhenHeld(false);
    const bool held = !stored && db.lastWriteHeld();
    const double waited = m_loop.now() - record.queuedAt;
    if (held && !lastTry && waited < kHeldSeconds) {
        if (!m_held) {
            m_log.warning(strprintf("%s is held by another program: the band's records wait for it (up to %.0f s)",
                                    db.m_dataFilePath().c_str(), kHeldSeconds));
        }
        m_held = true;
        return false;
    }
    if (held) db.reportLastFailure();
    if (stored && m_held) m_log.log(strprintf("the database is free again after %.1f s", waited));
    m_held = held;
    Record done = std::move(record);
    m_queue.pop_front();
    if (done.done) done.done(stored);
    return true;
}

void RecordWriter::drain() {
    m_timer = 0;
    if (m_queue.empty()) return;
    // One write per turn: a queue that frees at once does not hold up the turns in between.
    schedule(tryFirst(false) ? 0 : kRetrySeconds);
}

void RecordWriter::schedule(double seconds) {
    if (m_timer) m_loop.cancel(m_timer);
    m_timer = 0;
    if (m_queue.empty()) return;
    m_timer = seconds > 0 ? m_loop.after(seconds, [this] { drain(); }) : m_loop.post([this] { drain(); });
}

}  // namespace vantro
