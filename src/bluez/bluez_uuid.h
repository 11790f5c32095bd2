// SPDX-License-Identifier: MIT
// Service and characteristic ids between the core's BleUuid and QtBluetooth's.
#pragma once

#include "platform/ble.h"

#include <QBluetoothUuid>

namespace vantro::bluez {

/// 16-bit ids on the Bluetooth base come back as "2902", others as the full 128-bit value.
BleUuid toBleUuid(const QBluetoothUuid& uuid);
QBluetoothUuid toQtUuid(const BleUuid& uuid);

}  // namespace vantro::bluez
