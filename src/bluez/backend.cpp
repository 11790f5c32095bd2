// SPDX-License-Identifier: MIT
// Entry points of the Linux backends (BlueZ central, ModemManager telephony), free of Qt types.
#include "bluez/backend.h"

#include "bluez/bluez_central.h"
#include "bluez/bluez_dbus.h"
#include "bluez/modem_manager_telephony.h"

namespace vantro::bluez {

bool bluetoothAdapterPresent(int timeoutMs) {
    const auto objects = managedObjects(QDBusConnection::systemBus(), kBluezService, QStringLiteral("/"), timeoutMs);
    return objects && !firstAdapterPath(*objects).isEmpty();
}

std::shared_ptr<BleCentral> makeBluezCentral(RunLoop& loop, DebugLog& log) {
    return std::make_shared<BluezCentral>(loop, log);
}

std::unique_ptr<Telephony> makeModemManagerTelephony(RunLoop& loop, DebugLog& log) {
    return std::make_unique<ModemManagerTelephony>(loop, log);
}

}  // namespace vantro::bluez
