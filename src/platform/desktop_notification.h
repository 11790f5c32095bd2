// SPDX-License-Identifier: MIT
// One notification another application posted on the desktop, as far as the relay needs it.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vantro {

/// Its summary and body never get this far: nothing of what it says is kept.
struct DesktopNotification {
    std::string appName;           // as the app gave it
    std::string desktopEntry;      // the "desktop-entry" hint, empty when absent
    std::optional<int> urgency;    // 0 low, 1 normal, 2 critical
    bool transient = false;        // the "transient" hint
    bool fromThisProcess = false;  // posted on this process's own bus connection
};

/// Port: the desktop's notifications as they are posted (the Qt D-Bus monitor, a test's script).
class DesktopNotificationSource {
public:
    using Seen = std::function<void(const DesktopNotification&)>;
    virtual ~DesktopNotificationSource() = default;
    /// Starts watching; `seen` hears each notification on the run loop's thread. Empty when it watches;
    /// otherwise why it cannot, in a few words.
    virtual std::string start(Seen seen) = 0;
    /// Stops watching; `seen` is not called any more.
    virtual void stop() = 0;
    /// The reason start() gave was already said in a log line of its own (no session bus at all).
    virtual bool problemLogged() const { return false; }
};

}  // namespace vantro
