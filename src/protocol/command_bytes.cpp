// SPDX-License-Identifier: MIT
// The data bytes each caller hands to SendData.
#include "protocol/command_bytes.h"

#include "protocol/codes.h"

#include <algorithm>

namespace vantro {
namespace {

std::uint8_t lowByte(std::int64_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

}  // namespace

Command settingByteCommand(std::uint8_t type, std::int64_t value) {
    Command c{type};
    c.data[0] = lowByte(value);
    return c;
}

Command alarmCommand(std::optional<TimeOfDay> alarm) {
    Command c{CMD_TYPE_ALERT_TIME};
    c.length = 2;
    c.data[0] = alarm ? static_cast<std::uint8_t>(alarm->hour) : 0xFF;
    c.data[1] = alarm ? static_cast<std::uint8_t>(alarm->minute) : 0xFF;
    return c;
}

Command greetingCommand(std::uint8_t type, std::int64_t entry) {
    Command c{type};
    c.length = 2;
    c.data[0] = type;
    c.data[1] = lowByte(entry);
    return c;
}

Command reminderCommand(std::uint8_t type, std::int64_t interval, TimeOfDay start, TimeOfDay end) {
    const std::int64_t most = type == CMD_TYPE_PROMPT_MEAD ? kMedicineIntervalMax : kSitIntervalMax;
    Command c{type};
    c.length = 6;
    c.data = {type,
              static_cast<std::uint8_t>(std::clamp<std::int64_t>(interval, 0, most)),
              static_cast<std::uint8_t>(start.hour),
              static_cast<std::uint8_t>(start.minute),
              static_cast<std::uint8_t>(end.hour),
              static_cast<std::uint8_t>(end.minute)};
    return c;
}

Command requestCommand(std::uint8_t type) {
    return Command{type};
}

Command phoneEventCommand(std::uint8_t type) {
    Command c{type};
    c.length = 2;
    return c;
}

Command factoryResetCommand() {
    Command c{CMD_TYPE_FACTORY};
    c.length = 2;
    c.data[0] = CMD_TYPE_FACTORY;
    c.data[1] = 0x5A;
    return c;
}

}  // namespace vantro
