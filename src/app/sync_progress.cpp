// SPDX-License-Identifier: MIT
// Whether the band's answers to a sync have all been stored, and when the last sync finished.
#include "app/sync_progress.h"

#include "app/vantro_app_delegate.h"
#include "platform/local_time.h"
#include "platform/setting_keys.h"
#include "platform/strprintf.h"

namespace vantro {

SyncProgress::~SyncProgress() {
    stopTimer();
}

void SyncProgress::begin() {
    m_running = true;
    m_sawDay = false;
    m_lastBegin = m_app.runLoop().now();
    CompanionState& s = m_app.state;
    s.daysStored = s.nightsStored = s.failedWrites = 0;
    s.syncProblem.clear();
    m_app.setSyncState(SyncState::Running);
    armTimer(kNoAnswerSeconds, false);
}

void SyncProgress::dayStored(bool stored) {
    // Day reports nobody asked for in this run (a sync another program started) are answers all the same.
    if (!m_running) {
        m_running = true;
        CompanionState& s = m_app.state;
        s.daysStored = s.nightsStored = s.failedWrites = 0;
        s.syncProblem.clear();
        // The transfer text keeps what it said until this sync ends: nobody here asked for it.
        s.sync = SyncState::Running;
    }
    m_sawDay = true;
    m_lastDayAt = m_app.runLoop().wallNow();
    if (stored) {
        ++m_app.state.daysStored;
    } else {
        ++m_app.state.failedWrites;
    }
    armTimer(kSettleSeconds, true);
}

void SyncProgress::nightStored(bool stored) {
    if (stored) {
        ++m_app.state.nightsStored;
    } else {
        ++m_app.state.failedWrites;
    }
}

void SyncProgress::noMoreDays() {
    if (!m_sawDay) m_lastDayAt = m_app.runLoop().wallNow();
    complete();
}

void SyncProgress::linkLost() {
    if (!m_running) return;
    m_app.log().warning("sync not finished: the link dropped before the band's last day was stored");
    end(SyncState::Interrupted);
}

void SyncProgress::abandon() {
    if (!m_running) return;
    stopTimer();
    m_running = false;
    m_app.setSyncState(SyncState::Interrupted);
}

void SyncProgress::refused(const std::string& problemKey) {
    m_app.state.syncProblem = problemKey;
    end(SyncState::Failed);
}

std::optional<Instant> SyncProgress::lastComplete() const {
    return m_app.settings().dateForKey(kLastSyncTime);
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
    const int failed = m_app.state.failedWrites;
    if (failed > 0) {
        // Records the band sent are missing: this is not a sync to count from.
        m_app.log().warning(strprintf("sync failed: %d of the band's records could not be stored", failed));
        end(SyncState::Failed);
        return;
    }
    const Instant at = m_lastDayAt.value_or(m_app.runLoop().wallNow());
    m_lastCompletedBegin = m_lastBegin.value_or(m_app.runLoop().now());
    m_app.state.lastSync = at;
    m_app.settings().setDate(kLastSyncTime, at);
    end(SyncState::Complete);
}

void SyncProgress::end(SyncState state) {
    stopTimer();
    m_running = false;
    m_app.setSyncState(state);
    if (onEnded) onEnded();
}

void SyncProgress::stopTimer() {
    if (m_timer) m_app.runLoop().cancel(m_timer);
    m_timer = 0;
}

void SyncProgress::armTimer(double seconds, bool settle) {
    stopTimer();
    m_timer = m_app.runLoop().after(seconds, [this, settle] {
        m_timer = 0;
        if (settle) {
            complete();
            return;
        }
        m_app.log().warning("sync not finished: the band sent no day in time");
        end(SyncState::Interrupted);
    });
}

}  // namespace vantro
