// SPDX-License-Identifier: MIT
// Syncs the chosen band on its own: when it connects, then every few hours while it stays connected.
#pragma once

#include "app/companion.h"
#include "platform/run_loop.h"

#include <cstdint>
#include <optional>

namespace vantro {

class VantroAppDelegate;

/// Runs the whole settings sync (clock included) without a tap, through the companion's sync verb, on the
/// run loop's clock. Never starts one while another runs, nor within kMinGapSeconds of the last one,
/// whoever started that and in whichever run (the last sync time is kept in the settings).
class AutoSync {
public:
    static constexpr double kMinGapSeconds = 5 * 60;

    AutoSync(VantroAppDelegate& app, Companion& companion) : m_app(app), m_companion(companion) {}
    ~AutoSync();
    AutoSync(const AutoSync&) = delete;
    AutoSync& operator=(const AutoSync&) = delete;

    /// The band connected or reconnected and takes commands: sync now, then every interval.
    void bandReady();
    /// The link went down: nothing more until the band is back.
    void bandLost();
    /// "autoSyncHours" may have changed: plan the next sync anew.
    void settingChanged();
    /// The machine woke from sleep: sync now when the interval passed meanwhile.
    void woke();

    /// The interval in hours, 0 when off; an absent or unknown value counts as the default.
    std::int64_t hours() const;
    /// Run-loop seconds of the next planned sync, absent when none is planned.
    std::optional<double> nextAt() const { return m_timer ? std::optional<double>(m_nextAt) : std::nullopt; }

private:
    void tick();
    void start();
    /// Run-loop seconds of the last sync begun or completed, this run or an earlier one.
    std::optional<double> lastSyncAt() const;
    void planAt(double at);
    void stop();

    VantroAppDelegate& m_app;
    Companion& m_companion;
    bool m_ready = false;
    TimerId m_timer = 0;
    double m_nextAt = 0;
};

}  // namespace vantro
