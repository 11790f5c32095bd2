// SPDX-License-Identifier: MIT
// Timing and fault settings of the simulated Bluetooth link.
#pragma once

#include "platform/ble.h"
#include "sim/wristband_firmware.h"

#include <optional>
#include <string>

namespace vantro {

/// How the simulated radio behaves; every delay is in seconds of run-loop time.
struct SimOptions {
    /// Spacing of notifications: one per connection event of 7.5 ms. 0 delivers them on the next turns.
    double notificationDelay = 0.0075;
    /// Time for a GATT answer (discovery, subscription, read, write response).
    double responseDelay = 0.0075;
    /// From a connection request to the connection, when the band is in reach.
    double connectionDelay = 0.05;
    /// Between two advertisements of one band while scanning.
    double advertisementInterval = 1.0;
    /// Between two pushes of today's totals; 0 never pushes.
    double currentDataInterval = 5.0;
    /// The state the central reports once it has a delegate.
    BleCentralState initialState = BleCentralState::PoweredOn;
};

/// One simulated wristband: what it advertises and the firmware it runs.
struct SimBandConfig {
    std::string identifier;  // stable 36-character upper-case UUID text
    std::optional<std::string> name = "Vantro";
    double advertisementRssi = -58;
    /// Metres from the phone; beyond kSimRange the band is out of reach.
    double distance = 2.0;
    WristbandFirmware::Options firmware;
};

/// The reach of the band's radio, in metres.
inline constexpr double kSimRange = 100.0;

/// The stable identifier of the n-th simulated band (n from 1): "5EB0A7C2-31D4-4E6F-9A10-000000000001".
std::string simWristbandIdentifier(int n);

/// Signal strength in dBm at `metres`: -59 dBm at one metre, falling by 20 dB per decade.
double simRssiAtDistance(double metres);

}  // namespace vantro
