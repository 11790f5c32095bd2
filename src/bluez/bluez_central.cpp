// SPDX-License-Identifier: MIT
// The central role on BlueZ through QtBluetooth: scanning, and the peripherals it has seen.
#include "bluez/bluez_central.h"

#include "bluez/bluez_dbus.h"
#include "bluez/bluez_peripheral.h"
#include "platform/strprintf.h"

#include <QDBusConnection>

#include <algorithm>

namespace vantro::bluez {
namespace {

std::optional<std::string> advertisedName(const QBluetoothDeviceInfo& info) {
    // bluetoothd shows the address with dashes as the alias of a device that advertised no name.
    const QString name = info.name();
    if (name.isEmpty() || name == info.address().toString().replace(QLatin1Char(':'), QLatin1Char('-'))) {
        return std::nullopt;
    }
    return name.toStdString();
}

}  // namespace

BluezCentral::BluezCentral(RunLoop& loop, DebugLog& log) : m_loop(loop), m_log(log) {
    useDbusGattBackend();
    const auto objects = managedObjects(QDBusConnection::systemBus(), kBluezService, QStringLiteral("/"), 1500);
    if (objects) m_adapterPath = firstAdapterPath(*objects);
    if (m_adapterPath.isEmpty()) {
        m_log.log(objects ? "BlueZ has no Bluetooth adapter" : "BlueZ is not running on the system bus");
        setState(BleCentralState::Unsupported);
        return;
    }
    const QVariantMap adapter = objects->value(QDBusObjectPath(m_adapterPath)).value(kAdapterInterface);
    m_adapterAddress = QBluetoothAddress(adapter.value(QStringLiteral("Address")).toString());
    m_local = std::make_unique<QBluetoothLocalDevice>(m_adapterAddress);
    connect(m_local.get(), &QBluetoothLocalDevice::hostModeStateChanged, this,
            [this](QBluetoothLocalDevice::HostMode mode) {
                setState(mode == QBluetoothLocalDevice::HostPoweredOff ? BleCentralState::PoweredOff
                                                                       : BleCentralState::PoweredOn);
            });
    setState(m_local->hostMode() == QBluetoothLocalDevice::HostPoweredOff ? BleCentralState::PoweredOff
                                                                          : BleCentralState::PoweredOn);
}

BluezCentral::~BluezCentral() {
    if (m_agent) m_agent->stop();
}

void BluezCentral::post(std::function<void()> fn) {
    std::weak_ptr<int> alive = m_alive;
    m_loop.post([alive, fn = std::move(fn)] {
        if (alive.lock()) fn();
    });
}

void BluezCentral::setState(BleCentralState state) {
    // The state changes when the app hears of it, so state() agrees with the callback being delivered.
    post([this, state] {
        m_state = state;
        if (m_delegate) m_delegate->centralManagerDidUpdateState(*this);
    });
}

void BluezCentral::scanForPeripheralsWithServices(const std::vector<BleUuid>& services, bool allowDuplicates) {
    m_scanServices = services;
    m_allowDuplicates = allowDuplicates;
    m_reportedThisScan.clear();
    if (m_adapterPath.isEmpty()) {
        m_log.log("BlueZ cannot scan without an adapter");
        return;
    }
    if (!m_agent) {
        m_agent = std::make_unique<QBluetoothDeviceDiscoveryAgent>(m_adapterAddress);
        // The app scans for the whole run; QtBluetooth would stop after 40 s by default.
        m_agent->setLowEnergyDiscoveryTimeout(0);
        // Without a time-out QtBluetooth reports every advertisement bluetoothd passes on as a discovery
        // (deviceUpdated repeats the same ones), which is what a scan with duplicates wants.
        connect(m_agent.get(), &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
                [this](const QBluetoothDeviceInfo& info) { advertisementSeen(info); });
        connect(m_agent.get(), &QBluetoothDeviceDiscoveryAgent::errorOccurred, this,
                [this](QBluetoothDeviceDiscoveryAgent::Error) {
                    m_log.log(strprintf("BlueZ scan failed: %s", m_agent->errorString().toStdString().c_str()));
                });
        connect(m_agent.get(), &QBluetoothDeviceDiscoveryAgent::finished, this,
                [this] { m_log.log("BlueZ scan ended"); });
    }
    if (!m_agent->isActive()) m_agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
}

void BluezCentral::stopScan() {
    if (m_agent && m_agent->isActive()) m_agent->stop();
}

void BluezCentral::advertisementSeen(const QBluetoothDeviceInfo& info) {
    if (!(info.coreConfigurations() & QBluetoothDeviceInfo::LowEnergyCoreConfiguration)) return;
    if (!m_scanServices.empty()) {
        const QList<QBluetoothUuid> advertised = info.serviceUuids();
        const bool wanted = std::any_of(m_scanServices.begin(), m_scanServices.end(),
                                        [&](const BleUuid& s) { return advertised.contains(toQtUuid(s)); });
        if (!wanted) return;
    }
    const QString address = info.address().toString();
    auto& peripheral = m_peripherals[address];
    if (!peripheral) peripheral = std::make_shared<BluezPeripheral>(shared_from_this(), info);
    peripheral->advertised(info);
    if (!m_allowDuplicates && !m_reportedThisScan.insert(address).second) return;

    const double rssi = info.rssi();
    post([this, p = peripheral, name = advertisedName(info), rssi] {
        p->setName(name);
        if (m_delegate) m_delegate->didDiscoverPeripheral(*this, p, rssi);
    });
}

std::shared_ptr<BluezPeripheral> BluezCentral::ownPeripheral(const BlePeripheralPtr& p) const {
    auto own = std::dynamic_pointer_cast<BluezPeripheral>(p);
    if (!own || m_peripherals.count(own->address()) == 0 || m_peripherals.at(own->address()) != own) {
        m_log.log("BlueZ was given a peripheral it did not discover");
        return nullptr;
    }
    return own;
}

void BluezCentral::connectPeripheral(const BlePeripheralPtr& p, bool /*notifyOnConnection*/) {
    if (auto own = ownPeripheral(p)) own->requestConnection();
}

void BluezCentral::cancelPeripheralConnection(const BlePeripheralPtr& p) {
    if (auto own = ownPeripheral(p)) own->cancelConnection();
}

void BluezCentral::reportConnected(const std::shared_ptr<BluezPeripheral>& p) {
    if (m_delegate) m_delegate->didConnectPeripheral(*this, p);
}

void BluezCentral::reportDisconnected(const std::shared_ptr<BluezPeripheral>& p, const BleErrorOpt& error) {
    if (m_delegate) m_delegate->didDisconnectPeripheral(*this, p, error);
}

}  // namespace vantro::bluez
