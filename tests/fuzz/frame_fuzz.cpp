// SPDX-License-Identifier: MIT
// Any code, data and clock give a frame of 1 to 6 bytes led by the command, or none, reading only the data given.
#include "protocol/frame.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantro;
    // Byte 0 is the code, the next six the clock fields, the rest the caller's data.
    if (size < 7) return 0;
    const std::uint8_t code = data[0];
    const LocalDateTime now{1900 + data[1] * 2, data[2] % 13, data[3] % 32, data[4] % 24, data[5] % 60, data[6] % 60};
    const std::size_t dataSize = size - 7;
    auto copy = std::make_unique<std::uint8_t[]>(dataSize);
    if (dataSize) std::memcpy(copy.get(), data + 7, dataSize);

    const auto frame = BuildFrame(code, copy.get(), dataSize, now);
    if (!frame) return 0;
    if (frame->empty() || frame->size() > 6) std::abort();
    // The two reminders copy the caller's six bytes whole, their code byte included; shorter data reads as zeros.
    const bool reminder = code == 0x1E || code == 0x1F;
    const std::uint8_t lead = reminder ? (dataSize ? copy[0] : 0) : code;
    if ((*frame)[0] != lead) std::abort();
    if (reminder && frame->size() != 6) std::abort();
    // A frame exists only for a command, and commands have a log line.
    if (CommandLogLine(code)[0] == '\0') std::abort();
    return 0;
}
