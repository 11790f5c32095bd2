// SPDX-License-Identifier: MIT
// What a real wristband and phone need from this machine, checked one piece at a time.
#pragma once

#include "bluez/mgmt_connection_info.h"

#include <string>
#include <vector>

namespace vantro::bluez {

/// One line of the check: what was looked at, whether it is ready, and either what was found or what
/// to do about it. A piece that is not `required` (the modem) does not keep a band from working.
struct DoctorCheck {
    std::string what;
    bool ok = false;
    bool required = true;
    std::string detail;
};

struct DoctorOptions {
    std::string dataDir;    // the activity database's directory
    std::string configDir;  // the settings directory
    /// The kernel's management socket; a test hands in a stand-in.
    ConnectionRssiReader::Opener openKernel = [](std::string* error) { return FdMgmtTransport::openKernel(error); };
};

/// Needs a QCoreApplication. Looks at bluetoothd and its adapter on the system bus, whether the kernel
/// lets this process read a connected link's signal strength, ModemManager and a modem, a notification
/// daemon on the session bus, and the data and settings files.
std::vector<DoctorCheck> runDoctor(const DoctorOptions& options);

/// True when every required piece is ready.
bool readyForRealBand(const std::vector<DoctorCheck>& checks);

}  // namespace vantro::bluez
