// SPDX-License-Identifier: MIT
// The key table, the one-time initialisation, hour and minute of time stamps, the greeting lists.
#include "settings/settings_keys.h"

#include "tz_guard.h"

#include <gtest/gtest.h>

#include <set>

using namespace vantro;
using vantro::testing::TzGuard;

namespace {

// 2014-07-15 08:30:00 UTC
const Instant kMoment{std::chrono::seconds{1405413000}};

// Counts writes, to tell "initialised again" from "left alone".
struct CountingStore : MemoryKeyValueStore {
    int writes = 0;
    void changed() override { ++writes; }
};

}  // namespace

TEST(SettingsKeys, FreshStoreGetsEveryDefaultOnce) {
    CountingStore store;
    EXPECT_TRUE(initializeDefaults(store, kMoment));
    EXPECT_EQ(store.writes, 19);
    EXPECT_EQ(store.values().size(), settingKeys().size());
    // The values show on the settings screen's first start and in the sync's frames; every entry holds
    // the type of the table.
    for (const auto& key : settingKeys()) {
        const StoredValue& v = store.values().find(key.name)->second;
        const size_t expected[] = {0, 1, 2, 3};  // variant index per SettingType
        EXPECT_EQ(v.index(), expected[static_cast<int>(key.type)]) << key.name;
    }

    EXPECT_FALSE(initializeDefaults(store, kMoment + std::chrono::hours(1)));
    EXPECT_EQ(store.writes, 19);
    EXPECT_EQ(store.dateForKey(kAlertTime), kMoment);
}

// Values set before the first start (vantro-cli settings set findme 1) are the user's: only keys with no
// valid value get their default, whatever "flags" held.
TEST(SettingsKeys, AnyOtherMarkerFillsOnlyMissingOrInvalidValues) {
    for (std::int64_t marker : {0, 1, 12344, 12346, -12345}) {
        CountingStore store;
        store.setInteger(kFlags, marker);
        store.setInteger(kBodyHeight, 180);
        store.setString(kImaPhone, "110");
        store.setBool(kAlertSwitch, true);
        store.setInteger(kFindMe, kFindMeOn);
        store.setInteger(kBodyWeight, 400);     // out of its range: replaced
        store.setString(kDisplayTime, "long");  // of the wrong type: replaced
        store.setString("someone-else", "kept");
        EXPECT_TRUE(initializeDefaults(store, kMoment)) << marker;
        EXPECT_EQ(store.integerForKey(kFlags), kSettingsInitialized);
        EXPECT_EQ(store.integerForKey(kBodyHeight), 180);
        EXPECT_EQ(store.stringForKey(kImaPhone), "110");
        EXPECT_TRUE(store.boolForKey(kAlertSwitch));
        EXPECT_EQ(store.integerForKey(kFindMe), kFindMeOn);
        EXPECT_EQ(store.integerForKey(kBodyWeight), 65);
        EXPECT_EQ(store.integerForKey(kDisplayTime), 5);
        EXPECT_EQ(store.dateForKey(kAlertTime), kMoment);
        EXPECT_EQ(store.stringForKey("someone-else"), "kept");
        // Writing the same value again is no write.
        const int writes = store.writes;
        store.setInteger(kBodyHeight, 180);
        EXPECT_EQ(store.writes, writes);
    }
}

TEST(SettingsKeys, HourAndMinuteAreLocalWhateverTheDate) {
    struct Case {
        const char* tz;
        const char* utc;
        int hour, minute;
    };
    const Case cases[] = {
        {"UTC0", "2014-07-15T23:59:59Z", 23, 59},
        {"UTC0", "1999-12-31T00:05:00Z", 0, 5},
        {"CST-8", "2014-07-14T16:05:00Z", 0, 5},                    // Beijing: next day 00:05
        {"CST-8", "2014-07-15T15:59:00Z", 23, 59},                  // Beijing: 23:59
        {"EST5EDT,M3.2.0,M11.1.0", "2014-07-15T11:30:00Z", 7, 30},  // summer time, UTC-4
        {"EST5EDT,M3.2.0,M11.1.0", "2014-01-15T11:30:00Z", 6, 30},  // winter time, UTC-5
        {"<+0545>-5:45", "2014-07-15T00:00:00Z", 5, 45},            // Kathmandu
    };
    for (const auto& c : cases) {
        TzGuard tz(c.tz);
        const auto t = parseIsoUtc(c.utc);
        ASSERT_TRUE(t);
        EXPECT_EQ(hourMinuteOf(t, kMoment), (TimeOfDay{c.hour, c.minute})) << c.tz << " " << c.utc;
    }
    // Absent: the current moment.
    TzGuard tz("CST-8");
    EXPECT_EQ(hourMinuteOf(std::nullopt, kMoment), (TimeOfDay{16, 30}));
}

TEST(SettingsKeys, GreetingListsHaveRealTextsInBothLanguages) {
    IdentityLocalizer keys;
    const auto presentKeys = presentList(keys);
    const auto wishKeys = wishList(keys);
    ASSERT_EQ(presentKeys.size(), 17u);
    ASSERT_EQ(wishKeys.size(), 13u);
    EXPECT_EQ(presentKeys.front(), "PresentArray1");
    EXPECT_EQ(presentKeys.back(), "PresentArray17");
    EXPECT_EQ(wishKeys.back(), "WishArray13");

    for (const char* lang : {"en", "zh_CN"}) {
        GettextLocalizer loc(lang);
        for (const auto& list : {presentList(loc), wishList(loc)}) {
            std::set<std::string> distinct(list.begin(), list.end());
            EXPECT_EQ(distinct.size(), list.size()) << lang;
            for (const auto& text : list) {
                EXPECT_EQ(text.find("Array"), std::string::npos) << lang << ": untranslated " << text;
                EXPECT_FALSE(text.empty());
            }
        }
    }
    EXPECT_EQ(presentList(GettextLocalizer("en"))[1], "Have a great day!");
    EXPECT_EQ(wishList(GettextLocalizer("zh_CN"))[0], "生日快乐！");
}
