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
    store.setInteger(kFlags, kSettingsInitialized);
    store.setInteger(kBodyHeight, 165);
    store.setInteger(kBodyWeight, 65);
    store.setInteger(kDisplayTime, 5);
    store.setDate(kAlertTime, now);
    store.setBool(kAlertSwitch, false);
    store.setBool(kImaSwitch, false);
    store.setString(kImaPhone, "00");
    store.setInteger(kFindMe, kFindMeOff);
    store.setInteger(kTelephoneAlert, 0);
    store.setInteger(kMsgAlert, 0);
    store.setInteger(kWish, 0);
    store.setInteger(kPresent, 0);
    store.setInteger(kLongTimeSitInteval, 0);
    store.setInteger(kMedicineInteval, 0);
    store.setDate(kLongTimeSitSTime, now);
    store.setDate(kLongTimeSitETime, now);
    store.setDate(kMedicineSTime, now);
    store.setDate(kMedicineETime, now);
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
