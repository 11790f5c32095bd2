// SPDX-License-Identifier: MIT
// Whether the band's answers to a sync have all been stored, and when the last sync finished.
#include "app/sync_progress.h"

#include "app/vantro_app_delegate.h"
#include "platform/local_time.h"
#include "platform/strprintf.h"
#include "platform/setting_keys.h"

namespace vantro {
namespace {

// The translated texts carry the number as "%1", so each language places it where it belongs.
std::string withNumber(std::string text, long long n) {
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, std::to_string(n));
    return text;
}

}  // namespace

SyncProgress::~SyncProgress() {
    stopTimer();
}

void SyncProgress::begin() {
    m_running = true;
    m_sawDay = false;
    m_lastBegin = m_app.runLoop().now();
    armTimer(kNoAnswerSeconds, false);
}

void SyncProgress::dayStored() {
    // Day reports nobody asked for in this run (a sync another program started) are answers all the same.
    m_running = true;
    m_sawDay = true;
    m_lastDayAt = m_app.runLoop().wallNow();
    armTimer(kSettleSeconds, true);
}

void SyncProgress::noMoreDays() {
    if (!m_sawDay) m_lastDayAt = m_app.runLoop().wallNow();
    complete();
}

void SyncProgress::linkLost() {
    if (!m_running) return;
    stopTimer();
    m_running = false;
    m_app.setStrTransmitStatus(m_app.localized("SyncInterrupted"));
    m_app.log().warning("sync not finished: the link dropped before the band's last day was stored");
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
    stopTimer();
    m_running = false;
    m_lastCompletedBegin = m_lastBegin.value_or(m_app.runLoop().now());
    m_sawDay = false;
    const Instant at = m_lastDayAt.value_or(m_app.runLoop().wallNow());
    const std::string when = formatDateTime(toLocal(at));
    m_app.setStrTransmitStatus(strprintf("%s %s", m_app.localized("SyncComplete").c_str(), when.c_str()));
    m_app.settings().setDate(kLastSyncTime, at);
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
        m_running = false;
        m_app.setStrTransmitStatus(m_app.localized("SyncInterrupted"));
        m_app.log().warning("sync not finished: the band sent no day in time");
    });
}

}  // namespace vantro
