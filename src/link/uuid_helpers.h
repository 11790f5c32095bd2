// SPDX-License-Identifier: MIT
// Diagnostic helpers around GATT identifiers and peripherals.
#pragma once

#include "platform/ble.h"

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

namespace vantro {

/// A 16-bit id as its two bytes with "%2x%2x" ("2a29" for 2A29, " 2 9" for 0209); any other id in its
/// canonical upper-case form.
std::string CBUUIDToString(const BleUuid& uuid);
/// The id's bytes as the platform describes data: lower-case hex in groups of four bytes between angle
/// brackets, "<14701820 620a3973 7c789cff f0876abd>".
std::string CBUUIDToChar(const BleUuid& uuid);
/// "NULL" for no id, else its canonical text.
std::string UUIDToChar(const std::optional<BleUuid>& uuid);
/// The first two bytes, high byte first; 0 for an id shorter than two bytes.
std::uint16_t CBUUIDToInt(const BleUuid& uuid);
/// The 16-bit id of `value`, high byte first.
BleUuid IntToCBUUID(std::uint16_t value);

/// Writes the peripheral's identifier, last signal strength, name and connected state to `out`.
void printPeripheralInfo(const BlePeripheral& p, std::ostream& out = std::cout);

}  // namespace vantro
