// SPDX-License-Identifier: MIT
// Start at login: the desktop's autostart entry that runs the companion in the background.
#pragma once

#include "platform/debug_log.h"

#include <string>

namespace vantro {

/// $XDG_CONFIG_HOME/autostart/org.vantro.Vantro.desktop ($HOME/.config when XDG_CONFIG_HOME is unset
/// or relative).
std::string autostartPath();
/// The entry's text: runs `executable --background`.
std::string autostartEntry(const std::string& executable);
/// Writes (on) or removes (off) the entry; false, with a log line, when that failed.
bool setStartAtLogin(bool on, const std::string& executable, DebugLog& log);
bool startsAtLogin();

}  // namespace vantro
