// SPDX-License-Identifier: MIT
// One notification another application posted on the desktop, as far as the relay needs it.
#pragma once

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

}  // namespace vantro
