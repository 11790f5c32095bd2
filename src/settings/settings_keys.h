// SPDX-License-Identifier: MIT
// The settings keys' types and defaults, the one-time initialisation, and the greeting lists.
#pragma once

#include "platform/key_value_store.h"
#include "platform/local_time.h"
#include "platform/localizer.h"
#include "platform/setting_keys.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantro {

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
