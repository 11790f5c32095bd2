// SPDX-License-Identifier: MIT
// The companion's verbs: the one way screens, add-ons, the bus and the command line reach the band.
#pragma once

#include "app/companion_state.h"

#include <functional>
#include <string>
#include <string_view>

namespace vantro {

/// Implemented by the session; the screens reach it through their app delegate.
class Companion {
public:
    virtual ~Companion() = default;

    /// A verb that cannot start says so at once; one asked while the same work runs joins it.
    enum class Outcome { Started, NotConnected };
    using Done = std::function<void(bool ok, const std::string& message)>;

    /// What the companion knows now.
    virtual CompanionState state() const = 0;
    /// Connects to the band with `identifier` (its 36-character identifier or its Bluetooth address), or
    /// the nearest one seen when it is empty, and makes it the chosen band; waits up to `timeout` seconds
    /// for it to be seen. `done` hears once the band accepts notifications, or why not.
    virtual Outcome connect(const std::string& identifier, Done done, double timeout = 30) = 0;
    /// Ends the link to the band (it is not called back); a running sync ends unfinished.
    virtual Outcome disconnect() = 0;
    /// Sends the settings and asks for the band's records; `done` hears once they are stored or the sync
    /// ended otherwise. While a sync runs, `done` waits for that one.
    virtual Outcome sync(Done done) = 0;
    /// Sends the stored value of one setting to a connected band (nothing for keys the band does not take).
    virtual bool applySetting(std::string_view key) = 0;
    /// Stores find-me on or off and tells the band.
    virtual void setFindMe(bool on) = 0;
    /// Tells the band to reset itself and erases the stored records; false when the records stay.
    virtual bool factoryReset() = 0;
    /// Clears the chosen band: the companion no longer connects to it by itself.
    virtual void forgetBand() = 0;
    /// The pull-to-refresh of the picker: lets the band go and scans anew.
    virtual void rescan() = 0;
};

}  // namespace vantro
