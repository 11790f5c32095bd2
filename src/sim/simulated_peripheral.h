// SPDX-License-Identifier: MIT
// One simulated wristband as the central sees it: GATT answers, notifications, signal strength, faults.
#pragma once

#include "platform/ble.h"
#include "platform/run_loop.h"
#include "sim/sim_options.h"
#include "sim/wristband_firmware.h"

#include <memory>

namespace vantro {

class SimulatedCentral;

/// A wristband in the simulated radio. Answers arrive on the run loop in the order a real link keeps:
/// each GATT answer and each notification takes its turn on the air, one after the other.
/// Everything queued for a connection is dropped when that connection ends.
class SimulatedPeripheral : public BlePeripheral, public std::enable_shared_from_this<SimulatedPeripheral> {
public:
    SimulatedPeripheral(RunLoop& loop, SimBandConfig config, SimOptions options);
    ~SimulatedPeripheral() override;
    SimulatedPeripheral(const SimulatedPeripheral&) = delete;
    SimulatedPeripheral& operator=(const SimulatedPeripheral&) = delete;

    std::string identifier() const override { return m_config.identifier; }
    /// Made from the identifier's last twelve digits, so each simulated band has its own.
    std::string bluetoothAddress() const override;
    std::optional<std::string> name() const override { return m_config.name; }
    bool isConnected() const override { return m_connected; }
    std::optional<double> rssi() const override { return m_rssi; }
    std::optional<double> heardAt() const override { return m_heardAt; }
    void setDelegate(BlePeripheralDelegate* delegate) override { m_delegate = delegate; }
    const std::vector<BleServicePtr>& services() const override { return m_services; }

    void discoverServices(const std::vector<BleUuid>& filter) override;
    void discoverCharacteristics(const std::vector<BleUuid>& filter, const BleServicePtr& service) override;
    void setNotifyValue(bool enabled, const BleCharacteristicPtr& c) override;
    void readValueForCharacteristic(const BleCharacteristicPtr& c) override;
    void writeValue(const Bytes& value, const BleCharacteristicPtr& c, BleWriteType type) override;
    void readRSSI() override;

    WristbandFirmware& firmware() { return m_firmware; }
    const WristbandFirmware& firmware() const { return m_firmware; }
    double advertisementRssi() const { return m_config.advertisementRssi; }

    // Scripted situations.
    /// Moves the band; leaving reach ends the link, coming back completes a pending connection request.
    void setDistance(double metres);
    double distance() const { return m_distance; }
    bool inRange() const { return m_distance <= kSimRange; }
    void walkOutOfRange() { setDistance(kSimRange * 1.5); }
    void comeBack(double metres = 2.0) { setDistance(metres); }
    /// The link breaks while the band stays in reach.
    void dropLink();
    /// The band's emergency button: it notifies 0D 0E.
    void pressEmergencyButton();
    /// Notifies any bytes at all, as the band's next report.
    void notifyValue(const Bytes& value);
    /// The band turns every subscription request down.
    void setRefuseNotifications(bool refuse) { m_refuseNotifications = refuse; }
    /// Service discovery finds only the device information service, not the wristband service.
    void setHideWristbandService(bool hide) { m_hideWristbandService = hide; }

    /// Notifications queued on the current connection and not yet delivered.
    std::size_t pendingNotifications() const { return m_inFlight; }
    /// Reports the band could not send: no connection or no subscription.
    int droppedNotifications() const { return m_dropped; }
    bool connectionPending() const { return m_connectPending; }

private:
    friend class SimulatedCentral;

    void start(SimulatedCentral* central);
    void linkUp();
    void linkDown();
    /// Runs fn after `cost` more seconds of air time, unless the connection has ended by then.
    void onAir(double cost, std::function<void(SimulatedPeripheral&)> fn);
    void queueNotification(Bytes value);
    bool isOwn(const BleCharacteristicPtr& c) const;

    RunLoop& m_loop;
    SimBandConfig m_config;
    SimOptions m_options;
    WristbandFirmware m_firmware;
    SimulatedCentral* m_central = nullptr;
    BlePeripheralDelegate* m_delegate = nullptr;

    double m_distance;
    bool m_connected = false;
    bool m_connectPending = false;
    bool m_refuseNotifications = false;
    bool m_hideWristbandService = false;
    std::optional<double> m_rssi;
    std::optional<double> m_heardAt;  // the central's last hearing of an advertisement
    std::vector<BleServicePtr> m_services;
    BleCharacteristicPtr m_reportCharacteristic;
    BleCharacteristicPtr m_commandCharacteristic;

    std::uint64_t m_generation = 0;  // one per connection; stale answers are dropped
    double m_airFreeAt = 0;
    std::size_t m_inFlight = 0;
    int m_dropped = 0;
    TimerId m_pushTimer = 0;
};

}  // namespace vantro
