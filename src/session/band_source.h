// SPDX-License-Identifier: MIT
// Where the companion's Bluetooth central comes from: a real adapter, the simulated bands, or a test's fake.
#pragma once

#include "platform/ble.h"
#include "platform/run_loop.h"
#include "platform/telephony.h"
#include "sim/simulated_central.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    /// The simulated bands the companion may be talking to, nearest first; none for a real adapter.
    virtual std::vector<std::shared_ptr<SimulatedPeripheral>> simulatedBands() const { return {}; }
    /// Set by the session: called on the run loop when a real adapter became usable.
    std::function<void()> onRealBandUsable;
    /// Set by the session: called on the run loop when the reason of whySimulated() may have changed.
    std::function<void()> onWhySimulatedChanged;
};

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
    std::vector<std::shared_ptr<SimulatedPeripheral>> simulatedBands() const override {
        return m_real ? std::vector<std::shared_ptr<SimulatedPeripheral>>{} : wristbands();
    }
    ScriptedTelephony& scriptedTelephony() { return m_telephony; }

protected:
    void setWhySimulated(std::string key) { m_why = std::move(key); }
    /// A subclass that found a real band says so; the simulated bands keep running, unwatched.
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
