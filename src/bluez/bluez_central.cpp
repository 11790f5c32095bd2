// SPDX-License-Identifier: MIT
// The central role on BlueZ through QtBluetooth: scanning, and the peripherals it has seen.
#include "bluez/bluez_central.h"

#include "bluez/bluez_dbus.h"
#include "bluez/bluez_uuid.h"
#include "bluez/bluez_peripheral.h"
#include "platform/strprintf.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

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

BluezCentral::BluezCentral(RunLoop& loop, DebugLog& log, ConnectionRssiReader::Opener openKernel)
    : m_loop(loop), m_log(log), m_kernelRssi(openKernel ? std::move(openKernel) : [](std::string* error) {
          return FdMgmtTransport::openKernel(error);
      }) {
    useDbusGattBackend();
    registerDbusTypes();
    m_monitor = std::make_unique<AdvertisementMonitor>(log, [this](const QString& device) { monitorFound(device); });
    QDBusConnection bus = QDBusConnection::systemBus();
    // bluetoothd that starts late or restarts, and adapters plugged in or out, are taken up as they come.
    m_watcher = std::make_unique<QDBusServiceWatcher>(kBluezService, bus, QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                if (owner.isEmpty()) {
                    bluetoothdGone();
                } else {
                    m_log.log("BlueZ is running on the system bus");
                    attachAdapter();
                }
            });
    for (const char* signal : {"InterfacesAdded", "InterfacesRemoved"}) {
        bus.connect(kBluezService, QStringLiteral("/"), kObjectManagerInterface, QString::fromLatin1(signal), this,
                    SLOT(objectsChanged(QDBusMessage)));
    }
    attachAdapter();
}

void BluezCentral::objectsChanged(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2) return;
    const QString path = args[0].value<QDBusObjectPath>().path();
    if (message.member() == QLatin1String("InterfacesAdded")) {
        if (m_adapterPath.isEmpty() && qdbus_cast<InterfaceMap>(args[1]).contains(kAdapterInterface)) attachAdapter();
    } else if (path == m_adapterPath && qdbus_cast<QStringList>(args[1]).contains(kAdapterInterface)) {
        m_log.log("BlueZ lost its Bluetooth adapter");
        m_adapterPath.clear();
        m_monitor->setAdapter({});
        linksGone();
        attachAdapter();
    }
}

void BluezCentral::attachAdapter() {
    const auto objects = managedObjects(QDBusConnection::systemBus(), kBluezService, QStringLiteral("/"), 1500);
    const QString path = objects ? firstAdapterPath(*objects) : QString();
    if (path.isEmpty()) {
        if (!objects) {
            bluetoothdGone();
            return;
        }
        m_log.log("BlueZ has no Bluetooth adapter");
        m_adapterPath.clear();
        m_monitor->setAdapter({});
        m_agent.reset();
        m_unavailable = QStringLiteral("BluetoothNoAdapter");
        setState(BleCentralState::Unsupported);
        return;
    }
    if (path == m_adapterPath) return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!m_adapterPath.isEmpty()) {
        bus.disconnect(kBluezService, m_adapterPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                       SLOT(adapterPropertiesChanged(QString, QVariantMap, QStringList)));
    }
    m_adapterPath = path;
    m_unavailable.clear();
    const QVariantMap adapter = objects->value(QDBusObjectPath(m_adapterPath)).value(kAdapterInterface);
    m_adapterAddress = QBluetoothAddress(adapter.value(QStringLiteral("Address")).toString());
    m_agent.reset();  // made again for this adapter when the app scans
    bus.connect(kBluezService, m_adapterPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                SLOT(adapterPropertiesChanged(QString, QVariantMap, QStringList)));
    m_powered = adapter.value(QStringLiteral("Powered"), true).toBool();
    // The passive watch needs the adapter's monitor manager and its pattern monitors.
    const QVariantMap monitors =
        objects->value(QDBusObjectPath(m_adapterPath)).value(QStringLiteral("org.bluez.AdvertisementMonitorManager1"));
    const bool patterns =
        monitors.value(QStringLiteral("SupportedMonitorTypes")).toStringList().contains(QStringLiteral("or_patterns"));
    if (!patterns) m_log.log("BlueZ offers no advertisement monitor: the band is looked for by scanning");
    m_monitor->setAdapter(patterns ? m_adapterPath : QString());
    setState(m_powered ? BleCentralState::PoweredOn : BleCentralState::PoweredOff);
    if (m_powered) linksBack();
}

void BluezCentral::adapterPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
    if (interface != kAdapterInterface || !changed.contains(QStringLiteral("Powered"))) return;
    const bool powered = changed.value(QStringLiteral("Powered")).toBool();
    if (powered == m_powered) return;
    m_powered = powered;
    m_log.log(powered ? "BlueZ adapter powered on" : "BlueZ adapter powered off");
    // A discovery does not outlive the power: a new one starts when the app scans again.
    if (!powered) {
        if (m_agent) m_agent->stop();
        m_agent.reset();
        linksGone();
    }
    setState(powered ? BleCentralState::PoweredOn : BleCentralState::PoweredOff);
    if (powered) linksBack();
}

void BluezCentral::linksGone() {
    // QtBluetooth does not always notice that its links went with the adapter or bluetoothd.
    for (auto& [address, p] : m_peripherals) p->bluetoothGone();
}

void BluezCentral::linksBack() {
    // Posted: the app hears of the state first, then the pending requests are tried.
    post([this] {
        if (!usable()) return;
        for (auto& [address, p] : std::map(m_peripherals)) p->bluetoothBack();
    });
}

void BluezCentral::bluetoothdGone() {
    m_log.log("BlueZ is not running on the system bus");
    if (m_agent) m_agent->stop();
    m_agent.reset();
    m_adapterPath.clear();
    m_monitor->setAdapter({});
    m_unavailable = QStringLiteral("BluetoothNotRunning");
    // A bluetoothd that starts again has heard nothing yet: what it lists first it heard since.
    for (auto& [address, p] : m_peripherals) p->forgetHeard();
    linksGone();
    setState(BleCentralState::Unsupported);
}

std::string BluezCentral::unavailableReason() const {
    if (!m_unavailable.isEmpty()) return m_unavailable.toStdString();
    return m_state == BleCentralState::PoweredOff ? "BluetoothOff" : "";
}

std::string BluezCentral::signalSource() const {
    switch (m_signal) {
        case Signal::Kernel:
            return "SignalFromLink";
        case Signal::Advertisements:
            return "SignalFromAdvertisements";
        default:
            return "";
    }
}

ConnectionRssiReader::Result BluezCentral::readLinkRssi(const QString& address, LeAddressType type) {
    using Kind = ConnectionRssiReader::Result::Kind;
    const auto index = controllerIndexOfAdapterPath(m_adapterPath.toStdString());
    const auto bd = BdAddress::parse(address.toStdString());
    if (m_signal == Signal::Advertisements || !index || !bd) return {Kind::Refused, std::nullopt, {}};
    auto result = m_kernelRssi.read(*index, *bd, type);
    if (result.kind == Kind::Refused) {
        m_signal = Signal::Advertisements;
        m_log.log(
            strprintf("Signal strength of the connected band: from its advertisements only, since %s; "
                      "a reading older than 10 s is not shown",
                      result.detail.c_str()));
        keepDiscoveringWithDuplicates();
    } else if (result.kind == Kind::Failed) {
        if (result.detail != m_lastRssiFailure) m_log.log("Signal strength of the connected band: " + result.detail);
        m_lastRssiFailure = result.detail;
    } else if (m_signal == Signal::Unknown) {
        m_signal = Signal::Kernel;
        m_lastRssiFailure.clear();
        m_log.log("Signal strength of the connected band: read from the link");
    }
    return result;
}

void BluezCentral::keepDiscoveringWithDuplicates() {
    if (m_adapterPath.isEmpty()) return;
    if (m_scanWanted) startAgent();
    // Every advertisement, not only the first per device, so a band that still advertises keeps its
    // Device1.RSSI current while connected.
    QVariantMap filter{{QStringLiteral("Transport"), QStringLiteral("le")}, {QStringLiteral("DuplicateData"), true}};
    QDBusMessage call = QDBusMessage::createMethodCall(kBluezService, m_adapterPath, kAdapterInterface,
                                                       QStringLiteral("SetDiscoveryFilter"));
    call << filter;
    QDBusConnection::systemBus().asyncCall(call);
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
    m_scanWanted = true;
    if (m_adapterPath.isEmpty()) {
        m_log.log("BlueZ cannot scan without an adapter");
        return;
    }
    startAgent();
    if (m_signal == Signal::Advertisements) keepDiscoveringWithDuplicates();
}

void BluezCentral::startAgent() {
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
    m_scanWanted = false;
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
    report(info, false);
}

void BluezCentral::report(const QBluetoothDeviceInfo& info, bool heardNow) {
    const QString address = info.address().toString();
    auto& peripheral = m_peripherals[address];
    if (!peripheral) peripheral = std::make_shared<BluezPeripheral>(shared_from_this(), info);
    peripheral->advertised(info);
    if (heardNow) {
        peripheral->markHeard();
    } else if (!m_allowDuplicates && !m_reportedThisScan.insert(address).second) {
        return;
    }
    // The monitor heard it even where bluetoothd kept no strength: a weak one stands in.
    const double rssi = info.rssi() != 0 ? info.rssi() : -100;
    post([this, p = peripheral, name = advertisedName(info), rssi] {
        p->setName(name);
        if (m_delegate) m_delegate->didDiscoverPeripheral(*this, p, rssi);
    });
}

void BluezCentral::watchForPeripheralsWithServices(const std::vector<BleUuid>& services) {
    m_monitor->setServices(services);
}

void BluezCentral::monitorFound(const QString& devicePath) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kBluezService, devicePath, kPropertiesInterface, QStringLiteral("GetAll"));
    call << kDeviceInterface;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *w;
        if (reply.isError() || !usable()) return;
        const QVariantMap device = reply.value();
        QBluetoothDeviceInfo info(QBluetoothAddress(device.value(QStringLiteral("Address")).toString()),
                                  device.value(QStringLiteral("Alias")).toString(), 0);
        info.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
        info.setRssi(static_cast<qint16>(device.value(QStringLiteral("RSSI")).toInt()));
        QList<QBluetoothUuid> uuids;
        for (const QString& uuid : device.value(QStringLiteral("UUIDs")).toStringList())
            uuids.append(QBluetoothUuid(uuid));
        info.setServiceUuids(uuids);
        if (info.address().isNull()) return;
        report(info, true);
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
