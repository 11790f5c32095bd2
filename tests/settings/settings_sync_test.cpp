// SPDX-License-Identifier: MIT
// The fourteen-command settings batch, frame by frame.
#include "settings/setting_commands.h"
#include "settings/settings_sync.h"

#include "protocol/codes.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"

#include "delegate_fixture.h"
#include "temp_dir.h"
#include "tz_guard.h"

#include <filesystem>

using namespace vantro;
using namespace vantro::testing;

namespace {

// Notes the sync status at every write, to see that the batch is marked as running.
struct WatchingPeripheral : FakePeripheral {
    using FakePeripheral::FakePeripheral;
    const SettingsSync* sync = nullptr;
    std::vector<int> statusAtWrite;
    void writeValue(const Bytes& value, const BleCharacteristicPtr& c, BleWriteType type) override {
        statusAtWrite.push_back(sync ? sync->m_sync_status.load() : -1);
        FakePeripheral::writeValue(value, c, type);
    }
};

const Instant kDefaults{std::chrono::seconds{1404202800}};  // 2014-07-01 08:20:00 UTC

struct Sync : DelegateFixture<> {
    std::shared_ptr<WatchingPeripheral> band =
        std::make_shared<WatchingPeripheral>("8A7C2E1F-0000-4000-8000-00000000A001", "Vantro");
    SettingsSync sync{app};

    void SetUp() override {
        const auto service = band->addWristbandService();
        band->connected = true;
        band->sync = &sync;
        app.peripheral = band;
        app.characteristic = service->characteristics;
    }
    std::vector<std::string> frames() const { return band->writtenFrames(); }
    std::string frameOf(std::uint8_t code) const {
        for (const auto& w : band->writes) {
            if (!w.value.empty() && w.value[0] == code) return hex(w.value);
        }
        return "none";
    }
};

}  // namespace

TEST_F(Sync, DefaultsGiveTheFourteenFramesInOrder) {
    initializeDefaults(settings, kDefaults);
    sync.SyncData();
    EXPECT_EQ(frames(),
              (std::vector<std::string>{"08 07 DE 07 0F", "09 0F 04 05", "04 A5", "05 41", "0B 05", "0C FF FF", "0A 02",
                                        "17", "1B 00", "1C 00", "1E 00 08 14 08 14", "1F 00 08 14 08 14", "19", "15"}));
    for (const auto& w : band->writes) {
        EXPECT_EQ(w.characteristic, band->characteristic(kCommandCharacteristicUuid));
        EXPECT_EQ(w.type, BleWriteType::WithResponse);
    }
    EXPECT_EQ(band->statusAtWrite, std::vector<int>(14, 1));
    EXPECT_EQ(sync.m_sync_status, 0);
    EXPECT_EQ(app.strTransmitStatus(), "Syncing");
    EXPECT_EQ(app.m_send_status, 0);
    EXPECT_TRUE(log.contains("SendData: CMD_TYPE_ PRESENT"));
}

TEST_F(Sync, StatusTextIsLocalised) {
    GettextLocalizer zh("zh_CN");
    CompanionStateKeeper chineseState;
    VantroAppDelegate chinese(AppPorts{loop, log, zh, settings}, chineseState);
    SettingsSync(chinese).SyncData();
    EXPECT_EQ(chinese.strTransmitStatus(), zh.localizedString("SyncNoCommands"));
    EXPECT_NE(chinese.strTransmitStatus(), "SyncNoCommands");
    chinese.peripheral = band;
    chinese.characteristic = app.characteristic;
    SettingsSync(chinese).SyncData();
    EXPECT_EQ(chinese.strTransmitStatus(), zh.localizedString("Syncing"));
    EXPECT_NE(chinese.strTransmitStatus(), "Syncing");
}

TEST_F(Sync, AlarmIsSentInLocalTimeOnlyWhenSwitchedOn) {
    TzGuard tz("CST-8");
    initializeDefaults(settings, kDefaults);
    settings.setDate(kAlertTime, *parseIsoUtc("2014-07-14T23:30:00Z"));  // 07:30 in Beijing
    sync.SyncData();
    EXPECT_EQ(frameOf(CMD_TYPE_ALERT_TIME), "0C FF FF");
    // The date and time frames carry the local clock as well.
    EXPECT_EQ(frameOf(CMD_TYPE_DATE), "08 07 DE 07 0F");
    EXPECT_EQ(frameOf(CMD_TYPE_TIME), "09 17 04 05");

    band->writes.clear();
    settings.setBool(kAlertSwitch, true);
    sync.SyncData();
    EXPECT_EQ(frameOf(CMD_TYPE_ALERT_TIME), "0C 07 1E");

    // Read as an integer: only the low byte counts.
    for (const auto& [value, frame] : {std::pair{256, "0C FF FF"}, std::pair{257, "0C 07 1E"}}) {
        band->writes.clear();
        settings.setInteger(kAlertSwitch, value);
        sync.SyncData();
        EXPECT_EQ(frameOf(CMD_TYPE_ALERT_TIME), frame) << value;
    }
}

TEST_F(Sync, IntervalCodesAreBounded) {
    initializeDefaults(settings, kDefaults);
    struct Case {
        std::int64_t sit, medicine;
        const char* sitByte;
        const char* medicineByte;
    };
    for (const Case& c : {Case{7, 13, "05", "0D"}, Case{-1, 20, "00", "0D"}, Case{5, 12, "05", "0C"},
                          Case{3, -5, "03", "00"}, Case{1 << 20, 1 << 20, "05", "0D"}}) {
        band->writes.clear();
        settings.setInteger(kLongTimeSitInteval, c.sit);
        settings.setInteger(kMedicineInteval, c.medicine);
        sync.SyncData();
        EXPECT_EQ(frameOf(CMD_TYPE_PROMPT_SIT), std::string("1E ") + c.sitByte + " 08 14 08 14") << c.sit;
        EXPECT_EQ(frameOf(CMD_TYPE_PROMPT_MEAD), std::string("1F ") + c.medicineByte + " 08 14 08 14") << c.medicine;
    }
}

// A key that holds no value (never written, or damaged in the file) is never sent as 0 or "now": the
// band keeps what it has.
TEST_F(Sync, WindowsUseTheirOwnStampsAndMissingValuesAreNotSent) {
    TzGuard tz("EST5EDT,M3.2.0,M11.1.0");
    settings.setInteger(kFlags, kSettingsInitialized);
    settings.setInteger(kMedicineInteval, 0);
    settings.setDate(kMedicineSTime, *parseIsoUtc("2014-07-15T12:00:00Z"));  // 08:00 local
    settings.setDate(kMedicineETime, *parseIsoUtc("2014-07-16T01:45:00Z"));  // 21:45 local
    settings.setInteger(kLongTimeSitInteval, 2);                             // its window is missing
    settings.setBool(kAlertSwitch, true);                                    // its time is missing
    sync.SyncData();
    EXPECT_EQ(frameOf(CMD_TYPE_PROMPT_MEAD), "1F 00 08 00 15 2D");
    EXPECT_EQ(frameOf(CMD_TYPE_PROMPT_SIT), "none");
    EXPECT_EQ(frameOf(CMD_TYPE_ALERT_TIME), "none");
    EXPECT_EQ(frameOf(CMD_TYPE_DISPLAY_TIME), "none");
    EXPECT_EQ(frameOf(CMD_TYPE_FINDME), "none");
    // The requests go out all the same.
    EXPECT_EQ(frames().size(), 6u) << ::testing::PrintToString(frames());
    EXPECT_FALSE(commandForSetting(settings, kDisplayTime, kDefaults));
    EXPECT_FALSE(commandForSetting(settings, kAlertTime, kDefaults));
}

TEST_F(Sync, RefusedCommandsDoNotStopTheBatch) {
    // Never initialised: no setting is sent as 0, the clock and the requests still go out.
    sync.SyncData();
    EXPECT_EQ(frames(), (std::vector<std::string>{"08 07 DE 07 0F", "09 0F 04 05", "17", "19", "15"}));
    EXPECT_EQ(sync.m_sync_status, 0);

    // Values are cut to their low byte: 300 becomes 2C (44), which is refused as a height.
    band->writes.clear();
    initializeDefaults(settings, kDefaults);
    settings.setInteger(kBodyHeight, 300);
    settings.setInteger(kBodyWeight, 256 + 70);
    settings.setInteger(kWish, 12);
    settings.setInteger(kPresent, 16);
    settings.setInteger(kFindMe, 1);
    sync.SyncData();
    EXPECT_EQ(frames().size(), 13u);
    EXPECT_EQ(frameOf(CMD_TYPE_BODYHEIGHT), "none");
    EXPECT_EQ(frameOf(CMD_TYPE_BODYWEIGHT), "05 46");
    EXPECT_EQ(frameOf(CMD_TYPE_WISH), "1B 0C");
    EXPECT_EQ(frameOf(CMD_TYPE_PRESENT), "1C 10");
    EXPECT_EQ(frameOf(CMD_TYPE_FINDME), "0A 01");
}

TEST_F(Sync, WithoutACommandCharacteristicNothingIsWrittenAndTheStatusSaysSo) {
    initializeDefaults(settings, kDefaults);
    // Before discovery, and with a service that lacks the command characteristic.
    for (bool discovered : {false, true}) {
        app.tell(SyncEnded{SyncState::Idle, std::nullopt, {}});
        app.characteristic.reset();
        if (discovered) {
            app.characteristic = std::vector{band->characteristic(kReportCharacteristicUuid)};
        }
        sync.SyncData();
        EXPECT_TRUE(band->writes.empty());
        EXPECT_EQ(sync.m_sync_status, 0);
        EXPECT_EQ(app.strTransmitStatus(), "SyncNoCommands") << discovered;
        EXPECT_FALSE(app.syncProgress().running());
    }
    EXPECT_TRUE(log.contains("SyncData: not sent, the band offers no command characteristic"));
}

TEST_F(Sync, SendsWhatTheFileHoldsNowAndNothingWhenItCannotBeRead) {
    TempDir dir;
    JsonKeyValueStore fileStore(dir.path(), log);
    initializeDefaults(fileStore, kDefaults);
    CompanionStateKeeper runningState;
    VantroAppDelegate running{AppPorts{loop, log, localizer, fileStore}, runningState};
    running.peripheral = band;
    running.characteristic = app.characteristic;
    SettingsSync runningSync(running);

    JsonKeyValueStore(dir.path(), log).setInteger(kBodyHeight, 180);  // another program, meanwhile
    runningSync.SyncData();
    EXPECT_EQ(frameOf(CMD_TYPE_BODYHEIGHT), "04 B4");

    band->writes.clear();
    std::filesystem::remove(dir / "settings.json");
    std::filesystem::create_directory(dir / "settings.json");
    runningSync.SyncData();
    EXPECT_FALSE(runningSync.applySetting(kBodyHeight));
    EXPECT_TRUE(band->writes.empty());  // not the defaults still in memory
    EXPECT_NE(log.lines.back().find("settings.json"), std::string::npos);
}
