// SPDX-License-Identifier: MIT
// Diagnostic helpers around GATT identifiers and peripherals.
#include "link/uuid_helpers.h"

#include "platform/strprintf.h"

namespace vantro {

std::string CBUUIDToString(const BleUuid& uuid) {
    const Bytes& d = uuid.data();
    if (d.size() == 2) return strprintf("%2x%2x", d[0], d[1]);
    return uuid.toString();
}

std::string CBUUIDToChar(const BleUuid& uuid) {
    std::string out = "<";
    const Bytes& d = uuid.data();
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i > 0 && i % 4 == 0) out += ' ';
        out += strprintf("%02x", d[i]);
    }
    return out + ">";
}

std::string UUIDToChar(const std::optional<BleUuid>& uuid) {
    return uuid ? uuid->toString() : "NULL";
}

std::uint16_t CBUUIDToInt(const BleUuid& uuid) {
    const Bytes& d = uuid.data();
    if (d.size() < 2) return 0;
    return static_cast<std::uint16_t>((d[0] << 8) | d[1]);
}

BleUuid IntToCBUUID(std::uint16_t value) {
    return BleUuid::fromBytes({static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)});
}

void printPeripheralInfo(const BlePeripheral& p, std::ostream& out) {
    // Carriage returns as the diagnostic has always written them; each line still ends with a line feed.
    out << "------------------------------------\r\n";
    out << "Peripheral Info :\r\n";
    out << strprintf("UUID : %s\r\n", p.identifier().c_str());
    out << strprintf("RSSI : %d\r\n", static_cast<int>(p.rssi().value_or(0)));
    out << strprintf("Name : %s\r\n", p.name() ? p.name()->c_str() : "(null)");
    out << strprintf("isConnected : %d\r\n", p.isConnected() ? 1 : 0);
    out << "-------------------------------------\r\n";
}

}  // namespace vantro
