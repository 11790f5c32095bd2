// SPDX-License-Identifier: MIT
// Command frames: the bytes the phone writes to the wristband's command characteristic.
#include "protocol/frame.h"

#include "protocol/codes.h"
#include "protocol/command_bytes.h"

namespace vantro {

std::optional<Frame> BuildFrame(std::uint8_t type, const std::uint8_t* data, std::size_t dataSize,
                                const LocalDateTime& now) {
    auto d = [&](std::size_t i) -> std::uint8_t { return data && i < dataSize ? data[i] : 0; };
    switch (type) {
        case CMD_TYPE_BODYHEIGHT:
            if (d(0) < kBodyHeightMin) return std::nullopt;
            return Frame{type, d(0)};
        case CMD_TYPE_BODYWEIGHT:
            if (d(0) < kBodyWeightMin) return std::nullopt;
            return Frame{type, d(0)};
        case CMD_TYPE_TELIN:
        case CMD_TYPE_MSGIN:
            return Frame{type, 0xAA};
        case CMD_TYPE_FACTORY:
            return Frame{type, 0x5A};
        case CMD_TYPE_GETDAY_DATA:
        case CMD_TYPE_GETCURR_DATA:
        case CMD_TYPE_GET_VERSION:
        case CMD_TYPE_GET_SLEEP:
            return Frame{type};
        case CMD_TYPE_FINDME:
        case CMD_TYPE_DISPLAY_TIME:
            return Frame{type, d(0)};
        case CMD_TYPE_ALERT_TIME:
            return Frame{type, d(0), d(1)};
        case CMD_TYPE_WISH:
        case CMD_TYPE_PRESENT:
            return Frame{type, d(1)};
        case CMD_TYPE_PROMPT_SIT:
        case CMD_TYPE_PROMPT_MEAD:
            return Frame{d(0), d(1), d(2), d(3), d(4), d(5)};
        case CMD_TYPE_DATE:
            return Frame{type, static_cast<std::uint8_t>((now.year / 256) & 0xFF),
                         static_cast<std::uint8_t>(now.year % 256), static_cast<std::uint8_t>(now.month),
                         static_cast<std::uint8_t>(now.day)};
        case CMD_TYPE_TIME:
            return Frame{type, static_cast<std::uint8_t>(now.hour), static_cast<std::uint8_t>(now.minute),
                         static_cast<std::uint8_t>(now.second)};
        default:
            return std::nullopt;
    }
}

const char* CommandLogLine(std::uint8_t type) {
    switch (type) {
        case CMD_TYPE_BODYHEIGHT:
            return "SendData: CMD_TYPE_BODYHEIGHT";
        case CMD_TYPE_BODYWEIGHT:
            return "SendData: CMD_TYPE_BODYWEIGHT";
        case CMD_TYPE_TELIN:
            return "SendData: CMD_TYPE_TELIN";
        case CMD_TYPE_MSGIN:
            return "SendData: CMD_TYPE_MSGIN";
        case CMD_TYPE_DATE:
            return "SendData: CMD_TYPE_DATE";
        case CMD_TYPE_TIME:
            return "SendData: CMD_TYPE_TIME";
        case CMD_TYPE_FINDME:
            return "SendData: CMD_TYPE_FINDME";
        case CMD_TYPE_DISPLAY_TIME:
            return "SendData: CMD_TYPE_DISPLAY_TIME";
        case CMD_TYPE_ALERT_TIME:
            return "SendData: CMD_TYPE_ALERT_TIME";
        case CMD_TYPE_GETDAY_DATA:
            return "SendData: CMD_TYPE_GETDAY_DATA";
        case CMD_TYPE_GETCURR_DATA:
            return "SendData: CMD_TYPE_GETCURR_DATA";
        case CMD_TYPE_GET_VERSION:
            return "SendData: CMD_TYPE_GET_VERSION";
        case CMD_TYPE_GET_SLEEP:
            return "SendData: CMD_TYPE_GET_SLEEP";
        case CMD_TYPE_WISH:
            return "SendData: CMD_TYPE_WISH";
        case CMD_TYPE_PRESENT:
            return "SendData: CMD_TYPE_ PRESENT";
        case CMD_TYPE_PROMPT_SIT:
            return "SendData: CMD_TYPE_PROMPT_SIT";
        case CMD_TYPE_PROMPT_MEAD:
            return "SendData: CMD_TYPE_PROMPT_MEAD";
        case CMD_TYPE_FACTORY:
            return "SendData: CMD_TYPE_FACTORY";
        default:
            return "";
    }
}

}  // namespace vantro
