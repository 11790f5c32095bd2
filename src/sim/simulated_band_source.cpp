// SPDX-License-Identifier: MIT
// The simulated bands as a source of the companion's central.
#include "sim/simulated_band_source.h"

#include "platform/local_time.h"

namespace vantro {

SimulatedBandSource::SimulatedBandSource(RunLoop& loop, SimulatedBands bands, std::string whySimulated)
    : m_loop(loop), m_bands(bands), m_why(std::move(whySimulated)) {}

std::shared_ptr<BleCentral> SimulatedBandSource::makeCentral() {
    SimOptions sim;
    if (m_bands.brisk) {
        sim.advertisementInterval = 0.25;
        sim.currentDataInterval = 1.0;
    }
    m_central = std::make_shared<SimulatedCentral>(m_loop, sim);
    const CalendarDate today = toLocal(m_loop.wallNow()).date();
    for (int i = 0; i < m_bands.count; ++i) {
        SimBandConfig band;
        band.distance = i == 0 ? 1.5 : 8.0 * i;
        band.advertisementRssi = simRssiAtDistance(band.distance);
        band.firmware.seed = m_bands.seed + static_cast<std::uint64_t>(i);
        band.firmware.today = today;
        band.firmware.days = m_bands.days;
        band.firmware.nights = m_bands.nights;
        if (m_bands.configure) m_bands.configure(band, i);
        m_central->addWristband(band);
    }
    return m_central;
}

bool SimulatedBandSource::simulateFault(const std::string& what, const std::string& bandId, std::string& message) {
    const auto bands = simulatedBands();
    if (bands.empty()) return BandSource::simulateFault(what, bandId, message);
    std::shared_ptr<SimulatedPeripheral> band = bands.front();
    for (const auto& b : bands) {
        if (b->identifier() == bandId) band = b;
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
    return true;
}

std::vector<std::shared_ptr<SimulatedPeripheral>> SimulatedBandSource::wristbands() const {
    return m_central ? m_central->wristbands() : std::vector<std::shared_ptr<SimulatedPeripheral>>{};
}

}  // namespace vantro
