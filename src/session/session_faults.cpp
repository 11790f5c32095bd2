// SPDX-License-Identifier: MIT
// Faults of the simulated band on demand, so the alarms and the reconnection can be seen without hardware.
#include "session/session.h"

namespace vantro {

bool Session::simulateFault(const std::string& what, std::string& message) {
    // The band in use, else the chosen one, else the nearest.
    const std::string wanted = m_app->peripheral ? m_app->peripheral->identifier() : chosenBand();
    if (!m_source.simulateFault(what, wanted, message)) return false;
    m_ports.log.log("simulated fault: " + message);
    return true;
}

}  // namespace vantro
