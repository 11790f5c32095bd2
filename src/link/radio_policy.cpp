// SPDX-License-Identifier: MIT
// When the companion keeps the radio discovering: never idly while its band is connected.
#include "link/radio_policy.h"

#include "protocol/codes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vantro {

RadioPolicy::RadioPolicy(VantroAppDelegate& app) : m_app(app) {
    if (const char* text = std::getenv("VANTRO_FULL_DUTY_SECONDS")) {
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (end != text && *end == '\0' && seconds > 0 && seconds <= kFullDutySeconds) m_fullDutySeconds = seconds;
    }
}

RadioPolicy::~RadioPolicy() {
    if (m_timer) m_app.runLoop().cancel(m_timer);
}

bool RadioPolicy::usable() const {
    return m_app.manager && m_app.manager->state() == BleCentralState::PoweredOn && !m_suspended;
}

void RadioPolicy::centralStateChanged() {
    // The today controller starts a scan whenever the central reports power-on.
    m_scanning = m_app.manager && m_app.manager->state() == BleCentralState::PoweredOn;
    if (!m_scanning) searchNow();
    update();
}

void RadioPolicy::setSuspended(bool suspended) {
    m_suspended = suspended;
    if (!suspended) searchNow();
    update();
}

void RadioPolicy::searchNow() {
    m_awaySince.reset();
}

bool RadioPolicy::wanted() const {
    if (!usable()) return false;
    if (m_app.pickerOpen()) return true;
    if (m_app.isConnected()) {
        return m_app.signalWatched() && m_app.manager->signalSource() == "SignalFromAdvertisements";
    }
    const double away = m_awaySince ? m_app.runLoop().now() - *m_awaySince : 0;
    if (away < m_fullDutySeconds) return true;
    if (m_app.manager->watching()) return false;
    return std::fmod(away - m_fullDutySeconds, kPeriodSeconds) < kWindowSeconds;
}

void RadioPolicy::update() {
    if (m_timer) m_app.runLoop().cancel(m_timer);
    m_timer = 0;
    const double now = m_app.runLoop().now();
    const bool searching = usable() && !m_app.isConnected() && !m_app.pickerOpen();
    if (!searching) {
        if (m_app.isConnected()) m_awaySince.reset();
    } else if (!m_awaySince) {
        m_awaySince = now;
    }
    // The passive watch runs while the band is away; a connected band needs none.
    if (m_app.manager && (searching || m_app.isConnected())) {
        std::vector<BleUuid> services;
        if (searching) services.push_back(BleUuid::fromString(kWristbandServiceUuid));
        m_app.manager->watchForPeripheralsWithServices(services);
    }
    const bool want = wanted();
    const bool poweredOn = m_app.manager && m_app.manager->state() == BleCentralState::PoweredOn;
    if (want && !m_scanning) {
        m_app.startScanning();
    } else if (!want && m_scanning && poweredOn) {
        // Also when the machine is about to sleep: a scan left on would go on through the suspend.
        m_app.stopScanning();
    }
    m_scanning = want;
    if (!searching) return;
    // The next edge of the search: the end of the full-duty stretch, then each window's start and end.
    const double away = now - *m_awaySince;
    double next = 0;
    if (away < m_fullDutySeconds) {
        next = m_fullDutySeconds - away;
    } else {
        const double phase = std::fmod(away - m_fullDutySeconds, kPeriodSeconds);
        next = phase < kWindowSeconds ? kWindowSeconds - phase : kPeriodSeconds - phase;
    }
    schedule(next);
}

void RadioPolicy::schedule(double seconds) {
    m_timer = m_app.runLoop().after(std::max(seconds, 0.01), [this] {
        m_timer = 0;
        update();
    });
}

}  // namespace vantro
