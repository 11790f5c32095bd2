// SPDX-License-Identifier: MIT
// The simulated Bluetooth central: the built-in stand-in wherever no Bluetooth is available.
#pragma once

#include "platform/ble.h"
#include "platform/run_loop.h"
#include "sim/sim_options.h"
#include "sim/simulated_peripheral.h"

#include <memory>
#include <set>
#include <vector>

namespace vantro {

/// A central that finds and connects simulated wristbands, delivering every callback on the run loop.
class SimulatedCentral : public BleCentral {
public:
    explicit SimulatedCentral(RunLoop& loop, SimOptions options = {});
    ~SimulatedCentral() override;
    SimulatedCentral(const SimulatedCentral&) = delete;
    SimulatedCentral& operator=(const SimulatedCentral&) = delete;

    /// Adds a band; an empty identifier gets the next stable simulated one.
    std::shared_ptr<SimulatedPeripheral> addWristband(SimBandConfig config);
    const std::vector<std::shared_ptr<SimulatedPeripheral>>& wristbands() const { return m_bands; }

    /// Bluetooth switched off, reset, on again...: links end without callbacks, scanning stops,
    /// and the delegate hears of the new state.
    void setState(BleCentralState state);
    bool isScanning() const { return m_scanning; }
    int scanRequests() const { return m_scanRequests; }
    int connectRequests() const { return m_connectRequests; }
    /// Like bluetoothd with its device cache: each scan starts by listing the bands heard before with the
    /// reading they had then, in reach or not.
    void setRemembersBands(bool remembers) { m_remembersBands = remembers; }

    BleCentralState state() const override { return m_state; }
    /// The delegate hears the current state on a later turn.
    void setDelegate(BleCentralDelegate* delegate) override;
    void scanForPeripheralsWithServices(const std::vector<BleUuid>& services, bool allowDuplicates) override;
    void stopScan() override;
    void connectPeripheral(const BlePeripheralPtr& p, bool notifyOnConnection) override;
    void cancelPeripheralConnection(const BlePeripheralPtr& p) override;

private:
    friend class SimulatedPeripheral;

    std::shared_ptr<SimulatedPeripheral> find(const BlePeripheralPtr& p) const;
    void advertise();
    void reportRemembered();
    void scheduleConnection(const std::shared_ptr<SimulatedPeripheral>& band);
    void postDisconnection(const std::shared_ptr<SimulatedPeripheral>& band, BleErrorOpt error);
    // Called by a band.
    void linkLost(SimulatedPeripheral& band);
    void cameInReach(SimulatedPeripheral& band);

    RunLoop& m_loop;
    SimOptions m_options;
    BleCentralDelegate* m_delegate = nullptr;
    BleCentralState m_state = BleCentralState::Unknown;
    bool m_powerUpPending = true;  // the first state report takes the configured initial state
    std::vector<std::shared_ptr<SimulatedPeripheral>> m_bands;

    bool m_scanning = false;
    bool m_allowDuplicates = false;
    std::vector<BleUuid> m_scanFilter;
    std::set<std::string> m_reported;  // bands already reported when duplicates are not wanted
    int m_scanRequests = 0;
    int m_connectRequests = 0;
    bool m_remembersBands = false;
    TimerId m_advertTimer = 0;
    // Turns scheduled before the central was destroyed check this before touching it.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro
