// SPDX-License-Identifier: MIT
// The settings screen's rows and taps. Which page each row opens shows in the pages' own tests; asking
// before a factory reset is clicked through in the app flows.
#include "settings_screen_fixture.h"

#include "platform/localizer.h"
#include "store/sqlite_data.h"

#include "temp_dir.h"

#include <filesystem>

using namespace vantro;
using namespace vantro::testing;

using SettingsScreen = SettingsScreenFixture;

TEST_F(SettingsScreen, FirstStartShowsTheDefaults) {
    EXPECT_EQ(settings.integerForKey("flags"), 12345);
    ASSERT_EQ(screen.numberOfSections(), 5);
    const int rows[] = {2, 2, 5, 2, 4};
    for (int s = 0; s < 5; ++s) EXPECT_EQ(screen.numberOfRowsInSection(s), rows[s]);
    EXPECT_EQ(screen.titleForHeaderInSection(2), "PromptSettings");
    EXPECT_EQ(screen.titleForHeaderInSection(5), "");
    EXPECT_EQ(screen.title(), "Settings");

    struct Expect {
        IndexPath path;
        const char* caption;
        const char* detail;
        const char* image;
        bool disclosure;
    };
    const Expect expected[] = {
        {{0, 0}, "WirelessNetwork", "Disconnected", "bluetooth.png", true},
        {{0, 1}, "Sync", "NoSync", "sync_a.png", false},
        {{1, 0}, "Present", "PresentArray1", "settings_present.png", true},
        {{1, 1}, "Wish", "WishArray1", "settings_wish.png", true},
        {{2, 0}, "Telincome", "Off", "telincome.png", false},
        {{2, 1}, "Message", "Off", "msgincome.png", false},
        {{2, 2}, "LongTimeSit", "txtOff", "settings_sit.png", true},
        {{2, 3}, "MedicinePrompt", "txtOff", "settings_medicine.png", true},
        {{2, 4}, "Alarm", "Off", "alarm_time.png", true},
        {{3, 0}, "BodyHeight", "165 cm", "body_height.png", true},
        {{3, 1}, "BodyWeight", "65 kg", "body_weight.png", true},
        {{4, 0}, "DisplayDelay", "5 Second", "display_time.png", true},
        {{4, 1}, "LostPrompt", "Off", "findme.png", false},
        {{4, 2}, "FactoryReset", "FactoryResetPrompt", "settings_reset.png", false},
        {{4, 3}, "About", "V1.0.0", "settings_version.png", false},
    };
    for (const auto& e : expected) {
        const SettingsRow r = screen.cellForRowAtIndexPath(e.path);
        EXPECT_EQ(std::tie(r.caption, r.detail, r.image, r.disclosure),
                  std::make_tuple(e.caption, e.detail, e.image, e.disclosure));
    }
}

TEST_F(SettingsScreen, DetailFormatsOfStoredValues) {
    settings.setInteger("LongTimeSitInteval", 3);
    settings.setInteger("MedicineInteval", 3);
    settings.setBool("alertswitch", true);
    settings.setDate("alerttime", *fromLocal({2014, 7, 1, 7, 5, 0}));
    EXPECT_EQ(screen.cellForRowAtIndexPath({2, 2}).detail, "2txtHour");
    EXPECT_EQ(screen.cellForRowAtIndexPath({2, 3}).detail, "3txtHour");
    EXPECT_EQ(screen.cellForRowAtIndexPath({2, 4}).detail, "07:05");
    settings.setInteger("LongTimeSitInteval", 1);
    EXPECT_EQ(screen.cellForRowAtIndexPath({2, 2}).detail, "txtLongTimeSit45m");
    settings.setInteger("Present", 16);
    EXPECT_EQ(screen.cellForRowAtIndexPath({1, 0}).detail, "PresentArray17");
    settings.setInteger("Present", 17);  // no editor stores it: nothing rather than a wrong entry
    EXPECT_EQ(screen.cellForRowAtIndexPath({1, 0}).detail, "");
}

TEST_F(SettingsScreen, ChineseTextsExistForEveryRow) {
    // Every Chinese text differs from its key; a missing translation would show the key itself. Of the
    // details, only the words are compared: the others are values.
    auto texts = [&] {
        std::vector<std::string> out{screen.title()};
        for (int sec = 0; sec < screen.numberOfSections(); ++sec) {
            out.push_back(screen.titleForHeaderInSection(sec));
            for (int row = 0; row < screen.numberOfRowsInSection(sec); ++row) {
                const SettingsRow r = screen.cellForRowAtIndexPath({sec, row});
                out.push_back(r.caption);
                const bool word = r.detail == "Off" || r.detail == "txtOff" || r.detail == "FactoryResetPrompt";
                out.push_back(word ? r.detail : "");
            }
        }
        return out;
    };
    const std::vector<std::string> keys = texts();
    localizer.catalog.emplace("zh_CN");
    screen.viewDidLoad();
    const std::vector<std::string> zh = texts();
    ASSERT_EQ(zh.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!keys[i].empty()) {
            EXPECT_NE(zh[i], keys[i]);
        }
    }
}

TEST_F(SettingsScreen, TimerRefreshesOnlyVisibleStatusRows) {
    int changes = 0;
    screen.changed = [&] { ++changes; };
    screen.setVisibleRows({{0, 1}, {3, 0}});
    app.setLinkState(LinkState::Connected);
    app.tell(SyncBegan{false});
    loop.advance(1.0);
    EXPECT_EQ(screen.visibleRow({0, 1}).detail, "Syncing");
    EXPECT_EQ(changes, 1);
    // Row 0 was not on screen: made now, it shows the link state from the peripheral, not the text.
    EXPECT_EQ(screen.visibleRow({0, 0}).detail, "Disconnected");
    screen.setVisibleRows({{0, 0}, {0, 1}});
    loop.advance(1.0);
    EXPECT_EQ(screen.visibleRow({0, 0}).detail, "Connected");
}

// The call and message switches are only stored; find-me is sent, and switched off it stops the alarm.
TEST_F(SettingsScreen, TogglesStoreAndOnlyFindMeReachesTheBand) {
    connectBand();
    screen.didSelectRowAtIndexPath({2, 0});
    EXPECT_EQ(settings.integerForKey("telephonealert"), 1);
    screen.didSelectRowAtIndexPath({2, 0});
    EXPECT_EQ(settings.integerForKey("telephonealert"), 0);
    settings.setInteger("msgalert", 7);
    screen.didSelectRowAtIndexPath({2, 1});
    EXPECT_EQ(settings.integerForKey("msgalert"), 0);
    EXPECT_TRUE(band->writes.empty());

    screen.didSelectRowAtIndexPath({4, 1});
    EXPECT_EQ(settings.integerForKey("findme"), 1);
    EXPECT_EQ(screen.strDataExchange, "findme");
    EXPECT_EQ(alarmStops, 0);
    screen.didSelectRowAtIndexPath({4, 1});
    EXPECT_EQ(settings.integerForKey("findme"), 2);
    EXPECT_EQ(alarmStops, 1);
    EXPECT_EQ(frames(), (std::vector<std::string>{"0A 01", "0A 02"}));
    EXPECT_EQ(screen.cellForRowAtIndexPath({4, 1}).detail, "Off");
}

TEST_F(SettingsScreen, SyncSendsTheBatchOnceAtATime) {
    connectBand();
    screen.didSelectRowAtIndexPath({0, 1});
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(app.strTransmitStatus(), "Syncing");
    EXPECT_EQ(frames().size(), 14u);  // the frames themselves are the sync's own test

    // A tap while it runs waits for the same sync.
    screen.didSelectRowAtIndexPath({0, 1});
    EXPECT_EQ(app.strTransmitStatus(), "Syncing");
    EXPECT_EQ(frames().size(), 14u);
}

TEST_F(SettingsScreen, FactoryResetEmptiesTheDatabaseEvenWithoutABand) {
    TempDir dir;
    app.m_db = std::make_shared<sqlite_data>(dir.path(), log);
    ASSERT_TRUE(app.m_db->updateData(CalendarDate{2014, 7, 15}, 1000, 300, 150, 87, 0, 45));
    settings.setInteger("bodyHeight", 180);
    screen.didSelectRowAtIndexPath({4, 2});
    ASSERT_EQ(alerts.size(), 1u);
    alerts[0].clickedButtonAtIndex(1);
    std::vector<sportsData> days;
    EXPECT_EQ(app.m_db->databaseToArray(days), 0);
    EXPECT_EQ(settings.integerForKey("bodyHeight"), 180);
    EXPECT_FALSE(log.contains("SendData: CMD_TYPE_FACTORY"));  // no band: nothing delivered
    // ... and the user is told that only the data went.
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[1].message, "txtResetDoneNoBand");
    EXPECT_EQ(alerts[1].buttons().size(), 1u);
}

TEST_F(SettingsScreen, BackupFillsInOnlyWhatIsMissingAndSaysWhyItFailed) {
    TempDir dir;
    app.m_db.reset();
    EXPECT_FALSE(screen.exportBackup(dir / "none.json").ok);  // no database yet: a reason, no file
    EXPECT_FALSE(std::filesystem::exists(dir / "none.json"));

    app.m_db = std::make_shared<sqlite_data>(dir / "a", log);
    ASSERT_TRUE(app.m_db->updateData(CalendarDate{2014, 7, 15}, 1000, 300, 150, 87, 0, 45));
    const BackupOutcome exported = screen.exportBackup(dir / "backup.csv");
    ASSERT_TRUE(exported.ok) << exported.error;
    EXPECT_EQ(exported.records, 1u);
    EXPECT_EQ(readFile(dir / "backup.csv").substr(0, 9), "date,step");

    app.m_db = std::make_shared<sqlite_data>(dir / "b", log);
    ASSERT_TRUE(app.m_db->updateData(CalendarDate{2014, 7, 15}, 5, 0, 0, 0, 0, 0));
    const BackupOutcome imported = screen.importBackup(dir / "backup.csv");
    ASSERT_TRUE(imported.ok) << imported.error;
    EXPECT_EQ(imported.counts.daysUpdated, 0);  // a stored value stays
    std::int32_t step = 0, distance = 0, cal = 0, rest = 0, tstep = 0, active = 0;
    ASSERT_TRUE(app.m_db->queryData(CalendarDate{2014, 7, 15}, step, distance, cal, rest, tstep, active));
    EXPECT_EQ(step, 5);

    writeFile(dir / "bad.json", "[{\"date\": \"2014-07-16\", \"step\": -1}]");
    const BackupOutcome refused = screen.importBackup(dir / "bad.json");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error.rfind(dir / "bad.json:1: step must be", 0), 0u) << refused.error;
}
