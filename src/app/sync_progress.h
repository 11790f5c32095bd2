// SPDX-License-Identifier: MIT
// Whether the band's answers to a sync have all been stored, and when the last sync finished.
#pragma once

#include "app/companion_state.h"
#include "platform/run_loop.h"

#include <functional>
#include <optional>
#include <string>

namespace vantro {

class VantroAppDelegate;

/// Follows one sync from the batch to its last stored day: the one rule for when a sync is complete.
/// The band marks no end of its answers: a sync counts as complete once the day reports have stopped
/// for kSettleSeconds (or the band said it has no days), so a link that drops before then leaves the
/// sync visibly unfinished. A sync some of whose records could not be stored ends as failed, with how
/// many, and does not count as the last sync.
class SyncProgress {
public:
    /// The day reports of one sync come back to back; a pause this long means the last one is stored.
    static constexpr double kSettleSeconds = 2.0;
    /// A sync whose band sends no day at all within this time is given up as unfinished.
    static constexpr double kNoAnswerSeconds = 60.0;

    explicit SyncProgress(VantroAppDelegate& app) : m_app(app) {}
    ~SyncProgress();
    SyncProgress(const SyncProgress&) = delete;
    SyncProgress& operator=(const SyncProgress&) = delete;

    /// The batch has been issued; the status says "Syncing".
    void begin();
    /// A day report was handled: `stored` is false when the database refused a record it should have kept
    /// (a report without a real date is not one of those: it is neither stored nor a failure). More may follow.
    void dayStored(bool stored = true);
    /// A night report was handled, like dayStored.
    void nightStored(bool stored = true);
    /// A day report without a date: the band has no days, so nothing more follows.
    void noMoreDays();
    /// The link to the band went down.
    void linkLost();
    /// The sync is given up (its time ran out, the band changed): it ends interrupted, and nobody is told.
    void abandon();
    /// The batch could not be sent: `problemKey` says why ("SyncNoCommands").
    void refused(const std::string& problemKey);

    /// From the batch until its last day is stored, the link drops or the band stays silent.
    bool running() const { return m_running; }
    /// Run-loop seconds of the last batch, absent before the first.
    std::optional<double> lastBegin() const { return m_lastBegin; }
    /// Run-loop seconds of the batch of the last sync that completed: one cut short does not count.
    std::optional<double> lastCompletedBegin() const { return m_lastCompletedBegin; }
    /// Wall-clock time the last sync completed: this run's, or the one stored from an earlier run.
    std::optional<Instant> lastComplete() const;
    /// "Synced 10 min ago" and its kin for the time of the last complete sync, at `now`.
    std::string lastSyncText(Instant now) const;

    /// Told whenever a sync ends (complete, interrupted or failed); the state says which.
    std::function<void()> onEnded;

private:
    void complete();
    void end(SyncState state);
    void stopTimer();
    void armTimer(double seconds, bool settle);

    VantroAppDelegate& m_app;
    bool m_running = false;
    bool m_sawDay = false;
    std::optional<double> m_lastBegin;
    std::optional<double> m_lastCompletedBegin;
    std::optional<Instant> m_lastDayAt;
    TimerId m_timer = 0;
};

}  // namespace vantro
