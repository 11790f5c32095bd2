// SPDX-License-Identifier: MIT
// Relays other applications' desktop notifications to the band as a received message.
#pragma once

#include "link/message_buzz_limit.h"
#include "platform/desktop_notification.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

class VantroAppDelegate;

/// Decides which notifications buzz the band (CMD_TYPE_MSGIN) and remembers the apps it has seen.
/// Never relayed: this companion's own, transient and low-urgency ones. "relayNotifications" says
/// off, all, or only the apps switched on ("chosen", the default, with none chosen at first).
class NotificationRelay {
public:
    enum class Mode { Off, All, Chosen };
    struct App {
        std::string id;
        bool chosen = false;
    };
    /// Remembered apps beyond this many are relayed by "all" but not listed.
    static constexpr std::size_t kMaxApps = 200;
    /// Names longer than this are not an app's.
    static constexpr std::size_t kMaxIdBytes = 255;

    /// `ownIds` are the desktop entries and app names this companion posts under.
    NotificationRelay(VantroAppDelegate& app, MessageBuzzLimit& messages, std::vector<std::string> ownIds);

    /// One notification seen on the bus; true when the band was told.
    bool notify(const DesktopNotification& n);

    Mode mode() const;
    /// Every app seen so far, in the order first seen, with its switch.
    std::vector<App> apps() const;
    void setChosen(std::string_view id, bool on);

    /// The monitor cannot watch the bus: said once in the log (unless `logged`: the caller already said
    /// it in a line of its own), and kept for the relay page.
    void setMonitorProblem(std::string why, bool logged = false);
    const std::string& monitorProblem() const { return m_monitorProblem; }

    /// The name an app is listed under: its desktop entry, else its app name; empty
    /// when it has neither or either is not a usable name.
    static std::string appId(const DesktopNotification& n);

private:
    bool isOwn(const DesktopNotification& n, const std::string& id) const;
    void remember(const std::string& id);

    VantroAppDelegate& m_app;
    MessageBuzzLimit& m_messages;
    std::vector<std::string> m_ownIds;
    std::string m_monitorProblem;
};

/// True while the phone's do-not-disturb holds message buzzes back (dropped, not kept for later); the
/// band still buzzes for calls, as the phone still rings for them.
bool messagesHeldByDoNotDisturb(const VantroAppDelegate& app);

/// "a;b;c" as a list, empty parts dropped.
std::vector<std::string> splitAppList(std::string_view text);

}  // namespace vantro
