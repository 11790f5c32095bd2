// SPDX-License-Identifier: MIT
// Telephony events from ModemManager on the system bus: incoming voice calls and received messages.
#include "bluez/modem_manager_telephony.h"

#include "bluez/bluez_dbus.h"
#include "platform/strprintf.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace vantro::bluez {
namespace {

const QString kService = QStringLiteral("org.freedesktop.ModemManager1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/ModemManager1");
const QString kModemInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem");
const QString kVoiceInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem.Voice");
const QString kMessagingInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem.Messaging");
const QString kCallInterface = QStringLiteral("org.freedesktop.ModemManager1.Call");
constexpr uint kCallDirectionIncoming = 1;  // MM_CALL_DIRECTION_INCOMING

}  // namespace

ModemManagerTelephony::ModemManagerTelephony(RunLoop& loop, DebugLog& log)
    : m_loop(loop),
      m_log(log),
      m_watcher(kService, QDBusConnection::systemBus(),
                QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration) {
    registerDbusTypes();
    QDBusConnection bus = QDBusConnection::systemBus();
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { serviceAppeared(); });
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { serviceVanished(); });
    bus.connect(kService, kManagerPath, kObjectManagerInterface, QStringLiteral("InterfacesAdded"), this,
                SLOT(interfacesAdded(QDBusMessage)));
    bus.connect(kService, kManagerPath, kObjectManagerInterface, QStringLiteral("InterfacesRemoved"), this,
                SLOT(interfacesRemoved(QDBusMessage)));
    if (bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService).value()) {
        serviceAppeared();
    } else {
        serviceVanished();
    }
}

ModemManagerTelephony::~ModemManagerTelephony() {
    for (const QString& path : QSet<QString>(m_modems)) removeModem(path);
}

void ModemManagerTelephony::serviceAppeared() {
    m_running = true;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(
                                        QDBusMessage::createMethodCall(kService, kManagerPath, kObjectManagerInterface,
                                                                       QStringLiteral("GetManagedObjects")),
                                        5000),
                                    this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        QDBusPendingReply<ManagedObjects> reply = *w;
        if (reply.isError()) {
            m_log.log(
                strprintf("ModemManager did not list its modems: %s", reply.error().message().toStdString().c_str()));
            return;
        }
        const ManagedObjects objects = reply.value();
        for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
            if (it.value().contains(kModemInterface)) addModem(it.key().path());
        }
    });
}

void ModemManagerTelephony::serviceVanished() {
    m_running = false;
    for (const QString& path : QSet<QString>(m_modems)) removeModem(path);
    if (!m_absenceLogged) {
        m_log.log("ModemManager is not running: no telephony events");
        m_absenceLogged = true;
    }
}

void ModemManagerTelephony::interfacesAdded(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2) return;
    const QString path = args.at(0).value<QDBusObjectPath>().path();
    const InterfaceMap interfaces = qdbus_cast<InterfaceMap>(args.at(1));
    if (interfaces.contains(kModemInterface)) addModem(path);
}

void ModemManagerTelephony::interfacesRemoved(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2) return;
    const QString path = args.at(0).value<QDBusObjectPath>().path();
    const QStringList interfaces = args.at(1).toStringList();
    if (interfaces.contains(kModemInterface)) removeModem(path);
}

void ModemManagerTelephony::addModem(const QString& path) {
    if (m_modems.contains(path)) return;
    m_modems.insert(path);
    QDBusConnection bus = QDBusConnection::systemBus();
    bus.connect(kService, path, kVoiceInterface, QStringLiteral("CallAdded"), this, SLOT(callAdded(QDBusMessage)));
    bus.connect(kService, path, kMessagingInterface, QStringLiteral("Added"), this, SLOT(messageAdded(QDBusMessage)));
    m_log.log(strprintf("ModemManager modem %s followed", path.toStdString().c_str()));
}

void ModemManagerTelephony::removeModem(const QString& path) {
    if (!m_modems.remove(path)) return;
    QDBusConnection bus = QDBusConnection::systemBus();
    bus.disconnect(kService, path, kVoiceInterface, QStringLiteral("CallAdded"), this, SLOT(callAdded(QDBusMessage)));
    bus.disconnect(kService, path, kMessagingInterface, QStringLiteral("Added"), this,
                   SLOT(messageAdded(QDBusMessage)));
    m_log.log(strprintf("ModemManager modem %s gone", path.toStdString().c_str()));
}

void ModemManagerTelephony::callAdded(const QDBusMessage& message) {
    if (!m_modems.contains(message.path()) || message.arguments().isEmpty()) return;
    const QString call = message.arguments().at(0).value<QDBusObjectPath>().path();
    // Only the direction tells an incoming call from one the user dialled.
    QDBusMessage get = QDBusMessage::createMethodCall(kService, call, kPropertiesInterface, QStringLiteral("Get"));
    get << kCallInterface << QStringLiteral("Direction");
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(get, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, call](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError()) {
            m_log.log(strprintf("ModemManager call %s has no direction: %s", call.toStdString().c_str(),
                                reply.error().message().toStdString().c_str()));
            return;
        }
        if (reply.value().variant().toUInt() == kCallDirectionIncoming) {
            deliver("kCTCallIdentificationChangeNotification");
        }
    });
}

void ModemManagerTelephony::messageAdded(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (!m_modems.contains(message.path()) || args.size() < 2) return;
    if (args.at(1).toBool()) deliver("kCTMessageReceivedNotification");
}

void ModemManagerTelephony::deliver(const char* name) {
    std::weak_ptr<int> alive = m_alive;
    m_loop.post([this, alive, event = std::string(name)] {
        if (!alive.lock()) return;
        for (const auto& observer : m_observers) observer(event, {});
    });
}

}  // namespace vantro::bluez
