// SPDX-License-Identifier: MIT
// One sync, from the request to its last stored day: its checks, time limits, counts, waiters and last time.
#include "app/sync_progress.h"

#include "app/vantro_app_delegate.h"
#include "platform/local_time.h"
#include "platform/setting_keys.h"
#include "platform/strprintf.h"
#include "store/sqlite_data.h"

#include <utility>

namespace vantro {

SyncProgress::~SyncProgress() {
    stopTimers();
}

bool SyncProgress::ask(Done done) {
    m_waiters.push_back(std::move(done));
    if (m_running) return false;
    start(true);
    return true;
}

void SyncProgress::start(bool starting) {
    m_running = true;
    m_sawDay = false;
    m_days = m_nights = m_failed = m_waiting = 0;
    m_settled = false;
    ++m_serial;
    m_app.tell(SyncBegan{starting});
    // Whatever happens to the batch and the band, the waiters hear within the limit.
    m_limit = m_app.runLoop().after(kLimitSeconds, [this] {
        m_limit = 0;
        interrupt(strprintf("the band did not finish its sync within %.0f s", kLimitSeconds));
    });
}

void SyncProgress::begin() {
    // A batch nobody asked this object for (a driver of its own) is a sync all the same.
    if (!m_running) start(false);
    m_lastBegin = m_app.runLoop().now();
    m_app.tell(SyncBegan{false});
    armTimer(kNoAnswerSeconds, false);
}

int SyncProgress::dayCame() {
    // A report no sync asked for (another program asked the band) is stored, and ends no sync.
    if (!m_running) return 0;
    m_sawDay = true;
    m_lastDayAt = m_app.runLoop().wallNow();
    ++m_waiting;
    armTimer(kSettleSeconds, true);
    return m_serial;
}

int SyncProgress::nightCame() {
    if (!m_running) return 0;
    ++m_waiting;
    return m_serial;
}

void SyncProgress::recordStored(int ticket, bool day, bool stored) {
    if (!m_running || ticket != m_serial) return;
    --m_waiting;
    stored ? ++(day ? m_days : m_nights) : ++m_failed;
    m_app.tell(RecordHandled{day, stored});
    if (m_settled && m_waiting == 0) complete();
}

void SyncProgress::noMoreDays() {
    if (!m_running) return;
    if (!m_sawDay) m_lastDayAt = m_app.runLoop().wallNow();
    settle();
}

void SyncProgress::settle() {
    if (m_waiting == 0) {
        complete();
        return;
    }
    if (!m_settled) m_app.log().log(strprintf("sync: the band is done; %d records wait for the database", m_waiting));
    m_settled = true;
    // Only the records are awaited now: the band's silence is no longer a sign of a dropped sync.
    if (m_timer) m_app.runLoop().cancel(m_timer);
    m_timer = 0;
}

void SyncProgress::linkLost() {
    // Once the band is done, its records are here and only the database is awaited: the link is not needed.
    if (!m_running || m_settled) return;
    m_app.log().warning("sync not finished: the link dropped before the band's last day was stored");
    end(SyncState::Interrupted, {}, "the band's link ended during the sync");
}

void SyncProgress::interrupt(const std::string& why) {
    if (!m_running) return;
    m_app.log().log("sync interrupted: " + why);
    end(SyncState::Interrupted, {}, why);
}

void SyncProgress::refused(const std::string& problemKey) {
    if (!m_running) start(false);
    const std::string why = problemKey == "SyncNoCommands"
                                ? "the band takes no commands"
                                : "the settings cannot be used: " + m_app.settings().unavailableReason();
    end(SyncState::Failed, problemKey, why);
}

std::optional<Instant> SyncProgress::lastComplete() const {
    return m_app.state().lastSync;
}

std::string SyncProgress::lastSyncText(Instant now) const {
    const auto last = lastComplete();
    if (!last) return m_app.localized("NeverSynced");
    const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(now - *last).count();
    if (minutes < 1) return m_app.localized("SyncedJustNow");
    if (minutes < 60) return withNumber(m_app.localized("SyncedMinutesAgo"), minutes);
    if (minutes < 48 * 60) return withNumber(m_app.localized("SyncedHoursAgo"), minutes / 60);
    return withNumber(m_app.localized("SyncedDaysAgo"), minutes / (24 * 60));
}

void SyncProgress::complete() {
    m_sawDay = false;
    m_settled = false;
    if (m_failed > 0) {
        // Records the band sent are missing: this is not a sync to count from.
        m_app.log().warning(strprintf("sync failed: %d of the band's records could not be stored", m_failed));
        const std::string why = m_app.m_db ? m_app.m_db->firstFailure() : std::string();
        end(SyncState::Failed, {},
            strprintf("%d of the band's records could not be stored", m_failed) + (why.empty() ? "" : ": " + why));
        return;
    }
    const Instant at = m_lastDayAt.value_or(m_app.runLoop().wallNow());
    m_lastCompletedBegin = m_lastBegin.value_or(m_app.runLoop().now());
    m_app.settings().setDate(kLastSyncTime, at);
    end(SyncState::Complete, {}, strprintf("%d days and %d nights stored", m_days, m_nights), at);
}

void SyncProgress::end(SyncState state, const std::string& problem, const std::string& message,
                       std::optional<Instant> lastSync) {
    stopTimers();
    m_running = false;
    m_app.tell(SyncEnded{state, lastSync, problem});
    const bool ok = state == SyncState::Complete;
    for (auto& done : std::exchange(m_waiters, {})) {
        if (done) done(ok, message);
    }
    if (onEnded) onEnded();
}

void SyncProgress::stopTimers() {
    if (m_timer) m_app.runLoop().cancel(m_timer);
    if (m_limit) m_app.runLoop().cancel(m_limit);
    m_timer = m_limit = 0;
}

void SyncProgress::armTimer(double seconds, bool settle) {
    if (m_timer) m_app.runLoop().cancel(m_timer);
    m_timer = m_app.runLoop().after(seconds, [this, settle] {
        m_timer = 0;
        if (settle) {
            this->settle();
            return;
        }
        m_app.log().warning("sync not finished: the band sent no day in time");
        end(SyncState::Interrupted, {}, "the band stopped answering before the sync finished");
    });
}

}  // namespace vantro
