// SPDX-License-Identifier: MIT
// vantro-cli demo --fault away|drop: after the sync the band leaves or loses its link, and comes back.
#pragma once

#include "session/session.h"

#include <functional>
#include <ostream>
#include <string>

namespace vantro::cli {

/// Runs the run loop until `done` holds; false after `seconds`.
using RunUntil = std::function<bool(const std::function<bool()>& done, double seconds)>;

/// Faults shown after the sync, on a link that is up: the reconnection can be watched without hardware.
bool isLinkFault(const std::string& fault);

/// Walks the band away (or drops its link), brings it back, and prints how the link went and came back.
/// Returns an error text, empty when the band was back within `timeout` seconds.
std::string showLinkFault(const std::string& fault, Session& session, RunUntil runUntil, double timeout,
                          std::ostream& out);

}  // namespace vantro::cli
