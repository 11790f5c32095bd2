// SPDX-License-Identifier: MIT
// A wristband seen while scanning: the record kept per advertisement key.
#pragma once

#include "platform/ble.h"

#include <optional>
#include <string>

namespace vantro {

/// One entry of the seen-wristband list; `name` is never set by discovery.
struct bleDevice {
    std::optional<std::string> name;
    BlePeripheralPtr device;
    float rssi = 0;
};

}  // namespace vantro
