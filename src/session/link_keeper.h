// SPDX-License-Identifier: MIT
// Keeps the companion on its chosen band through a phone's day: back after every loss, quiet on the
// radio, aware of the machine's sleep.
#pragma once

#include "app/vantro_app_delegate.h"
#include "link/radio_policy.h"
#include "link/vantro_view_controller.h"
#include "platform/sleep_watch.h"

#include <optional>
#include <string>

namespace vantro {

class Session;

/// The band is connected and its reports are subscribed to: the link is of use.
bool reportsSubscribed(const VantroAppDelegate& app);

/// The reconnect policy. After any loss the user did not ask for (the band walked away or rebooted,
/// the link dropped, bluetoothd or the adapter went, the machine slept) the chosen band is connected
/// again as soon as it is seen, with find-me on or off. A band the user disconnected stays so until a
/// connection is asked for. A band that is seen but will not take a link or its notifications is tried
/// again after a pause that doubles each time, up to kMaxPauseSeconds. It alone asks for links and
/// decides when the radio scans (its radio policy), with find-me on and off: with find-me on the lost
/// band's request is made again at once (the screens say "ReConnecting"). While the machine sleeps
/// nothing scans or connects, and no sync holds the machine awake.
class LinkKeeper {
public:
    LinkKeeper(Session& session, SleepWatch* sleep);
    ~LinkKeeper();
    LinkKeeper(const LinkKeeper&) = delete;
    LinkKeeper& operator=(const LinkKeeper&) = delete;

    void linkEvent(VantroViewController::LinkEvent event, const BlePeripheralPtr& p);
    /// The user ended the link or forgot the band: no reconnection until asked.
    void userDisconnected();
    /// The user asked for a link: the hold is over.
    void userConnected();
    /// The radio watchers changed (picker, today screen) or the central was replaced.
    void radioChanged() { m_radio.update(); }
    void centralReplaced();

    bool holding() const { return m_held; }
    bool suspended() const { return m_suspended; }
    bool armed() const { return m_armed; }
    /// Seconds until a refusing band is tried again; 0 when it may be tried now.
    double pause() const;
    RadioPolicy& radio() { return m_radio; }

    static constexpr double kFirstPauseSeconds = 2;
    static constexpr double kMaxPauseSeconds = 60;
    /// Links lost in a row before the band's reports were subscribed to that count as a refusal.
    static constexpr int kLossesBeforeRefusal = 3;
    /// A sync keeps the machine awake while it runs; this often it is checked whether it still runs.
    static constexpr double kSleepHoldCheckSeconds = 1;

private:
    bool findMeOn() const;
    std::string chosenBand() const;
    void sawBand(const BlePeripheralPtr& p);
    void lost(const BlePeripheralPtr& p);
    /// A loss before the band's reports were subscribed to counts as a refusal when the app closed the
    /// link itself (the band would not serve it), or when it keeps happening.
    bool refused(bool error) const;
    void prepareForSleep(bool sleeping);
    void renewPendingRequest();
    void updateSleepHold();

    Session& m_session;
    VantroAppDelegate& m_app;
    SleepWatch* m_sleep;
    RadioPolicy m_radio;
    bool m_armed = true;  // connect to the chosen band when it is seen (at start, after a loss)
    bool m_held = false;  // the user disconnected it or forgot it: the one "do not call back"
    bool m_suspended = false;
    bool m_ready = false;  // the current link reached the band's reports
    bool m_wasPoweredOn = false;
    int m_refusals = 0;
    int m_unreadyLosses = 0;  // links lost in a row before they were of use
    double m_notBefore = 0;
    std::optional<double> m_lostAt;  // when the chosen band's last link was lost
    TimerId m_holdCheck = 0;
    TimerId m_pauseTimer = 0;
};

}  // namespace vantro
