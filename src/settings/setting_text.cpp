// SPDX-License-Identifier: MIT
// A setting given as text (the command line, the bus): checked as the settings file checks it, then stored.
#include "settings/setting_text.h"

#include "platform/local_time.h"
#include "platform/strprintf.h"
#include "settings/settings_keys.h"

#include <charconv>

namespace vantro {
namespace {

std::string acceptedText(const SettingKey& key) {
    if (!key.choices.empty()) return "one of " + std::string(key.choices);
    switch (key.type) {
        case SettingType::Integer:
            if (key.editorMax == key.editorMin + 1) {
                return key.name == kFindMe ? "1 (on) or 2 (off)" : "0 (off) or 1 (on)";
            }
            return "a whole number from " + std::to_string(key.editorMin) + " to " + std::to_string(key.editorMax);
        case SettingType::Boolean:
            return "true or false";
        case SettingType::String:
            return "any text";
        case SettingType::TimeStamp:
            return "a local time YYYY-MM-DDTHH:MM:SS, or HH:MM for today";
    }
    return {};
}

std::optional<bool> parseBool(std::string_view text) {
    for (auto t : {"true", "1", "on", "yes"}) {
        if (text == t) return true;
    }
    for (auto f : {"false", "0", "off", "no"}) {
        if (text == f) return false;
    }
    return std::nullopt;
}

// The store's clock counts nanoseconds in 64 bits, from late 1677 to early 2262; whole years inside that fit.
bool yearFits(int year) {
    return year >= 1678 && year <= 2261;
}

// A time stamp, or absent; `outOfRange` tells a real date the store cannot hold from text that is no date.
std::optional<Instant> parseStamp(std::string_view text, Instant now, bool& outOfRange) {
    if (auto utc = parseIsoUtc(text)) return utc;
    if (text.size() == 20 && text.back() == 'Z') {
        auto local = parseIsoLocal(text.substr(0, 19));
        outOfRange = local.has_value();
        return std::nullopt;
    }
    if (auto local = parseIsoLocal(text)) {
        outOfRange = !yearFits(local->year);
        return outOfRange ? std::nullopt : fromLocal(*local);
    }
    if (auto time = parseTime(text)) {
        // On a day whose clock skips this time, the nearest day that shows it, so the hour and minute stay.
        const LocalDateTime today = toLocal(now);
        return exactInstant(dayShowingAll({today.year, today.month, today.day}, {*time}), *time);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> parseWholeNumber(std::string_view text) {
    std::int64_t v = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last || first == last) return std::nullopt;
    return v;
}

std::string settableKeyList() {
    std::string list;
    for (auto keys : {settingKeys(), localSettingKeys()}) {
        for (const auto& k : keys) {
            if (k.name == kFlags) continue;
            list += (list.empty() ? "" : ", ") + std::string(k.name);
        }
    }
    return list;
}

std::variant<StoredValue, SettingTextError> parseSettingText(std::string_view key, std::string_view text, Instant now) {
    if (key == kFlags) {
        return SettingTextError{"flags is the initialisation marker and is not edited; use 'settings init'"};
    }
    const SettingKey* known = findSettingKey(key);
    if (!known) return SettingTextError{"no setting " + quoteText(key) + "; the settings are " + settableKeyList()};
    const std::string name(key);
    const SettingTextError refused{name + " takes " + acceptedText(*known) + ", not " + quoteText(text)};
    switch (known->type) {
        case SettingType::Integer: {
            auto v = parseWholeNumber(text);
            if (!v || *v < known->editorMin || *v > known->editorMax || !isSettingChoice(*known, std::to_string(*v))) {
                return refused;
            }
            return StoredValue{*v};
        }
        case SettingType::Boolean:
            if (auto v = parseBool(text)) return StoredValue{*v};
            return refused;
        case SettingType::String:
            if (!isSettingChoice(*known, text)) return refused;
            if (!isValidUtf8(text))
                return SettingTextError{"the text for " + name + " is not valid UTF-8; nothing was changed"};
            if (holdsControlCharacters(text)) {
                return SettingTextError{"the text for " + name + " holds control characters, " + quoteText(text) +
                                        "; nothing was changed"};
            }
            return StoredValue{std::string(text)};
        case SettingType::TimeStamp: {
            bool outOfRange = false;
            auto v = parseStamp(text, now, outOfRange);
            if (outOfRange) return SettingTextError{name + " takes times from 1678 to 2261, not " + quoteText(text)};
            if (!v) return refused;
            return StoredValue{*v};
        }
    }
    return refused;
}

void storeSetting(KeyValueStore& store, std::string_view key, const StoredValue& value) {
    if (auto i = std::get_if<std::int64_t>(&value)) {
        store.setInteger(key, *i);
    } else if (auto b = std::get_if<bool>(&value)) {
        store.setBool(key, *b);
    } else if (auto s = std::get_if<std::string>(&value)) {
        store.setString(key, *s);
    } else {
        store.setDate(key, std::get<Instant>(value));
    }
}

}  // namespace vantro
