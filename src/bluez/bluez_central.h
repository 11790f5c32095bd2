// SPDX-License-Identifier: MIT
// The central role on BlueZ through QtBluetooth: scanning, and the peripherals it has seen.
#pragma once

#include "platform/ble.h"
#include "platform/debug_log.h"
#include "platform/run_loop.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QBluetoothLocalDevice>
#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace vantro::bluez {

class BluezPeripheral;

/// BleCentral on the first BlueZ adapter; every delegate call is posted onto the run loop in the order
/// QtBluetooth reported it.
class BluezCentral : public QObject, public BleCentral, public std::enable_shared_from_this<BluezCentral> {
    Q_OBJECT
public:
    BluezCentral(RunLoop& loop, DebugLog& log);
    ~BluezCentral() override;

    BleCentralState state() const override { return m_state; }
    void setDelegate(BleCentralDelegate* delegate) override { m_delegate = delegate; }
    /// Every advertisement that carries one of `services` is reported (QtBluetooth filters nothing itself);
    /// without duplicates, only the first per peripheral and scan.
    void scanForPeripheralsWithServices(const std::vector<BleUuid>& services, bool allowDuplicates) override;
    void stopScan() override;
    void connectPeripheral(const BlePeripheralPtr& p, bool notifyOnConnection) override;
    void cancelPeripheralConnection(const BlePeripheralPtr& p) override;

    bool isScanning() const { return m_agent && m_agent->isActive(); }

    // For the peripherals.
    RunLoop& runLoop() const { return m_loop; }
    DebugLog& log() const { return m_log; }
    const QBluetoothAddress& adapterAddress() const { return m_adapterAddress; }
    const QString& adapterPath() const { return m_adapterPath; }
    /// Posts `fn` onto the run loop; it is dropped if the central is gone by then.
    void post(std::function<void()> fn);
    void reportConnected(const std::shared_ptr<BluezPeripheral>& p);
    void reportDisconnected(const std::shared_ptr<BluezPeripheral>& p, const BleErrorOpt& error);

private:
    void advertisementSeen(const QBluetoothDeviceInfo& info);
    void setState(BleCentralState state);
    std::shared_ptr<BluezPeripheral> ownPeripheral(const BlePeripheralPtr& p) const;

    RunLoop& m_loop;
    DebugLog& m_log;
    BleCentralDelegate* m_delegate = nullptr;
    BleCentralState m_state = BleCentralState::Unknown;
    QBluetoothAddress m_adapterAddress;
    QString m_adapterPath;
    std::unique_ptr<QBluetoothLocalDevice> m_local;
    std::unique_ptr<QBluetoothDeviceDiscoveryAgent> m_agent;
    std::vector<BleUuid> m_scanServices;
    bool m_allowDuplicates = false;
    std::set<QString> m_reportedThisScan;
    // One object per device for the whole run, as the platform keeps it: the app compares them by identity.
    std::map<QString, std::shared_ptr<BluezPeripheral>> m_peripherals;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro::bluez
