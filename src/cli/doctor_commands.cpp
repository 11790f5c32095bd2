// SPDX-License-Identifier: MIT
// vantro-cli doctor: whether this machine is ready for a real wristband and phone, one line per piece.
#include "cli/cli.h"

#include "platform/paths.h"

#ifdef VANTRO_HAVE_BLUEZ
#include "bluez/doctor.h"

#include <QCoreApplication>
#endif

#include <ostream>

namespace vantro::cli {
namespace {

int doctor(Context& ctx) {
#ifdef VANTRO_HAVE_BLUEZ
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "vantro-cli";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const auto checks = bluez::runDoctor({dataDirectory(ctx.dataDir), configDirectory(ctx.dataDir)});
    for (const auto& c : checks) {
        const char* mark = c.ok ? "OK  " : (c.required ? "FIX " : "NOTE");
        ctx.out << mark << "  " << c.what << ": " << c.detail << "\n";
    }
    const bool ready = bluez::readyForRealBand(checks);
    ctx.out << (ready ? "Ready for a real wristband.\n" : "Not ready for a real wristband yet: see the lines above.\n");
    return ready ? 0 : 1;
#else
    ctx.err << "vantro-cli doctor: this build has no BlueZ backend (it comes with the Qt build, VANTRO_GUI=ON)\n";
    return 1;
#endif
}

const Registration doctorReg("doctor", "doctor                          is this machine ready for a real wristband?",
                             doctor);

}  // namespace
}  // namespace vantro::cli
