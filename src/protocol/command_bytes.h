// SPDX-License-Identifier: MIT
// The data bytes each caller hands to SendData, built in one place so the settings sync, the property
// pages, the settings screen and the phone event relay cannot drift apart.
#pragma once

#include "platform/local_time.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vantro {

/// No command reads more than six data bytes.
inline constexpr std::size_t kCommandDataSize = 6;

// What the wristband accepts for the single-byte body settings; the editors check the same bounds.
inline constexpr int kBodyHeightMin = 80;
inline constexpr int kBodyWeightMin = 10;
inline constexpr int kDisplayTimeMin = 3;
inline constexpr int kSettingByteMax = 255;

/// The interval choices the reminder commands carry: the sitting editor offers 0 to 5, the medicine
/// editor 0 to 12, and 13 is still let through as the band has always accepted it.
inline constexpr std::int64_t kSitIntervalMax = 5;
inline constexpr std::int64_t kMedicineIntervalMax = 13;

/// One call of SendData: the command code, its data bytes (unused ones zero) and the length passed.
struct Command {
    std::uint8_t type = 0;
    std::array<std::uint8_t, kCommandDataSize> data{};
    std::int8_t length = 1;
    bool operator==(const Command&) const = default;
};

/// Height, weight, display time and find-me: d[0] is the low byte of the stored value (165 → A5).
Command settingByteCommand(std::uint8_t type, std::int64_t value);
/// The alarm: hour and minute, or FF FF when it is switched off.
Command alarmCommand(std::optional<TimeOfDay> alarm);
/// Wish or present: d[0] repeats the code, d[1] is the low byte of the chosen entry.
Command greetingCommand(std::uint8_t type, std::int64_t entry);
/// Sitting or medicine reminder: code, interval (held to what the band accepts), start and end of the window.
Command reminderCommand(std::uint8_t type, std::int64_t interval, TimeOfDay start, TimeOfDay end);
/// Date, time, version, sleep and day data: the frame carries no caller byte.
Command requestCommand(std::uint8_t type);
/// A telephony event relayed to the band (call or message); the frame's second byte is fixed.
Command phoneEventCommand(std::uint8_t type);
/// The factory reset the user confirmed.
Command factoryResetCommand();

}  // namespace vantro
