// SPDX-License-Identifier: MIT
// The BlueZ module's entry point.
#include "bluez/bluez_module.h"

#include "bluez/bluez_central.h"

#include <type_traits>

extern "C" {

Q_DECL_EXPORT void vantro_new_bluez_central(vantro::RunLoop* loop, vantro::DebugLog* log,
                                            std::shared_ptr<vantro::BleCentral>* central) {
    *central = std::make_shared<vantro::bluez::BluezCentral>(*loop, *log);
}
}

// Checked here, so the app's cast of the resolved symbol matches what the module defines.
static_assert(std::is_same_v<decltype(&vantro_new_bluez_central), VantroNewBluezCentral>);
