// SPDX-License-Identifier: MIT
// Syncs the chosen band on its own: when it connects, then every few hours while it stays connected.
#include "settings/auto_sync.h"

#include "app/vantro_app_delegate.h"
#include "settings/settings_keys.h"

#include <algorithm>
#include <chrono>

namespace vantro {
namespace {

// A sync that finds one running waits this long before it looks again.
constexpr double kBusyRetrySeconds = 30;

}  // namespace

AutoSync::~AutoSync() {
    stop();
}

std::int64_t AutoSync::hours() const {
    const KeyValueStore& s = m_app.settings();
    if (!s.stringForKey(kAutoSyncHours)) return kAutoSyncHoursDefault;
    const std::int64_t h = s.integerForKey(kAutoSyncHours);
    const SettingKey* key = findSettingKey(kAutoSyncHours);
    return key && isSettingChoice(*key, std::to_string(h)) ? h : kAutoSyncHoursDefault;
}

void AutoSync::bandReady() {
    m_ready = true;
    if (hours() == 0) return;
    tick();
}

void AutoSync::bandLost() {
    m_ready = false;
    stop();
}

void AutoSync::settingChanged() {
    stop();
    if (!m_ready || hours() == 0) return;
    const double interval = static_cast<double>(hours()) * 3600;
    const auto last = lastSyncAt();
    planAt(last ? *last + interval : m_app.runLoop().now());
}

std::optional<double> AutoSync::lastSyncAt() const {
    // A sync cut short (the link dropped, the machine slept) is no last sync.
    std::optional<double> at = m_app.syncProgress().lastCompletedBegin();
    if (const auto done = m_app.syncProgress().lastComplete()) {
        // The wall clock of the last completed sync, on the run loop's clock.
        const double ago = std::chrono::duration<double>(m_app.runLoop().wallNow() - *done).count();
        const double doneAt = m_app.runLoop().now() - ago;
        if (!at || doneAt > *at) at = doneAt;
    }
    return at;
}

void AutoSync::tick() {
    stop();
    m_app.settings().refresh();
    if (!m_ready || hours() == 0) return;
    const double now = m_app.runLoop().now();
    const double interval = static_cast<double>(hours()) * 3600;
    if (m_app.syncProgress().running()) {
        planAt(now + kBusyRetrySeconds);
        return;
    }
    // The last sync begun here was cut short: it is taken up at once, whatever the last complete one.
    const SyncProgress& progress = m_app.syncProgress();
    const bool cut = progress.lastBegin() &&
                     (!progress.lastCompletedBegin() || *progress.lastBegin() > *progress.lastCompletedBegin());
    if (cut) m_app.log().log("the last sync was cut short; taking it up again");
    if (const auto last = lastSyncAt(); !cut && last && now - *last < kMinGapSeconds) {
        planAt(*last + std::max(interval, kMinGapSeconds));
        return;
    }
    start();
}

void AutoSync::start() {
    m_app.log().log("automatic sync");
    m_companion.sync(nullptr);
    planAt(m_app.runLoop().now() + static_cast<double>(hours()) * 3600);
}

void AutoSync::woke() {
    if (!m_ready || hours() == 0) return;
    // The run loop's clock stood still while the machine slept; the wall clock says what is due.
    const auto last = m_app.syncProgress().lastComplete();
    const double interval = static_cast<double>(hours()) * 3600;
    const double since = last ? std::chrono::duration<double>(m_app.runLoop().wallNow() - *last).count() : interval;
    if (since >= interval && !m_app.syncProgress().running()) {
        start();
    } else if (since >= interval) {
        tick();
    } else {
        planAt(m_app.runLoop().now() + interval - since);
    }
}

void AutoSync::planAt(double at) {
    stop();
    m_nextAt = at;
    m_timer = m_app.runLoop().after(std::max(0.0, at - m_app.runLoop().now()), [this] {
        m_timer = 0;
        tick();
    });
}

void AutoSync::stop() {
    if (m_timer) m_app.runLoop().cancel(m_timer);
    m_timer = 0;
}

}  // namespace vantro
