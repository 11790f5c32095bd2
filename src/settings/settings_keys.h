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
    /// The only values a key takes, blank-separated ("0 1 3 6 12"); empty when any in range will do.
    std::string_view choices = {};
    /// What a key of our own that was never written stands for; empty for the rest.
    std::string_view absentValue = {};
};

/// Every key, in the order the initialisation writes them.
std::span<const SettingKey> settingKeys();
/// The keys of our own, which the initialisation leaves alone and readers default themselves.
std::span<const SettingKey> localSettingKeys();
/// Whether `text` is one of the key's choices (always, for a key without choices).
bool isSettingChoice(const SettingKey& key, std::string_view text);
/// The table entry of `name` (either table), or nothing for a key the app does not use.
const SettingKey* findSettingKey(std::string_view name);
/// Whether `value` is of the key's type (integers and booleans read as each other).
bool fitsSettingType(const SettingKey& key, const StoredValue& value);
/// Whether `value` is of the key's type and a value its editor or page could have stored.
bool isValidSettingValue(const SettingKey& key, const StoredValue& value);
/// "integer", "boolean", "string", "date".
std::string_view settingTypeName(SettingType type);

/// Writes the defaults, all five time stamps set to `now`, unless "flags" already holds the marker.
/// Only keys without a valid value get their default: a value set before the first start (with
/// `vantro-cli settings set`, say) is the user's and stays. True when it wrote.
bool initializeDefaults(KeyValueStore& store, Instant now);

/// The local hour and minute of a stored time stamp; an absent one stands for `now`.
TimeOfDay hourMinuteOf(const std::optional<Instant>& stamp, Instant now);

/// The present list (17 texts) and the wish list (13 texts); "Present" and "Wish" store the 0-based index.
std::vector<std::string> presentList(const Localizer& localizer);
std::vector<std::string> wishList(const Localizer& localizer);

}  // namespace vantro
