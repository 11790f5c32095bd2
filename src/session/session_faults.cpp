// SPDX-License-Identifier: MIT
// Faults of the simulated band on demand, so the alarms and the reconnection can be seen without hardware.
#include "session/session.h"

#include "sim/simulated_band_source.h"

namespace vantro {

bool Session::simulateFault(const std::string& what, std::string& message) {
    const auto* simulated = dynamic_cast<const SimulatedBandSource*>(&m_source);
    const auto bands = simulated ? simulated->simulatedBands() : std::vector<std::shared_ptr<SimulatedPeripheral>>{};
    if (bands.empty()) {
        message = "the companion talks to a real band; only the simulated band can be moved";
        return false;
    }
    // The band in use, else the chosen one, else the nearest.
    std::string wanted = m_app->peripheral ? m_app->peripheral->identifier() : chosenBand();
    std::shared_ptr<SimulatedPeripheral> band = bands.front();
    for (const auto& b : bands) {
        if (b->identifier() == wanted) band = b;
    }
    if (what == "away") {
        band->walkOutOfRange();
        message = "the simulated band " + band->identifier() + " is out of reach";
    } else if (what == "near") {
        band->comeBack();
        message = "the simulated band " + band->identifier() + " is back in reach";
    } else if (what == "drop") {
        if (!band->isConnected()) {
            message = "the simulated band " + band->identifier() + " has no link to drop";
            return false;
        }
        band->dropLink();
        message = "the link to the simulated band " + band->identifier() + " dropped";
    } else {
        message = "unknown fault '" + what + "' (away, near or drop)";
        return false;
    }
    m_ports.log.log("simulated fault: " + message);
    return true;
}

}  // namespace vantro
