// SPDX-License-Identifier: MIT
#include "protocol/codes.h"
#include "protocol/frame.h"

#include "fake_ble.h"

#include <gtest/gtest.h>

using namespace vantro;
using vantro::testing::hex;

namespace {
const LocalDateTime kJuly15{2014, 7, 15, 15, 4, 5};

std::string frameOf(std::uint8_t code, std::vector<std::uint8_t> data, LocalDateTime now = kJuly15) {
    auto f = BuildFrame(code, data.data(), data.size(), now);
    return f ? hex(*f) : "none";
}
}  // namespace

TEST(BuildFrame, EveryCommandOfTheTable) {
    struct Case {
        std::uint8_t code;
        std::vector<std::uint8_t> data;
        const char* frame;
        LocalDateTime now = kJuly15;
    };
    const Case cases[] = {
        {CMD_TYPE_BODYHEIGHT, {80}, "04 50"},
        {CMD_TYPE_BODYHEIGHT, {255}, "04 FF"},
        {CMD_TYPE_BODYHEIGHT, {79}, "none"},
        {CMD_TYPE_BODYWEIGHT, {10}, "05 0A"},
        {CMD_TYPE_BODYWEIGHT, {9}, "none"},
        {CMD_TYPE_TELIN, {0, 0}, "06 AA"},
        {CMD_TYPE_MSGIN, {0x55, 0x55}, "07 AA"},
        {CMD_TYPE_DATE, {0x99}, "08 07 DE 07 0F"},
        {CMD_TYPE_TIME, {0x99}, "09 0F 04 05"},
        {CMD_TYPE_FINDME, {1}, "0A 01"},
        {CMD_TYPE_DISPLAY_TIME, {0}, "0B 00"},
        {CMD_TYPE_ALERT_TIME, {7, 30}, "0C 07 1E"},
        {CMD_TYPE_ALERT_TIME, {0xFF, 0xFF}, "0C FF FF"},
        {CMD_TYPE_GETDAY_DATA, {}, "15"},
        {CMD_TYPE_GETCURR_DATA, {}, "16"},
        {CMD_TYPE_GET_VERSION, {0}, "17"},
        {CMD_TYPE_GET_SLEEP, {0}, "19"},
        {CMD_TYPE_WISH, {0x1B, 0x05}, "1B 05"},
        {CMD_TYPE_WISH, {0x05, 0x00}, "1B 00"},
        {CMD_TYPE_PRESENT, {0x1C, 0x10}, "1C 10"},
        {CMD_TYPE_PROMPT_SIT, {0x1E, 0x02, 0x08, 0x00, 0x12, 0x00}, "1E 02 08 00 12 00"},
        {CMD_TYPE_PROMPT_MEAD, {0x1F, 0x0C, 0x17, 0x3B, 0x00, 0x00}, "1F 0C 17 3B 00 00"},
        {CMD_TYPE_FACTORY, {0xB6, 0x5A}, "B6 5A"},
        // Date and time: calendar year, 24-hour clock.
        {CMD_TYPE_DATE, {}, "08 07 DE 0C 1D", {2014, 12, 29, 0, 30, 0}},
        {CMD_TYPE_TIME, {}, "09 00 1E 00", {2014, 12, 29, 0, 30, 0}},
        {CMD_TYPE_TIME, {}, "09 0C 00 00", {2014, 12, 29, 12, 0, 0}},
        {CMD_TYPE_TIME, {}, "09 17 3B 3B", {2014, 12, 29, 23, 59, 59}},
        // Short caller data reads as zeros, never past its end.
        {CMD_TYPE_PROMPT_SIT, {0x1E}, "1E 00 00 00 00 00"},
        {CMD_TYPE_ALERT_TIME, {}, "0C 00 00"},
        {CMD_TYPE_BODYHEIGHT, {}, "none"},
    };
    for (const auto& c : cases) EXPECT_EQ(frameOf(c.code, c.data, c.now), c.frame) << int(c.code) << " " << c.frame;
}

TEST(BuildFrame, NonCommandsYieldNothing) {
    for (int code : {0, 1, 2, 3, 13, 14, 20, 24, 26, 29, 32, 51, 52, 181, 183, 255}) {
        EXPECT_EQ(frameOf(static_cast<std::uint8_t>(code), {1, 2, 3, 4, 5, 6}), "none") << code;
        EXPECT_STREQ(CommandLogLine(static_cast<std::uint8_t>(code)), "") << code;
    }
}
