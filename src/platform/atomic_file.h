// SPDX-License-Identifier: MIT
// Whole-file writes that a crash cannot leave half done: temporary file, fsync, rename.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantro {

/// Replaces `path` with `content`: the old file stays intact until the new one is complete on disk.
/// Returns an error text on failure (the target is then unchanged), nothing on success.
std::optional<std::string> writeFileAtomically(const std::string& path, std::string_view content);

/// Reads a whole file; absent with `error` set when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path, std::string& error);

}  // namespace vantro
