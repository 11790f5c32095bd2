// SPDX-License-Identifier: MIT
// Timing and fault settings of the simulated Bluetooth link.
#include "sim/sim_options.h"

#include "platform/strprintf.h"

#include <algorithm>
#include <cmath>

namespace vantro {

std::string simWristbandIdentifier(int n) {
    return strprintf("5EB0A7C2-31D4-4E6F-9A10-%012X", static_cast<unsigned>(n));
}

double simRssiAtDistance(double metres) {
    return -59.0 - 20.0 * std::log10(std::max(metres, 0.1));
}

}  // namespace vantro
