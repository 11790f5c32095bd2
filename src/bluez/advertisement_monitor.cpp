// SPDX-License-Identifier: MIT
// A passive watch for the band's advertisements through bluetoothd's advertisement monitor.
#include "bluez/advertisement_monitor.h"

#include "bluez/bluez_dbus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>
#include <atomic>

namespace vantro::bluez {

/// One pattern of an "or_patterns" monitor: AD data of `type` holding `content` at `position`.
struct AdPattern {
    uchar position = 0;
    uchar type = 0;
    QByteArray content;
};

QDBusArgument& operator<<(QDBusArgument& arg, const AdPattern& p) {
    arg.beginStructure();
    arg << p.position << p.type << p.content;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, AdPattern& p) {
    arg.beginStructure();
    arg >> p.position >> p.type >> p.content;
    arg.endStructure();
    return arg;
}

}  // namespace vantro::bluez

Q_DECLARE_METATYPE(vantro::bluez::AdPattern)

namespace vantro::bluez {
namespace {

const QString kManagerInterface = QStringLiteral("org.bluez.AdvertisementMonitorManager1");
const QString kMonitorInterface = QStringLiteral("org.bluez.AdvertisementMonitor1");
// AD types of a complete and an incomplete list of 128-bit service UUIDs.
constexpr uchar kIncompleteUuid128 = 0x06;
constexpr uchar kCompleteUuid128 = 0x07;

std::atomic<int> g_instances{0};

}  // namespace

AdvertisementMonitor::AdvertisementMonitor(DebugLog& log, std::function<void(const QString&)> found)
    : m_log(log), m_found(std::move(found)) {
    qDBusRegisterMetaType<AdPattern>();
    qDBusRegisterMetaType<QList<AdPattern>>();
    registerDbusTypes();
    // One object tree per central: a process may hold more than one (tests do).
    m_root = QStringLiteral("/org/vantro/Vantro/bandwatch%1").arg(g_instances++);
    m_monitorPath = m_root + QStringLiteral("/monitor0");
}

AdvertisementMonitor::~AdvertisementMonitor() {
    unregister();
    if (m_exported) QDBusConnection::systemBus().unregisterObject(m_root, QDBusConnection::UnregisterTree);
}

void AdvertisementMonitor::setServices(const std::vector<BleUuid>& services) {
    if (services == m_services) return;
    unregister();  // a monitor's patterns are fixed once registered
    m_services = services;
    update();
}

void AdvertisementMonitor::setAdapter(const QString& adapterPath) {
    if (adapterPath == m_adapterPath) return;
    if (adapterPath.isEmpty()) {
        // The registration went with the adapter or bluetoothd; a new one is made when it is back.
        ++m_registration;
        m_registeredOn.clear();
        m_active = false;
    } else {
        unregister();
    }
    m_adapterPath = adapterPath;
    update();
}

void AdvertisementMonitor::update() {
    if (m_services.empty() || m_adapterPath.isEmpty() || m_registeredOn == m_adapterPath) return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!m_exported) {
        m_exported = bus.registerVirtualObject(m_root, this, QDBusConnection::SubPath);
        if (!m_exported) {
            m_log.log("BlueZ advertisement monitor: could not export its object; scanning instead");
            return;
        }
    }
    m_registeredOn = m_adapterPath;
    QDBusMessage call = QDBusMessage::createMethodCall(kBluezService, m_adapterPath, kManagerInterface,
                                                       QStringLiteral("RegisterMonitor"));
    call << QVariant::fromValue(QDBusObjectPath(m_root));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    const int registration = ++m_registration;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, registration](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<> reply = *w;
        // A late answer to a registration given up since says nothing about the current one.
        if (!reply.isError() || registration != m_registration) return;
        m_log.log("BlueZ advertisement monitor not registered (" + reply.error().message().toStdString() +
                  "); scanning instead");
        m_registeredOn.clear();
        m_active = false;
    });
}

void AdvertisementMonitor::unregister() {
    if (m_registeredOn.isEmpty()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kBluezService, m_registeredOn, kManagerInterface,
                                                       QStringLiteral("UnregisterMonitor"));
    call << QVariant::fromValue(QDBusObjectPath(m_root));
    QDBusConnection::systemBus().asyncCall(call);
    ++m_registration;
    m_registeredOn.clear();
    m_active = false;
}

QVariantMap AdvertisementMonitor::properties() const {
    QList<AdPattern> patterns;
    for (const BleUuid& service : m_services) {
        // Advertised least significant byte first.
        QByteArray content(reinterpret_cast<const char*>(service.data().data()),
                           static_cast<int>(service.data().size()));
        std::reverse(content.begin(), content.end());
        for (uchar type : {kCompleteUuid128, kIncompleteUuid128}) patterns.append(AdPattern{0, type, content});
    }
    return {{QStringLiteral("Type"), QStringLiteral("or_patterns")},
            {QStringLiteral("Patterns"), QVariant::fromValue(patterns)}};
}

bool AdvertisementMonitor::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString member = message.member();
    QDBusMessage reply;
    if (message.path() == m_root && member == QLatin1String("GetManagedObjects")) {
        ManagedObjects objects;
        objects.insert(QDBusObjectPath(m_monitorPath), InterfaceMap{{kMonitorInterface, properties()}});
        reply = message.createReply(QVariant::fromValue(objects));
    } else if (message.path() == m_monitorPath && member == QLatin1String("GetAll")) {
        reply = message.createReply(QVariant::fromValue(properties()));
    } else if (message.path() == m_monitorPath && message.interface() == kMonitorInterface) {
        if (member == QLatin1String("Activate")) {
            m_active = true;
            m_log.log("BlueZ advertisement monitor active: the band is heard without scanning");
        } else if (member == QLatin1String("Release")) {
            m_active = false;
            m_registeredOn.clear();
            m_log.log("BlueZ released the advertisement monitor; scanning instead");
        } else if (member == QLatin1String("DeviceFound") && !message.arguments().isEmpty()) {
            const QString device = message.arguments().at(0).value<QDBusObjectPath>().path();
            if (m_active && m_found) m_found(device);
        } else if (member != QLatin1String("DeviceLost")) {
            return false;
        }
        reply = message.createReply();
    } else {
        return false;
    }
    connection.send(reply);
    return true;
}

QString AdvertisementMonitor::introspect(const QString& path) const {
    if (path != m_monitorPath) return {};
    return QStringLiteral(
        "<interface name=\"org.bluez.AdvertisementMonitor1\">"
        "<method name=\"Release\"/><method name=\"Activate\"/>"
        "<method name=\"DeviceFound\"><arg name=\"device\" type=\"o\" direction=\"in\"/></method>"
        "<method name=\"DeviceLost\"><arg name=\"device\" type=\"o\" direction=\"in\"/></method>"
        "<property name=\"Type\" type=\"s\" access=\"read\"/>"
        "<property name=\"Patterns\" type=\"a(yyay)\" access=\"read\"/>"
        "</interface>");
}

}  // namespace vantro::bluez
