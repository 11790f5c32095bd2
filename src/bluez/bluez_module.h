// SPDX-License-Identifier: MIT
// The entry point of the BlueZ module (vantro-bluez.so), the only part of the app on QtBluetooth. The app
// opens it when it uses a real band, so a start with the simulated band loads no Bluetooth libraries.
#pragma once

#include <memory>

namespace vantro {
class BleCentral;
class DebugLog;
class RunLoop;
}  // namespace vantro

extern "C" {
/// Sets `central` to a new central role on BlueZ's first adapter. Resolved by this name.
using VantroNewBluezCentral = void (*)(vantro::RunLoop* loop, vantro::DebugLog* log,
                                       std::shared_ptr<vantro::BleCentral>* central);
}

namespace vantro::bluez {
inline constexpr const char* kBluezModuleFile = "vantro-bluez.so";
inline constexpr const char* kNewCentralSymbol = "vantro_new_bluez_central";
}  // namespace vantro::bluez
