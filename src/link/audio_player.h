// SPDX-License-Identifier: MIT
// The out-of-range alarm: a sound played once with one repeat, and a local notification.
#pragma once

#include "platform/debug_log.h"
#include "platform/localizer.h"
#include "platform/services.h"

#include <optional>

namespace vantro {

/// The one alarm object of the process. Raising sounds the alarm only on the first low reading of an
/// episode; clearing stops the sound. Its ports are handed in by the shell (or a test) through `configure`.
class Audio_player {
public:
    struct Ports {
        SoundPlayer* sound = nullptr;
        Notifier* notifier = nullptr;
        DebugLog* log = nullptr;
        /// The notification's text in the user's language; without one the key itself is shown.
        const Localizer* localizer = nullptr;
    };

    /// The localisation key of the notification's text.
    static constexpr const char* kOutOfRangeKey = "OutOfRangeAlarm";

    /// Sets the ports the shared instance works with; an instance that already exists takes them at once.
    static void configure(Ports ports);
    /// Made on first use: alarm not active, alert enabled.
    static Audio_player& sharedInstance();
    /// Forgets the shared instance, its ports and both flags, so each test starts from a fresh process.
    static void resetSharedInstance();

    void setAlert();
    void clearAlert();
    void startPlayingAlarmSound();
    /// Stops a sound that is playing and withdraws the notification (and its dialog): both clearing and
    /// switching find-me off end what the user is shown. The alarm stays active.
    void stopPlayingAlarmSound();
    void showOutOfRangeDialog();
    /// Withdraws the notification of the last raise, from the desktop and as a dialog; nothing when
    /// none is out.
    void withdrawOutOfRangeDialog();

    /// The alert-enabled flag: kept for callers, consulted by nothing here.
    static void turnOnAlert(bool on);
    static bool isOnAlert();
    /// True from a raise until the next clear.
    static bool isAlarmActive();

    /// The loaded alarm sound, or null when it could not be loaded.
    SoundPlayer* player() const;

    Audio_player(const Audio_player&) = delete;
    Audio_player& operator=(const Audio_player&) = delete;

private:
    explicit Audio_player(Ports ports) : m_ports(ports) {}
    void log(const std::string& line) const;

    Ports m_ports;
    std::optional<LocalNotification> m_shown;  // presented and not yet withdrawn
};

}  // namespace vantro
