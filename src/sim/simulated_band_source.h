// SPDX-License-Identifier: MIT
// The simulated bands as a source of the companion's central, and a source of a test's own central.
#pragma once

#include "platform/band_source.h"
#include "platform/run_loop.h"
#include "sim/simulated_central.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantro {

/// What the simulated bands look like.
struct SimulatedBands {
    int count = 2;           // bands at 1.5 m, 8 m, ... from the computer
    bool brisk = false;      // advertise and report more often (the tour and tests)
    std::uint64_t seed = 7;  // the first band's firmware seed; the next ones count up
    int days = 14;
    int nights = 7;
    /// Adjusts each band (0-based index) before it is added: faults, distance, signal.
    std::function<void(SimBandConfig&, int index)> configure;
};

/// The simulated bands with an injectable phone (the tour and tests deliver its events).
class SimulatedBandSource : public BandSource {
public:
    SimulatedBandSource(RunLoop& loop, SimulatedBands bands, std::string whySimulated = {});
    bool simulated() const override { return !m_real; }
    std::shared_ptr<BleCentral> makeCentral() override;
    Telephony& telephony() override { return m_telephony; }
    std::string whySimulated() const override { return m_real ? std::string() : m_why; }
    /// The bands, nearest first (empty before makeCentral).
    std::vector<std::shared_ptr<SimulatedPeripheral>> wristbands() const;
    /// The bands the companion may be talking to: none once a real adapter took over.
    std::vector<std::shared_ptr<SimulatedPeripheral>> simulatedBands() const {
        return m_real ? std::vector<std::shared_ptr<SimulatedPeripheral>>{} : wristbands();
    }
    ScriptedTelephony& scriptedTelephony() { return m_telephony; }
    bool simulateFault(const std::string& what, const std::string& bandId, std::string& message) override;
    /// A real band took over; the simulated bands keep running, unwatched.
    void becameReal() { m_real = true; }

private:
    RunLoop& m_loop;
    SimulatedBands m_bands;
    std::string m_why;
    bool m_real = false;
    ScriptedTelephony m_telephony;
    std::shared_ptr<SimulatedCentral> m_central;
};

/// A central made by the caller (tests: a scripted central), with a scripted phone.
class FixedBandSource : public BandSource {
public:
    FixedBandSource(std::function<std::shared_ptr<BleCentral>()> make, bool simulated)
        : m_make(std::move(make)), m_simulated(simulated) {}
    bool simulated() const override { return m_simulated; }
    std::shared_ptr<BleCentral> makeCentral() override { return m_make ? m_make() : nullptr; }
    Telephony& telephony() override { return m_telephony; }
    ScriptedTelephony& scriptedTelephony() { return m_telephony; }

private:
    std::function<std::shared_ptr<BleCentral>()> m_make;
    bool m_simulated;
    ScriptedTelephony m_telephony;
};

}  // namespace vantro
