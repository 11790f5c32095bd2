// SPDX-License-Identifier: MIT
// vantro-cli demo --fault away|drop: after the sync the band leaves or loses its link, and comes back.
#include "cli/demo_link_faults.h"

#include "platform/strprintf.h"

namespace vantro::cli {

bool isLinkFault(const std::string& fault) {
    return fault == "away" || fault == "drop";
}

std::string showLinkFault(const std::string& fault, Session& session, RunUntil runUntil, double timeout,
                          std::ostream& out) {
    VantroAppDelegate& app = session.app();
    RunLoop& loop = session.runLoop();
    std::string what;
    if (!session.simulateFault(fault, what)) return what;
    out << "Fault: " << what << "\n";
    if (!runUntil([&] { return app.state().link != LinkState::Connected; }, timeout)) return "the link did not end";
    out << "Link status: " << app.strBlueStatus() << "\n";
    if (fault == "away") {
        // A moment out of reach, then back.
        runUntil([] { return false; }, 2);
        session.simulateFault("near", what);
        out << "Back: " << what << "\n";
    }
    const double back = loop.now();
    if (!runUntil([&] { return reportsSubscribed(app); }, timeout)) {
        return strprintf("the band was not connected again within %.0f s (link: %s)", timeout,
                         app.strBlueStatus().c_str());
    }
    out << strprintf("Reconnected after %.1f s: %s\n", loop.now() - back, app.strBlueStatus().c_str());
    return {};
}

}  // namespace vantro::cli
