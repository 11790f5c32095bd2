// SPDX-License-Identifier: MIT
// When the companion keeps the radio discovering: never idly while its band is connected.
#pragma once

#include "app/vantro_app_delegate.h"
#include "platform/run_loop.h"

#include <optional>

namespace vantro {

/// Decides when the central scans. While the picker is open: always. While a band is connected: only
/// when its signal can be had from advertisements alone and someone watches it (find-me, the today
/// screen). While no band is connected: at full duty for kFullDutySeconds after the loss, then for
/// kWindowSeconds out of every kPeriodSeconds, so a band that never comes back costs little radio time.
/// While no band is connected the central also watches passively for the band's service where it can;
/// once that watch is in place the windows are left out, since the watch reports the band the moment
/// it is heard.
class RadioPolicy {
public:
    explicit RadioPolicy(VantroAppDelegate& app);
    ~RadioPolicy();
    RadioPolicy(const RadioPolicy&) = delete;
    RadioPolicy& operator=(const RadioPolicy&) = delete;

    /// The central reported a new state; on power-on it is scanning already (the today controller asks).
    void centralStateChanged();
    /// Looks again after anything that may change the answer (link, settings, watchers).
    void update();
    /// The machine sleeps: no scan until it wakes (update() takes it up again).
    void setSuspended(bool suspended);
    /// Starts the full-duty search again (the machine woke, Bluetooth came back).
    void searchNow();

    bool scanning() const { return m_scanning; }
    bool wanted() const;

    static constexpr double kFullDutySeconds = 300;
    /// The full-duty stretch in use: kFullDutySeconds, or VANTRO_FULL_DUTY_SECONDS where a test of the
    /// long absence shortens it.
    double fullDutySeconds() const { return m_fullDutySeconds; }
    static constexpr double kWindowSeconds = 10;
    static constexpr double kPeriodSeconds = 60;

private:
    bool usable() const;
    void schedule(double seconds);

    VantroAppDelegate& m_app;
    bool m_scanning = false;
    bool m_suspended = false;
    std::optional<double> m_awaySince;
    double m_fullDutySeconds = kFullDutySeconds;
    TimerId m_timer = 0;
};

}  // namespace vantro
