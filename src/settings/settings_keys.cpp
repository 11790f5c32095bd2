// SPDX-License-Identifier: MIT
// The settings keys with their types and defaults, the one-time initialisation, and the greeting lists.
#include "settings/settings_keys.h"

#include <array>

namespace vantro {
namespace {

using T = SettingType;

const std::array<SettingKey, 19> kKeys{{
    {kFlags, T::Integer},
    {kBodyHeight, T::Integer, 80, 255},
    {kBodyWeight, T::Integer, 10, 255},
    {kDisplayTime, T::Integer, 3, 255},
    {kAlertTime, T::TimeStamp},
    {kAlertSwitch, T::Boolean},
    {kImaSwitch, T::Boolean},
    {kImaPhone, T::String},
    {kFindMe, T::Integer, kFindMeOn, kFindMeOff},
    {kTelephoneAlert, T::Integer, 0, 1},
    {kMsgAlert, T::Integer, 0, 1},
    {kWish, T::Integer, 0, kWishCount - 1},
    {kPresent, T::Integer, 0, kPresentCount - 1},
    {kLongTimeSitInteval, T::Integer, 0, 5},
    {kMedicineInteval, T::Integer, 0, 12},
    {kLongTimeSitSTime, T::TimeStamp},
    {kLongTimeSitETime, T::TimeStamp},
    {kMedicineSTime, T::TimeStamp},
    {kMedicineETime, T::TimeStamp},
}};

const std::array<SettingKey, 6> kLocalKeys{{
    {kAutoSyncHours, T::Integer, 0, 12, "0 1 3 6 12", "3"},
    {kRelayNotifications, T::String, 0, 0, "off all chosen", "chosen"},
    {kRelayAppsSeen, T::String},
    {kRelayAppsChosen, T::String},
    {kLastSyncTime, T::TimeStamp},
    {kBandVersion, T::String},
}};

std::vector<std::string> numberedTexts(const Localizer& localizer, const char* prefix, int count) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) texts.push_back(localizer.localizedString(prefix + std::to_string(i)));
    return texts;
}

}  // namespace

std::span<const SettingKey> settingKeys() {
    return kKeys;
}

std::span<const SettingKey> localSettingKeys() {
    return kLocalKeys;
}

bool isSettingChoice(const SettingKey& key, std::string_view text) {
    if (key.choices.empty()) return true;
    std::string_view rest = key.choices;
    while (!rest.empty()) {
        const auto blank = rest.find(' ');
        if (rest.substr(0, blank) == text) return true;
        rest = blank == std::string_view::npos ? std::string_view{} : rest.substr(blank + 1);
    }
    return false;
}

const SettingKey* findSettingKey(std::string_view name) {
    for (const auto& k : kKeys) {
        if (k.name == name) return &k;
    }
    for (const auto& k : kLocalKeys) {
        if (k.name == name) return &k;
    }
    return nullptr;
}

bool fitsSettingType(const SettingKey& key, const StoredValue& value) {
    switch (key.type) {
        case T::Integer:
        case T::Boolean:
            return std::holds_alternative<std::int64_t>(value) || std::holds_alternative<bool>(value);
        case T::String:
            return std::holds_alternative<std::string>(value);
        case T::TimeStamp:
            return std::holds_alternative<Instant>(value);
    }
    return false;
}

// A value its command or page would not accept is damaged like one of the wrong type, rather than
// being sent to the band cut to a byte (bodyHeight 421 would arrive as 165) or silently read as the
// default (autoSyncHours 7 as 3).
bool isValidSettingValue(const SettingKey& key, const StoredValue& value) {
    if (!fitsSettingType(key, value)) return false;
    if (const auto* text = std::get_if<std::string>(&value)) return isSettingChoice(key, *text);
    if (key.type != T::Integer || key.editorMin == key.editorMax) return true;
    const std::int64_t v = std::holds_alternative<bool>(value) ? std::get<bool>(value) : std::get<std::int64_t>(value);
    return v >= key.editorMin && v <= key.editorMax && isSettingChoice(key, std::to_string(v));
}

std::string_view settingTypeName(SettingType type) {
    switch (type) {
        case T::Integer:
            return "integer";
        case T::Boolean:
            return "boolean";
        case T::String:
            return "string";
        case T::TimeStamp:
            return "date";
    }
    return "integer";
}

bool initializeDefaults(KeyValueStore& store, Instant now) {
    if (store.integerForKey(kFlags) == kSettingsInitialized) return false;
    auto missing = [&](std::string_view name) {
        const auto value = store.valueForKey(name);
        return !value || !isValidSettingValue(*findSettingKey(name), *value);
    };
    // The marker last, so that an initialisation cut short is taken up again at the next start.
    auto integer = [&](std::string_view name, std::int64_t v) {
        if (missing(name)) store.setInteger(name, v);
    };
    auto boolean = [&](std::string_view name, bool v) {
        if (missing(name)) store.setBool(name, v);
    };
    auto date = [&](std::string_view name) {
        if (missing(name)) store.setDate(name, now);
    };
    integer(kBodyHeight, 165);
    integer(kBodyWeight, 65);
    integer(kDisplayTime, 5);
    date(kAlertTime);
    boolean(kAlertSwitch, false);
    boolean(kImaSwitch, false);
    if (missing(kImaPhone)) store.setString(kImaPhone, "00");
    integer(kFindMe, kFindMeOff);
    integer(kTelephoneAlert, 0);
    integer(kMsgAlert, 0);
    integer(kWish, 0);
    integer(kPresent, 0);
    integer(kLongTimeSitInteval, 0);
    integer(kMedicineInteval, 0);
    date(kLongTimeSitSTime);
    date(kLongTimeSitETime);
    date(kMedicineSTime);
    date(kMedicineETime);
    store.setInteger(kFlags, kSettingsInitialized);
    return true;
}

TimeOfDay hourMinuteOf(const std::optional<Instant>& stamp, Instant now) {
    return toLocal(stamp.value_or(now)).time();
}

std::vector<std::string> presentList(const Localizer& localizer) {
    return numberedTexts(localizer, "PresentArray", kPresentCount);
}

std::vector<std::string> wishList(const Localizer& localizer) {
    return numberedTexts(localizer, "WishArray", kWishCount);
}

}  // namespace vantro
