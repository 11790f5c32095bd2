// SPDX-License-Identifier: MIT
// Start at login: the desktop's autostart entry that runs the companion in the background.
#pragma once

#include "platform/debug_log.h"

#include <optional>
#include <string>

namespace vantro {

/// $XDG_CONFIG_HOME/autostart/org.vantro.Vantro.desktop ($HOME/.config when XDG_CONFIG_HOME is unset
/// or relative).
std::string autostartPath();
/// The entry's text: runs `executable --background`.
std::string autostartEntry(const std::string& executable);
/// Writes (on) or removes (off) the entry. Absent when done; otherwise what went wrong, in one line
/// for the user (also logged): a read-only folder, a directory in the way, a link to nowhere.
std::optional<std::string> setStartAtLogin(bool on, const std::string& executable, DebugLog& log);
/// Whether the desktop will start the companion: the entry is a readable file the user has not
/// disabled (Hidden=true, or X-GNOME-Autostart-enabled=false). An entry that is there but cannot be read
/// (no regular file, larger than 1 MiB) is off, and `problem`, when given, says why.
bool startsAtLogin(std::string* problem = nullptr);
/// The `vantro` program to start: the one beside `self` (vantro-cli or vantro), else the one on PATH.
std::string companionExecutable(const std::string& self);

}  // namespace vantro
