// SPDX-License-Identifier: MIT
// One sync, from the request to its last stored day: its checks, time limits, counts, waiters and last time.
#pragma once

#include "app/companion.h"
#include "app/companion_state.h"
#include "platform/run_loop.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantro {

class VantroAppDelegate;

/// Follows one sync from the request to its last stored day: the one rule for when a sync is complete.
/// The band marks no end of its answers: a sync counts as complete once the day reports have stopped
/// for kSettleSeconds (or the band said it has no days) and every record it sent is stored or given up,
/// so a link that drops before then leaves the sync visibly unfinished. A sync some of whose records could not be
/// stored ends as failed, with how many, and does not count as the last sync. Reports that arrive while no sync runs
/// are stored by the report handling and change nothing here.
class SyncProgress {
public:
    using Done = Companion::Done;

    /// The day reports of one sync come back to back; a pause this long means the last one is stored.
    static constexpr double kSettleSeconds = 2.0;
    /// A sync whose band sends no day at all within this time is given up as unfinished.
    static constexpr double kNoAnswerSeconds = 60.0;
    /// The longest a sync may run, however slowly its days come.
    static constexpr double kLimitSeconds = 600.0;

    explicit SyncProgress(VantroAppDelegate& app) : m_app(app) {}
    ~SyncProgress();
    SyncProgress(const SyncProgress&) = delete;
    SyncProgress& operator=(const SyncProgress&) = delete;

    /// A sync was asked for: `done` hears how it ends. A new one shows "SyncStarting" until its batch
    /// goes out; asked while one is under way, `done` waits for that one. Returns whether it is a new one.
    bool ask(Done done);
    /// The batch has been issued; the status says "Syncing".
    void begin();
    /// A day report came and its record is on its way to the database, which may have to wait for another
    /// program; the sync does not count as complete before it is stored or given up (recordStored with the
    /// ticket returned here). More may follow.
    int dayCame();
    /// A night report came, like dayCame.
    int nightCame();
    /// The record of `ticket` is done: `stored` is false when the database refused a record it should have
    /// kept (a report without a real date is not one of those: it is neither stored nor a failure). A
    /// record of an earlier sync, or of none, changes nothing here.
    void recordStored(int ticket, bool day, bool stored);
    /// A day report came and was handled at once.
    void dayStored(bool stored = true) { recordStored(dayCame(), true, stored); }
    /// A night report came and was handled at once.
    void nightStored(bool stored = true) { recordStored(nightCame(), false, stored); }
    /// A day report without a date: the band has no days, so nothing more follows.
    void noMoreDays();
    /// The link to the band went down; after the band's last day it changes nothing.
    void linkLost();
    /// The sync cannot go on (the machine sleeps, the band changed, its time ran out): it ends interrupted
    /// with what it stored kept, and its waiters hear `why`.
    void interrupt(const std::string& why);
    /// The batch could not be sent: `problemKey` says why ("SyncNoCommands").
    void refused(const std::string& problemKey);

    /// From the request until its last day is stored, the link drops or the band stays silent.
    bool running() const { return m_running; }
    /// Run-loop seconds of the last batch, absent before the first.
    std::optional<double> lastBegin() const { return m_lastBegin; }
    /// Run-loop seconds of the batch of the last sync that completed: one cut short does not count.
    std::optional<double> lastCompletedBegin() const { return m_lastCompletedBegin; }
    /// Wall-clock time the last sync completed: this run's, or the one stored from an earlier run.
    std::optional<Instant> lastComplete() const;
    /// "Synced 10 min ago" and its kin for the time of the last complete sync, at `now`.
    std::string lastSyncText(Instant now) const;

    /// Told whenever a sync ends (complete, interrupted or failed), after its waiters; the state says which.
    std::function<void()> onEnded;

private:
    void start(bool starting);
    void complete();
    /// The band has sent all it will: complete now, or once the last record waiting for the database is done.
    void settle();
    /// Ends the sync as `state`, telling its waiters `message`; `lastSync` is set for one that completed.
    void end(SyncState state, const std::string& problem, const std::string& message,
             std::optional<Instant> lastSync = std::nullopt);
    void stopTimers();
    void armTimer(double seconds, bool settle);

    VantroAppDelegate& m_app;
    bool m_running = false;
    bool m_sawDay = false;
    int m_days = 0;
    int m_nights = 0;
    int m_failed = 0;
    /// Which sync this is, for the tickets of its records.
    int m_serial = 0;
    /// Records of this sync not yet stored or given up.
    int m_waiting = 0;
    /// The band is done; the sync waits only for `m_waiting`.
    bool m_settled = false;
    std::vector<Done> m_waiters;
    std::optional<double> m_lastBegin;
    std::optional<double> m_lastCompletedBegin;
    std::optional<Instant> m_lastDayAt;
    TimerId m_timer = 0;
    TimerId m_limit = 0;
};

}  // namespace vantro
