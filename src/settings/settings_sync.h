// SPDX-License-Identifier: MIT
// The settings sync: every stored setting and the clock sent to the band, then its data requested.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

namespace vantro {

class VantroAppDelegate;

/// Issues the fourteen-command batch, or one setting's command, through the app delegate's send entry point.
class SettingsSync {
public:
    explicit SettingsSync(VantroAppDelegate& app) : m_app(app) {}
    /// Sets the transfer status to "Syncing" and sends date, time, height, weight, display time, alarm,
    /// find-me, version request, wish, present, sitting and medicine reminders, sleep and day requests.
    /// False when nothing was sent (settings that cannot be used, a band that takes no commands).
    bool SyncData();
    /// Sends the stored value of `key` with its own command; false when the band does not take the key or
    /// no band takes commands now.
    bool applySetting(std::string_view key);
    /// 1 while a batch is being issued.
    std::atomic<std::int32_t> m_sync_status{0};

private:
    VantroAppDelegate& m_app;
};

}  // namespace vantro
