// SPDX-License-Identifier: MIT
// A setting given as text (the command line, the bus): checked as the settings file checks it, then stored.
#pragma once

#include "platform/key_value_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vantro {

/// What went wrong with a setting given as text: an unknown or reserved key, or a value it does not take.
struct SettingTextError {
    std::string why;  // one line, the caller's text quoted and escaped
};

/// The value `text` gives the setting `key`, or why it gives none. Times are local: "YYYY-MM-DDTHH:MM:SS",
/// "...Z" for UTC, or "HH:MM" for today (`now`'s day). parseSettingText("height", "336", now) fails:
/// the file would set that aside as damaged too.
/// A whole number written in decimal, an optional '+' first; absent for anything else or out of range.
std::optional<std::int64_t> parseWholeNumber(std::string_view text);

std::variant<StoredValue, SettingTextError> parseSettingText(std::string_view key, std::string_view text, Instant now);
/// Writes `value` under `key` with the store's typed setter.
void storeSetting(KeyValueStore& store, std::string_view key, const StoredValue& value);
/// Every key a user may set, comma-separated.
std::string settableKeyList();

}  // namespace vantro
