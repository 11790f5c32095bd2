// SPDX-License-Identifier: MIT
// Where the app keeps its files: the XDG data and config directories, or the --data-dir override.
#pragma once

#include "platform/debug_log.h"

#include <string>
#include <string_view>

namespace vantro {

/// The activity database's directory: `override` when not empty, else $XDG_DATA_HOME/vantro
/// (an absolute $XDG_DATA_HOME only), else ~/.local/share/vantro. Nothing is created here.
std::string dataDirectory(std::string_view override = {});
/// The activity database's directory for a session: `override` when not empty; otherwise dataDirectory(),
/// or for the simulated band its own "simulated" directory inside it, so made-up records never mix with
/// the user's real ones.
std::string recordsDirectory(std::string_view override, bool simulatedBand);
/// The settings directory: `override` when not empty (one directory for everything), else
/// $XDG_CONFIG_HOME/vantro, else ~/.config/vantro.
std::string configDirectory(std::string_view override = {});

/// Where a module of the app (a shared library it opens when first needed) is: $VANTRO_MODULE_DIR/`fileName`
/// when that is set, else lib/vantro beside the executable's folder (installed and in the build tree alike).
std::string moduleFile(std::string_view fileName);

/// Creates `dir` and its missing parents (mode 0700); false plus a log line when that is not possible.
bool ensureDirectory(const std::string& dir, DebugLog& log);

}  // namespace vantro
