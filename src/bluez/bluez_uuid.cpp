// SPDX-License-Identifier: MIT
// Service and characteristic ids between the core's BleUuid and QtBluetooth's.
#include "bluez/bluez_uuid.h"

namespace vantro::bluez {

BleUuid toBleUuid(const QBluetoothUuid& uuid) {
    bool isShort = false;
    const quint16 shortId = uuid.toUInt16(&isShort);
    if (isShort)
        return BleUuid::fromBytes({static_cast<std::uint8_t>(shortId >> 8), static_cast<std::uint8_t>(shortId)});
    return BleUuid::fromString(uuid.toString(QUuid::WithoutBraces).toStdString());
}

QBluetoothUuid toQtUuid(const BleUuid& uuid) {
    const Bytes& d = uuid.data();
    if (d.size() == 2) return QBluetoothUuid(static_cast<quint16>(d[0] << 8 | d[1]));
    return QBluetoothUuid(QString::fromStdString(uuid.toString()));
}

}  // namespace vantro::bluez
