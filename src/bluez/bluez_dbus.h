// SPDX-License-Identifier: MIT
// Small system-bus helpers shared by the BlueZ and ModemManager backends.
#pragma once

#include "platform/ble.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMap>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <string>

namespace vantro::bluez {

using InterfaceMap = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;

inline const QString kBluezService = QStringLiteral("org.bluez");
inline const QString kAdapterInterface = QStringLiteral("org.bluez.Adapter1");
inline const QString kDeviceInterface = QStringLiteral("org.bluez.Device1");
inline const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
inline const QString kObjectManagerInterface = QStringLiteral("org.freedesktop.DBus.ObjectManager");

/// QtBluetooth talks to bluetoothd over D-Bus only when it can tell bluetoothd's version, which a user
/// session often cannot read; every bluetoothd since 5.42 has that interface, so we say so up front.
void useDbusGattBackend();

/// Makes the object-manager types known to QtDBus; safe to call again.
void registerDbusTypes();

/// GetManagedObjects of `service` at `path`, waiting at most `timeoutMs`; nullopt when it does not answer.
std::optional<ManagedObjects> managedObjects(const QDBusConnection& bus, const QString& service, const QString& path,
                                             int timeoutMs);

/// The object path of the first adapter bluetoothd lists, empty when there is none.
QString firstAdapterPath(const ManagedObjects& objects);

/// A stable 36-character upper-case identifier for a device address, ending in the address's 12 hex digits.
std::string identifierForAddress(const QString& address);

}  // namespace vantro::bluez
