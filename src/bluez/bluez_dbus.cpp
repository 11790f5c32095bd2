// SPDX-License-Identifier: MIT
// Small system-bus helpers shared by the BlueZ and ModemManager backends.
#include "bluez/bluez_dbus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QRegularExpression>
#include <QUuid>

namespace vantro::bluez {

void useDbusGattBackend() {
    if (!qEnvironmentVariableIsSet("BLUETOOTH_FORCE_DBUS_LE_VERSION")) {
        qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.42");
    }
}

void registerDbusTypes() {
    qDBusRegisterMetaType<InterfaceMap>();
    qDBusRegisterMetaType<ManagedObjects>();
}

std::optional<ManagedObjects> managedObjects(const QDBusConnection& bus, const QString& service, const QString& path,
                                             int timeoutMs) {
    if (!bus.isConnected()) return std::nullopt;
    registerDbusTypes();
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, kObjectManagerInterface, QStringLiteral("GetManagedObjects"));
    QDBusReply<ManagedObjects> reply = bus.call(call, QDBus::Block, timeoutMs);
    if (!reply.isValid()) return std::nullopt;
    return reply.value();
}

QString firstAdapterPath(const ManagedObjects& objects) {
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        if (it.value().contains(kAdapterInterface)) return it.key().path();
    }
    return {};
}

std::string identifierForAddress(const QString& address) {
    // A fixed prefix of our own, then the address itself: the same band always gets the same
    // identifier, and a user can match a picker row to the address printed on the band.
    QString hex = address.toUpper();
    hex.remove(QLatin1Char(':'));
    static const QRegularExpression kTwelveHex(QStringLiteral("^[0-9A-F]{12}$"));
    if (kTwelveHex.match(hex).hasMatch()) return "6F1D3C52-0B7E-4C1A-9A55-" + hex.toStdString();
    static const QUuid kNamespace(QStringLiteral("6f1d3c52-0b7e-4c1a-9a55-2d8e7b3f4a10"));
    return QUuid::createUuidV5(kNamespace, address.toUpper()).toString(QUuid::WithoutBraces).toUpper().toStdString();
}

}  // namespace vantro::bluez
