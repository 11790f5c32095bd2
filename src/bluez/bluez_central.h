// SPDX-License-Identifier: MIT
// The central role on BlueZ through QtBluetooth: scanning, and the peripherals it has seen.
#pragma once

#include "bluez/advertisement_monitor.h"
#include "bluez/mgmt_connection_info.h"
#include "platform/ble.h"
#include "platform/debug_log.h"
#include "platform/run_loop.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
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
    /// `openKernel` gives the management socket for the connected link's signal strength; by default
    /// the kernel's.
    BluezCentral(RunLoop& loop, DebugLog& log, ConnectionRssiReader::Opener openKernel = {});
    ~BluezCentral() override;

    BleCentralState state() const override { return m_state; }
    void setDelegate(BleCentralDelegate* delegate) override { m_delegate = delegate; }
    /// Every advertisement that carries one of `services` is reported (QtBluetooth filters nothing itself);
    /// without duplicates, only the first per peripheral and scan.
    void scanForPeripheralsWithServices(const std::vector<BleUuid>& services, bool allowDuplicates) override;
    void stopScan() override;
    void connectPeripheral(const BlePeripheralPtr& p, bool notifyOnConnection) override;
    void cancelPeripheralConnection(const BlePeripheralPtr& p) override;

    std::string unavailableReason() const override;
    std::string signalSource() const override;
    /// Through bluetoothd's advertisement monitor where the adapter offers one; else nothing is watched.
    void watchForPeripheralsWithServices(const std::vector<BleUuid>& services) override;
    bool watching() const override { return usable() && m_monitor && m_monitor->active(); }

    bool isScanning() const { return m_agent && m_agent->isActive(); }
    /// bluetoothd runs and its adapter is there and powered: only then is a connection attempt made.
    bool usable() const { return !m_adapterPath.isEmpty() && m_powered && m_unavailable.isEmpty(); }

    // For the peripherals.
    RunLoop& runLoop() const { return m_loop; }
    DebugLog& log() const { return m_log; }
    const QBluetoothAddress& adapterAddress() const { return m_adapterAddress; }
    const QString& adapterPath() const { return m_adapterPath; }
    /// Posts `fn` onto the run loop; it is dropped if the central is gone by then.
    void post(std::function<void()> fn);
    void reportConnected(const std::shared_ptr<BluezPeripheral>& p);
    void reportDisconnected(const std::shared_ptr<BluezPeripheral>& p, const BleErrorOpt& error);
    /// The connected link's strength: from the kernel while it lets us ask, else absent and the
    /// peripheral falls back to the advertisements bluetoothd hears (kept coming while connected).
    ConnectionRssiReader::Result readLinkRssi(const QString& address, LeAddressType type);
    bool signalFromAdvertisements() const { return m_signal == Signal::Advertisements; }

private slots:
    void objectsChanged(const QDBusMessage& message);
    void adapterPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&);

private:
    enum class Signal { Unknown, Kernel, Advertisements };
    /// Finds bluetoothd's first adapter again; bluetoothd or the adapter may come and go during a run.
    void attachAdapter();
    void bluetoothdGone();
    void keepDiscoveringWithDuplicates();
    void startAgent();
    void advertisementSeen(const QBluetoothDeviceInfo& info);
    /// The monitor heard a device: its properties are read and it is reported as heard now.
    void monitorFound(const QString& devicePath);
    void report(const QBluetoothDeviceInfo& info, bool heardNow);
    void setState(BleCentralState state);
    /// Every link is over (the adapter went or lost its power), or the adapter is usable again.
    void linksGone();
    void linksBack();
    std::shared_ptr<BluezPeripheral> ownPeripheral(const BlePeripheralPtr& p) const;

    RunLoop& m_loop;
    DebugLog& m_log;
    BleCentralDelegate* m_delegate = nullptr;
    BleCentralState m_state = BleCentralState::Unknown;
    QBluetoothAddress m_adapterAddress;
    QString m_adapterPath;
    bool m_powered = false;
    std::unique_ptr<QBluetoothDeviceDiscoveryAgent> m_agent;
    QString m_unavailable;  // localisation key while there is no adapter to use
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    std::unique_ptr<AdvertisementMonitor> m_monitor;
    bool m_scanWanted = false;
    Signal m_signal = Signal::Unknown;
    ConnectionRssiReader m_kernelRssi;
    std::string m_lastRssiFailure;
    std::vector<BleUuid> m_scanServices;
    bool m_allowDuplicates = false;
    std::set<QString> m_reportedThisScan;
    // One object per device for the whole run, as the platform keeps it: the app compares them by identity.
    std::map<QString, std::shared_ptr<BluezPeripheral>> m_peripherals;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro::bluez
