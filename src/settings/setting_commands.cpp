// SPDX-License-Identifier: MIT
// The one table from stored setting to band command, for the settings batch and for one changed setting.
#include "settings/setting_commands.h"

#include "protocol/codes.h"
#include "settings/settings_keys.h"

#include <array>
#include <span>

namespace vantro {
namespace {

using Make = std::optional<Command> (*)(const KeyValueStore&, Instant);

/// One row: the keys whose values the command carries (none for a plain request), and how it is made.
struct Row {
    std::array<std::string_view, 3> keys;
    Make make;
};

TimeOfDay hm(const KeyValueStore& s, std::string_view key) {
    return toLocal(*s.dateForKey(key)).time();
}

// Whether every key the command carries holds a value of its type. A key that is missing (never
// written, or damaged in the file) has no value to send: read as 0 or "now" it would change the band
// (an alarm moved to the current minute, a display time of 0).
bool allStored(const KeyValueStore& s, std::span<const std::string_view> keys) {
    for (std::string_view k : keys) {
        if (k.empty()) continue;
        const auto value = s.valueForKey(k);
        if (!value || !fitsSettingType(*findSettingKey(k), *value)) return false;
    }
    return true;
}

// In the batch's order; the version request sits where the band has always had it.
const std::array<Row, 10> kTable{{
    {{kBodyHeight},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         return settingByteCommand(CMD_TYPE_BODYHEIGHT, s.integerForKey(kBodyHeight));
     }},
    {{kBodyWeight},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         return settingByteCommand(CMD_TYPE_BODYWEIGHT, s.integerForKey(kBodyWeight));
     }},
    {{kDisplayTime},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         return settingByteCommand(CMD_TYPE_DISPLAY_TIME, s.integerForKey(kDisplayTime));
     }},
    {{kAlertSwitch, kAlertTime},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         // Any nonzero low byte counts as on, as the band has always been told.
         const bool on = (s.integerForKey(kAlertSwitch) & 0xFF) != 0;
         return alarmCommand(on ? std::optional<TimeOfDay>(hm(s, kAlertTime)) : std::nullopt);
     }},
    {{kFindMe},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         return settingByteCommand(CMD_TYPE_FINDME, s.integerForKey(kFindMe));
     }},
    {{}, [](const KeyValueStore&, Instant) -> std::optional<Command> { return requestCommand(CMD_TYPE_GET_VERSION); }},
    {{kWish},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         return greetingCommand(CMD_TYPE_WISH, s.integerForKey(kWish));
     }},
    {{kPresent},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         return greetingCommand(CMD_TYPE_PRESENT, s.integerForKey(kPresent));
     }},
    {{kLongTimeSitInteval, kLongTimeSitSTime, kLongTimeSitETime},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         return reminderCommand(CMD_TYPE_PROMPT_SIT, s.integerForKey(kLongTimeSitInteval), hm(s, kLongTimeSitSTime),
                                hm(s, kLongTimeSitETime));
     }},
    {{kMedicineInteval, kMedicineSTime, kMedicineETime},
     [](const KeyValueStore& s, Instant) -> std::optional<Command> {
         return reminderCommand(CMD_TYPE_PROMPT_MEAD, s.integerForKey(kMedicineInteval), hm(s, kMedicineSTime),
                                hm(s, kMedicineETime));
     }},
}};

}  // namespace

std::optional<Command> commandForSetting(const KeyValueStore& store, std::string_view key, Instant now) {
    if (key.empty()) return std::nullopt;
    for (const Row& row : kTable) {
        for (std::string_view k : row.keys) {
            if (k == key) return allStored(store, row.keys) ? row.make(store, now) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::vector<Command> settingsBatch(const KeyValueStore& store, Instant now) {
    std::vector<Command> batch{requestCommand(CMD_TYPE_DATE), requestCommand(CMD_TYPE_TIME)};
    for (const Row& row : kTable) {
        if (!allStored(store, row.keys)) continue;
        if (auto c = row.make(store, now)) batch.push_back(*c);
    }
    batch.push_back(requestCommand(CMD_TYPE_GET_SLEEP));
    batch.push_back(requestCommand(CMD_TYPE_GETDAY_DATA));
    return batch;
}

std::vector<std::string_view> bandSettingKeys() {
    std::vector<std::string_view> keys;
    for (const Row& row : kTable) {
        for (std::string_view k : row.keys) {
            if (!k.empty()) keys.push_back(k);
        }
    }
    return keys;
}

}  // namespace vantro
