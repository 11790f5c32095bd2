// SPDX-License-Identifier: MIT
// Command frames: the bytes the phone writes to the wristband's command characteristic.
#pragma once

#include "platform/local_time.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vantro {

using Frame = std::vector<std::uint8_t>;

/// The frame of one command, or nothing for a code that is not a command and for a refused height
/// (below 80) or weight (below 10). `data` must hold the bytes the command reads (at most six);
/// shorter data reads as zeros. Date and time frames carry `now`, the caller's byte are not read.
std::optional<Frame> BuildFrame(std::uint8_t type, const std::uint8_t* data, std::size_t dataSize,
                                const LocalDateTime& now);

/// The log line written after a command has been handed to the link, empty for a non-command.
const char* CommandLogLine(std::uint8_t type);

}  // namespace vantro
