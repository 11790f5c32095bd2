// SPDX-License-Identifier: MIT
// The settings keys with their types and defaults, the one-time initialisation, and the greeting lists.
#pragma once

#include "platform/key_value_store.h"
#include "platform/local_time.h"
#include "platform/localizer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantro {

// Key spellings are part of the stored format ("Inteval" included).
inline constexpr std::string_view kFlags = "flags";
inline constexpr std::string_view kBodyHeight = "bodyHeight";
inline constexpr std::string_view kBodyWeight = "bodyWeight";
inline constexpr std::string_view kDisplayTime = "displaytime";
inline constexpr std::string_view kAlertTime = "alerttime";
inline constexpr std::string_view kAlertSwitch = "alertswitch";
inline constexpr std::string_view kImaSwitch = "imaswitch";
inline constexpr std::string_view kImaPhone = "imaphone";
inline constexpr std::string_view kFindMe = "findme";
inline constexpr std::string_view kTelephoneAlert = "telephonealert";
inline constexpr std::string_view kMsgAlert = "msgalert";
inline constexpr std::string_view kWish = "Wish";
inline constexpr std::string_view kPresent = "Present";
inline constexpr std::string_view kLongTimeSitInteval = "LongTimeSitInteval";
inline constexpr std::string_view kMedicineInteval = "MedicineInteval";
inline constexpr std::string_view kLongTimeSitSTime = "LongTimeSitSTime";
inline constexpr std::string_view kLongTimeSitETime = "LongTimeSitETime";
inline constexpr std::string_view kMedicineSTime = "MedicineSTime";
inline constexpr std::string_view kMedicineETime = "MedicineETime";
/// Our own: the folder of the last backup file chosen in the app (never sent to the band).
inline constexpr std::string_view kLastBackupFolder = "lastBackupFolder";

/// "flags" holds this once the defaults have been written.
inline constexpr std::int64_t kSettingsInitialized = 12345;
/// "findme" codes: every reader tests for kFindMeOn, so anything else (0 before initialisation) is off.
inline constexpr std::int64_t kFindMeOn = 1;
inline constexpr std::int64_t kFindMeOff = 2;

inline constexpr int kPresentCount = 17;
inline constexpr int kWishCount = 13;

enum class SettingType { Integer, Boolean, String, TimeStamp };

/// One entry of the key table; `editorMin`..`editorMax` bound what the editors store in an integer key.
struct SettingKey {
    std::string_view name;
    SettingType type;
    std::int64_t editorMin = 0;
    std::int64_t editorMax = 0;
};

/// Every key, in the order the initialisation writes them.
std::span<const SettingKey> settingKeys();
/// The table entry of `name`, or nothing for a key the app does not use.
const SettingKey* findSettingKey(std::string_view name);
/// "integer", "boolean", "string", "date".
std::string_view settingTypeName(SettingType type);

/// Writes every default, all five time stamps set to `now`, unless "flags" already holds the marker.
/// Any other "flags" value means not initialised, and every entry is overwritten. True when it wrote.
bool initializeDefaults(KeyValueStore& store, Instant now);

/// The local hour and minute of a stored time stamp; an absent one stands for `now`.
TimeOfDay hourMinuteOf(const std::optional<Instant>& stamp, Instant now);

/// The present list (17 texts) and the wish list (13 texts); "Present" and "Wish" store the 0-based index.
std::vector<std::string> presentList(const Localizer& localizer);
std::vector<std::string> wishList(const Localizer& localizer);

}  // namespace vantro
