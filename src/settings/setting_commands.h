// SPDX-License-Identifier: MIT
// The one table from stored setting to band command, for the settings batch and for one changed setting.
#pragma once

#include "platform/key_value_store.h"
#include "platform/local_time.h"
#include "protocol/command_bytes.h"

#include <optional>
#include <string_view>
#include <vector>

namespace vantro {

/// The command that carries the stored value of `key` to the band, absent for a key the band does not
/// take. Keys that travel together share one command: the alarm's switch and time, a reminder's interval
/// and window.
std::optional<Command> commandForSetting(const KeyValueStore& store, std::string_view key, Instant now);

/// The settings batch: date, time, height, weight, display time, alarm, find-me, version request, wish,
/// present, sitting and medicine reminders, sleep and day requests.
std::vector<Command> settingsBatch(const KeyValueStore& store, Instant now);

/// The keys whose stored values reach the band (each key that shares a command included).
std::vector<std::string_view> bandSettingKeys();

}  // namespace vantro
