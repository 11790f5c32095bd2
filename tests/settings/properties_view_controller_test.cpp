// SPDX-License-Identifier: MIT
#include "settings_screen_fixture.h"
#include "tz_guard.h"

#include <map>
#include <set>

using namespace vantro;
using namespace vantro::testing;

using PropertyPage = SettingsScreenFixture;

// That a number page opens empty, with its placeholder, is clicked through in the app flows.
TEST_F(PropertyPage, NumberPagesTakeOnlyValuesWithinTheirBounds) {
    connectBand();
    struct Case {
        IndexPath page;
        const char* text;
        const char* prompt;  // "" when accepted
        const char* frame;
    };
    const Case cases[] = {
        {{3, 0}, "", "txtHeightPrompt", ""},
        {{3, 0}, "79", "txtHeightPromptWan", ""},
        {{3, 0}, "256", "txtHeightPromptWan", ""},
        {{3, 0}, "abc", "txtHeightPromptWan", ""},
        {{3, 0}, "-170", "txtHeightPromptWan", ""},
        {{3, 0}, "99999999999999999999999", "txtHeightPromptWan", ""},
        {{3, 0}, "80", "", "04 50"},
        {{3, 0}, "255", "", "04 FF"},
        {{3, 0}, " +170cm", "", "04 AA"},
        {{3, 1}, "", "txtWeightPrompt", ""},
        {{3, 1}, "9", "txtWeightPromptWan", ""},
        {{3, 1}, "256", "txtWeightPromptWan", ""},
        {{3, 1}, "10", "", "05 0A"},
        {{4, 0}, "", "txtDisplayDelayPrompt", ""},
        {{4, 0}, "2", "txtDisplayDelayPromptWan", ""},
        {{4, 0}, "256", "txtDisplayDelayPromptWan", ""},
        {{4, 0}, "3", "", "0B 03"},
        {{4, 0}, "255", "", "0B FF"},
    };
    const auto stored = [&] {
        return std::vector{settings.integerForKey("bodyHeight"), settings.integerForKey("bodyWeight"),
                           settings.integerForKey("displaytime")};
    };
    for (const auto& c : cases) {
        alerts.clear();
        band->writes.clear();
        const auto before = stored();
        auto& p = open(c.page);
        ASSERT_TRUE(p.controlWithTag(kNumberFieldTag));
        p.controlWithTag(kNumberFieldTag)->text = c.text;
        p.ProessResult();
        const bool accepted = *c.prompt == '\0';
        EXPECT_EQ(p.dismissed(), accepted) << c.text;
        if (accepted) {
            EXPECT_TRUE(alerts.empty()) << c.text;
            EXPECT_EQ(frames(), (std::vector<std::string>{c.frame}));
            continue;
        }
        EXPECT_TRUE(band->writes.empty()) << c.text;
        EXPECT_EQ(stored(), before) << c.text << ": a refused value replaced the last accepted one";
        ASSERT_EQ(alerts.size(), 1u) << c.text;
        EXPECT_EQ(alerts[0].title, "Prompt");
        EXPECT_EQ(alerts[0].message, c.prompt);
        EXPECT_EQ(alerts[0].buttons(), (std::vector<std::string>{"OK"}));
    }
    // The last accepted values stay, on the screen too.
    EXPECT_EQ(stored(), (std::vector<std::int64_t>{170, 10, 255}));
    EXPECT_EQ(screen.cellForRowAtIndexPath({3, 0}).detail, "170 cm");
}

TEST_F(PropertyPage, OkIsPlainInSavePromptsAndLocalisedInWindowPrompts) {
    localizer.catalog.emplace("zh_CN");
    open({3, 1}).ProessResult();  // empty weight
    open({2, 3}).ProessResult();  // unchanged medicine window
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0].title, alerts[1].title);
    EXPECT_NE(alerts[0].title, "Prompt");
    EXPECT_EQ(alerts[0].buttons(), (std::vector<std::string>{"OK"}));
    EXPECT_EQ(alerts[1].buttons(), (std::vector<std::string>{localizer.localizedString("OK")}));
    EXPECT_NE(alerts[1].buttons()[0], "OK");
}

TEST_F(PropertyPage, AlarmOffStillStoresThePickedTime) {
    connectBand();
    auto& p = open({2, 4});
    ASSERT_TRUE(p.controlWithTag(kAlarmSwitchTag) && p.controlWithTag(kAlarmTimeTag));
    EXPECT_FALSE(p.controlWithTag(kAlarmSwitchTag)->on);
    p.controlWithTag(kAlarmTimeTag)->time = {7, 30};
    p.ProessResult();
    EXPECT_EQ(frames(), (std::vector<std::string>{"0C FF FF"}));
    EXPECT_FALSE(settings.boolForKey("alertswitch"));
    EXPECT_EQ(toLocal(*settings.dateForKey("alerttime")).time(), (TimeOfDay{7, 30}));

    band->writes.clear();
    auto& q = open({2, 4});
    EXPECT_EQ(q.controlWithTag(kAlarmTimeTag)->time, (TimeOfDay{7, 30}));
    q.controlWithTag(kAlarmSwitchTag)->on = true;
    q.ProessResult();
    EXPECT_EQ(frames(), (std::vector<std::string>{"0C 07 1E"}));
    EXPECT_EQ(screen.cellForRowAtIndexPath({2, 4}).detail, "07:30");
}

// A picked time the clock skips today (a spring-forward gap) keeps its hour and minute everywhere.
TEST_F(PropertyPage, TimesInAClockGapKeepTheirHourAndMinute) {
    connectBand();
    struct Case {
        const char* tz;
        long long utc;  // a moment on the day the clock springs forward
        TimeOfDay alarm, from, to;
        const char* alarmFrame;
        const char* windowFrame;
    };
    const Case cases[] = {
        {"Europe/Berlin", 1711879200, {2, 30}, {2, 10}, {3, 10}, "0C 02 1E", "1E 00 02 0A 03 0A"},
        {"Australia/Lord_Howe", 1728172800, {2, 10}, {2, 15}, {2, 45}, "0C 02 0A", "1E 00 02 0F 02 2D"},
    };
    for (const auto& c : cases) {
        TzGuard tz(c.tz);
        loop.setWallNow(Instant{std::chrono::seconds{c.utc}});
        band->writes.clear();
        auto& a = open({2, 4});
        a.controlWithTag(kAlarmSwitchTag)->on = true;
        a.controlWithTag(kAlarmTimeTag)->time = c.alarm;
        a.ProessResult();
        EXPECT_EQ(toLocal(*settings.dateForKey("alerttime")).time(), c.alarm) << c.tz;
        EXPECT_EQ(screen.cellForRowAtIndexPath({2, 4}).detail, formatTime(c.alarm));
        EXPECT_EQ(open({2, 4}).controlWithTag(kAlarmTimeTag)->time, c.alarm);

        auto& w = open({2, 2});
        w.controlWithTag(kSitStartTag)->time = c.from;
        w.controlWithTag(kSitEndTag)->time = c.to;
        w.ProessResult();
        EXPECT_TRUE(w.dismissed()) << c.tz;
        EXPECT_EQ(frames(), (std::vector<std::string>{c.alarmFrame, c.windowFrame}));
        EXPECT_EQ(toLocal(*settings.dateForKey("LongTimeSitSTime")).time(), c.from);
    }
}

TEST_F(PropertyPage, ListPagesMarkOneRowAndSaveIt) {
    connectBand();
    auto& p = open({1, 1});
    EXPECT_EQ(p.numberOfRows(), 13);
    EXPECT_TRUE(p.scrolls());
    EXPECT_EQ(p.listCaption(0), "WishArray1");
    for (int r = 0; r < 13; ++r) EXPECT_FALSE(p.hasCheckmark(r));
    p.didSelectRowAtIndexPath(3);
    p.didSelectRowAtIndexPath(5);
    EXPECT_FALSE(p.hasCheckmark(3));
    EXPECT_TRUE(p.hasCheckmark(5));
    EXPECT_EQ(p.wish_row, 5);
    p.backAction();
    EXPECT_TRUE(p.dismissed());
    EXPECT_EQ(settings.integerForKey("Wish"), 0);
    EXPECT_TRUE(band->writes.empty());

    auto& q = open({1, 0});
    EXPECT_EQ(q.numberOfRows(), 17);
    q.ProessResult();  // nothing chosen: closes, sends nothing
    EXPECT_TRUE(q.dismissed());
    EXPECT_TRUE(band->writes.empty());
    auto& r = open({1, 0});
    r.didSelectRowAtIndexPath(16);
    r.ProessResult();
    EXPECT_EQ(settings.integerForKey("Present"), 16);
    EXPECT_EQ(frames(), (std::vector<std::string>{"1C 10"}));
}

TEST_F(PropertyPage, ReminderPagesClampTheStoredInterval) {
    settings.setInteger("LongTimeSitInteval", 7);
    EXPECT_EQ(open({2, 2}).controlWithTag(kSitIntervalTag)->selectedSegment, 5);
    settings.setInteger("LongTimeSitInteval", -1);
    EXPECT_EQ(open({2, 2}).controlWithTag(kSitIntervalTag)->selectedSegment, 0);
    settings.setInteger("MedicineInteval", 20);
    auto& med = open({2, 3});
    ASSERT_TRUE(med.controlWithTag(kMedicineIntervalTag));
    EXPECT_EQ(med.controlWithTag(kMedicineIntervalTag)->selectedSegment, 12);
    EXPECT_EQ(med.controlWithTag(kMedicineIntervalTag)->segments.back(), "12");
}

TEST_F(PropertyPage, UnchangedWindowIsRefusedButTheIntervalIsKept) {
    connectBand();
    auto& p = open({2, 2});
    p.controlWithTag(kSitIntervalTag)->selectedSegment = 2;
    p.ProessResult();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, "txtTimeSame");
    EXPECT_EQ(alerts[0].buttons(), (std::vector<std::string>{"OK"}));
    EXPECT_FALSE(p.dismissed());
    EXPECT_EQ(settings.integerForKey("LongTimeSitInteval"), 2);
    EXPECT_TRUE(band->writes.empty());

    p.controlWithTag(kSitStartTag)->time = {18, 0};
    p.controlWithTag(kSitEndTag)->time = {8, 0};
    p.ProessResult();
    EXPECT_EQ(alerts.back().message, "txtTimeLessThanStart");

    p.controlWithTag(kSitStartTag)->time = {8, 0};
    p.controlWithTag(kSitEndTag)->time = {18, 0};
    p.ProessResult();
    EXPECT_TRUE(p.dismissed());
    EXPECT_EQ(frames(), (std::vector<std::string>{"1E 02 08 00 12 00"}));
    EXPECT_EQ(toLocal(*settings.dateForKey("LongTimeSitETime")).time(), (TimeOfDay{18, 0}));

    auto& m = open({2, 3});
    m.controlWithTag(kMedicineIntervalTag)->selectedSegment = 12;
    m.controlWithTag(kMedicineStartTag)->time = {9, 15};
    m.controlWithTag(kMedicineEndTag)->time = {21, 45};
    m.ProessResult();
    EXPECT_EQ(frames().back(), "1F 0C 09 0F 15 2D");
}

// The emergency page is reached from no row and was never translated.
TEST_F(PropertyPage, EmergencyPageStoresWhateverIsTyped) {
    connectBand();
    PropertiesViewController p(app, session, {"IMAPhone", {}, nullptr});
    p.viewDidLoad();
    EXPECT_EQ(p.title(), "紧急呼叫");
    EXPECT_EQ(p.rows().size(), 2u);
    EXPECT_EQ(p.controlWithTag(kEmergencyNumberTag)->text, "00");
    EXPECT_EQ(p.controlWithTag(kEmergencyNumberTag)->placeholder, "请输入电话号码");
    p.controlWithTag(kEmergencySwitchTag)->on = true;
    p.controlWithTag(kEmergencyNumberTag)->text = "";
    p.ProessResult();
    EXPECT_TRUE(settings.boolForKey("imaswitch"));
    EXPECT_EQ(settings.stringForKey("imaphone"), "");
    EXPECT_TRUE(band->writes.empty());
}

// Every page the settings screen opens carries its own title, kind and row height; a page missing from
// the screen or a title swapped between pages shows up here.
TEST_F(PropertyPage, EveryPageHasItsTitleKindAndRowHeight) {
    struct Expected {
        const char* title;
        PageKind kind;
        double phoneRowHeight;
    };
    const std::map<std::string, Expected> expected = {
        {"Bluetooth", {"PropertyBluetoothSetup", PageKind::Picker, 50}},
        {"Present", {"PropertyPresent", PageKind::List, 50}},
        {"Wish", {"PropertyWish", PageKind::List, 50}},
        {"LongTimeSit", {"PropertyLongTimeSit", PageKind::Form, 700}},
        {"Medicine", {"PropertyMedicine", PageKind::Form, 700}},
        {"Alert", {"PropertyAlermTime", PageKind::Form, 300}},
        {"BodyHeight", {"PropertyBodyHeight", PageKind::Form, 50}},
        {"BodyWeight", {"PropertyBodyWeight", PageKind::Form, 50}},
        {"DisplayTime", {"PropertyDisplay", PageKind::Form, 50}},
    };
    std::set<std::string> opened;
    for (int section = 0; section < screen.numberOfSections(); ++section) {
        for (int row = 0; row < screen.numberOfRowsInSection(section); ++row) {
            if (screen.cellForRowAtIndexPath({section, row}).action != SettingsAction::OpenPage) continue;
            page = nullptr;
            PropertiesViewController& p = open({section, row});
            const auto it = expected.find(p.pageKey());
            ASSERT_NE(it, expected.end()) << p.pageKey();
            EXPECT_EQ(std::make_tuple(p.title(), p.kind(), p.rowHeight()),
                      std::make_tuple(it->second.title, it->second.kind, it->second.phoneRowHeight))
                << p.pageKey();
            EXPECT_EQ(p.kind() == PageKind::Form, !p.rows().empty()) << p.pageKey();
            opened.insert(p.pageKey());
        }
    }
    EXPECT_EQ(opened.size(), expected.size());
}

TEST_F(PropertyPage, UnknownKeyIsAnEmptyPage) {
    PropertiesViewController p(app, session, {"findme", {}, nullptr});
    p.viewDidLoad();
    EXPECT_EQ(p.title(), "");
    EXPECT_EQ(p.numberOfRows(), 1);
    EXPECT_TRUE(p.rows().empty());
    p.ProessResult();
    EXPECT_TRUE(p.dismissed());
}
