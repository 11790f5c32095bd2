// SPDX-License-Identifier: MIT
// Command and report codes of the wristband protocol, and its GATT identifiers.
#pragma once

#include <cstdint>

namespace vantro {

enum : std::uint8_t {
    CMD_TYPE_BODYHEIGHT = 4,
    CMD_TYPE_BODYWEIGHT = 5,
    CMD_TYPE_TELIN = 6,
    CMD_TYPE_MSGIN = 7,
    CMD_TYPE_DATE = 8,
    CMD_TYPE_TIME = 9,
    CMD_TYPE_FINDME = 10,
    CMD_TYPE_DISPLAY_TIME = 11,
    CMD_TYPE_ALERT_TIME = 12,
    CMD_TYPE_GETDAY_DATA = 21,
    CMD_TYPE_GETCURR_DATA = 22,
    CMD_TYPE_GET_VERSION = 23,
    CMD_TYPE_GET_SLEEP = 25,
    CMD_TYPE_WISH = 27,
    CMD_TYPE_PRESENT = 28,
    CMD_TYPE_PROMPT_SIT = 30,
    CMD_TYPE_PROMPT_MEAD = 31,
    CMD_TYPE_FACTORY = 182,
};

enum : std::uint8_t {
    RPT_TYPE_IMA_CALL = 0x0D,
    RPT_TYPE_VERSION = 0x18,
    RPT_TYPE_SLEEP = 0x1A,
    RPT_TYPE_CURR_DATA = 0x33,
    RPT_TYPE_DAY_DATA = 0x34,
};

inline constexpr const char* kWristbandServiceUuid = "14701820-620A-3973-7C78-9CFFF0876ABD";
inline constexpr const char* kCommandCharacteristicUuid = "14702856-620A-3973-7C78-9CFFF0876ABD";
inline constexpr const char* kReportCharacteristicUuid = "14702853-620A-3973-7C78-9CFFF0876ABD";

}  // namespace vantro
