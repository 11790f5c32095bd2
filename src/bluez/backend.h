// SPDX-License-Identifier: MIT
// Entry points of the Linux backends (BlueZ central, ModemManager telephony), free of Qt types.
#pragma once

#include "platform/ble.h"
#include "platform/debug_log.h"
#include "platform/run_loop.h"
#include "platform/telephony.h"

#include <memory>

namespace vantro::bluez {

// Everything here needs a QCoreApplication and a running Qt event loop: replies and signals of the
// system bus arrive through it, and every port callback is then posted onto `loop`.

/// True when bluetoothd answers on the system bus and has at least one adapter (org.bluez with an Adapter1).
bool bluetoothAdapterPresent(int timeoutMs = 1500);

/// The central role over BlueZ, through QtBluetooth.
std::shared_ptr<BleCentral> makeBluezCentral(RunLoop& loop, DebugLog& log);

/// Incoming calls and received messages from ModemManager; without ModemManager it delivers nothing
/// and says so once in the log.
std::unique_ptr<Telephony> makeModemManagerTelephony(RunLoop& loop, DebugLog& log);

}  // namespace vantro::bluez
