// SPDX-License-Identifier: MIT
// Stores the band's records in the order they came, without holding up the main thread for another program.
#pragma once

#include "platform/debug_log.h"
#include "platform/run_loop.h"

#include <deque>
#include <functional>
#include <memory>

namespace vantro {

class sqlite_data;

/// Writes records one after another. A write that finds the file held by another program (an open
/// transaction in a database browser, a long import) gives way at once and waits on the run loop, and so
/// does every record after it, so a later record of a date still wins; each is tried again every
/// kRetrySeconds, one per turn, until it is stored or has waited kHeldSeconds. Any other failure
/// is final at once, as before.
class RecordWriter {
public:
    /// One try at a write on `db`; false when nothing was stored.
    using Attempt = std::function<bool(sqlite_data& db)>;
    /// Told once per record, when it is stored (true) or given up (false).
    using Done = std::function<void(bool stored)>;

    static constexpr double kRetrySeconds = 0.25;
    /// The longest a record waits for the file before it counts as not stored.
    static constexpr double kHeldSeconds = 60.0;

    RecordWriter(RunLoop& loop, DebugLog& log) : m_loop(loop), m_log(log) {}
    /// Records still waiting are tried once more, without waiting, and reported when they fail again.
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    /// Writes at once when nothing waits (`done` hears before this returns), else queues behind the rest.
    void write(std::shared_ptr<sqlite_data> db, Attempt attempt, Done done);
    /// Records not yet stored or given up.
    std::size_t waiting() const { return m_queue.size(); }

private:
    struct Record {
        std::shared_ptr<sqlite_data> db;
        Attempt attempt;
        Done done;
        double queuedAt = 0;
    };
    /// Tries the first record; false when the file is still held and it keeps waiting.
    bool tryFirst(bool lastTry);
    void drain();
    void schedule(double seconds);

    RunLoop& m_loop;
    DebugLog& m_log;
    std::deque<Record> m_queue;
    TimerId m_timer = 0;
    /// The last try found the file held: said once, until a record gets through.
    bool m_held = false;
};

}  // namespace vantro
