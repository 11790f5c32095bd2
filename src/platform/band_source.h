// SPDX-License-Identifier: MIT
// Port: where the companion's Bluetooth central, telephony and desktop notifications come from.
#pragma once

#include "platform/ble.h"
#include "platform/desktop_notification.h"
#include "platform/telephony.h"

#include <functional>
#include <memory>
#include <string>

namespace vantro {

/// The chooser's answer for one run: the central to start with, whether it is the simulated band, and the
/// telephony that goes with it. A source that started simulated may later offer a real central.
class BandSource {
public:
    virtual ~BandSource() = default;
    virtual bool simulated() const = 0;
    /// Called once, when the link is built.
    virtual std::shared_ptr<BleCentral> makeCentral() = 0;
    /// The phone's events for the relay; the source keeps it for the whole run.
    virtual Telephony& telephony() = 0;
    /// Localisation key of why the simulated band stands in ("SimulatedNoAdapter"); empty when it was
    /// asked for by name or a real band is used.
    virtual std::string whySimulated() const { return {}; }
    /// The real central, once `onRealBandUsable` has been called; the source then counts as real.
    virtual std::shared_ptr<BleCentral> takeRealCentral() { return nullptr; }
    /// Set by the session: called on the run loop when a real adapter became usable.
    std::function<void()> onRealBandUsable;
    /// Set by the session: called on the run loop when the reason of whySimulated() may have changed.
    std::function<void()> onWhySimulatedChanged;
    /// Moves a simulated band: "away" (out of reach), "near" (back) or "drop" (its link breaks in reach);
    /// `bandId` names the band (else the nearest). False with the reason when there is none to move.
    virtual bool simulateFault(const std::string& what, const std::string& bandId, std::string& message) {
        (void)what;
        (void)bandId;
        message = "the companion talks to a real band; only the simulated band can be moved";
        return false;
    }
    /// Other applications' desktop notifications, for the relay; absent where the platform has none.
    virtual DesktopNotificationSource* desktopNotifications() { return nullptr; }
};

}  // namespace vantro
