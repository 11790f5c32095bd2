// SPDX-License-Identifier: MIT
// The "Relay notifications" page: off, all apps or the chosen ones, and a switch for every app seen.
#pragma once

#include "link/notification_relay.h"

#include <string>
#include <vector>

namespace vantro {

class VantroAppDelegate;

/// Every change is stored at once; the relay reads the store for each notification.
class RelayPage {
public:
    RelayPage(VantroAppDelegate& app, NotificationRelay& relay) : m_app(app), m_relay(relay) {}

    std::string title() const;
    /// "Off", "All apps", "Chosen apps", in the order of NotificationRelay::Mode.
    std::vector<std::string> choices() const;
    int selected() const;
    void select(int index);
    std::string summary() const;

    /// Why nothing can be relayed (no session bus, monitoring refused); empty while it can.
    std::string problem() const;
    /// The apps seen so far with their switches; the switches only count with "Chosen apps".
    std::vector<NotificationRelay::App> apps() const { return m_relay.apps(); }
    bool switchesApply() const { return m_relay.mode() == NotificationRelay::Mode::Chosen; }
    void setChosen(const std::string& id, bool on) { m_relay.setChosen(id, on); }
    std::string appsHeader() const;
    /// What "Chosen apps" means: nothing is relayed until an app is switched on.
    std::string chosenHint() const;
    /// How the page stands to the "Message alert" switch, which is for the phone's own text messages.
    std::string messageAlertNote() const;
    /// While the phone's do-not-disturb holds messages back, a line that says so; empty otherwise.
    std::string doNotDisturbNote() const;
    /// Shown instead of the list while no app has posted a notification.
    std::string noAppsText() const;

private:
    VantroAppDelegate& m_app;
    NotificationRelay& m_relay;
};

}  // namespace vantro
