// SPDX-License-Identifier: MIT
// The companion's two unattended duties put together: automatic sync, and desktop notifications on the band.
#pragma once

#include "bluez/desktop_notification_monitor.h"
#include "link/message_buzz_limit.h"
#include "link/notification_relay.h"
#include "platform/telephony.h"
#include "session/session.h"
#include "settings/auto_sync.h"

#include <memory>
#include <string>

namespace vantro {
class VantroAppDelegate;
class VantroViewController;
}  // namespace vantro

namespace vantro::bluez {

/// An add-on of the running companion, living as long as its delegate and today controller.
class SyncAndRelay : public SessionAddOn {
public:
    /// The desktop entries and app names the companion's own notifications carry.
    static std::vector<std::string> ownAppIds();

    /// `messages` is the buzz limit the modem's messages go through too.
    SyncAndRelay(VantroAppDelegate& app, MessageBuzzLimit& messages);
    ~SyncAndRelay() override;
    SyncAndRelay(const SyncAndRelay&) = delete;
    SyncAndRelay& operator=(const SyncAndRelay&) = delete;

    /// Syncs when `today`'s band connects; `today` must outlive this or be detached first.
    void attach(VantroViewController& today);
    void detach();
    /// Watches the session bus for other apps' notifications; a bus that is missing or refuses is said
    /// once in the log and kept for the relay page.
    void watchDesktop();

    AutoSync& autoSync() { return m_autoSync; }
    NotificationRelay& relay() { return m_relay; }

private:
    VantroAppDelegate& m_app;
    VantroViewController* m_today = nullptr;
    NotificationRelay m_relay;
    AutoSync m_autoSync;
    std::unique_ptr<DesktopNotificationMonitor> m_monitor;
};

}  // namespace vantro::bluez
