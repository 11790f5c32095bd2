// SPDX-License-Identifier: MIT
#include "link_fixture.h"

#include "store/sqlite_connection.h"

#include <algorithm>
#include <chrono>
#include <random>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct Controller : FakeBandFixture {
    void SetUp() override {
        FakeBandFixture::SetUp();
        log.lines.clear();
    }
    BleCharacteristicPtr report() const { return band->characteristic(kReportCharacteristicUuid); }
    /// Feeds one value as a notification of the report characteristic.
    void notify(const Bytes& value) {
        auto c = report() ? report() : std::make_shared<BleCharacteristic>();
        c->value = value;
        vc->didUpdateValueForCharacteristic(*band, c, std::nullopt);
    }
    /// A sync was asked for and its batch went out: the band's records answer it.
    void asked() {
        app().syncProgress().ask(nullptr);
        app().syncProgress().begin();
    }
};

}  // namespace

TEST_F(Controller, ViewDidLoadCompletesTheSharedStateAndASecondLoadKeepsTheManager) {
    EXPECT_EQ(vc->title(), "TodayData");
    app().tell(BackendChanged{true, {}});
    EXPECT_EQ(vc->title(), "TodayData \u00b7 SimulatedBand");
    app().tell(BackendChanged{true, "SimulatedNotRunning"});  // the reason is too long for a title: the header has it
    EXPECT_EQ(vc->title(), "TodayData \u00b7 SimulatedBand");
    app().tell(BackendChanged{false, {}});
    EXPECT_EQ(app().strBlueStatus(), "Disconnected");
    EXPECT_EQ(app().manager, central);
    EXPECT_EQ(central->delegate, vc);
    ASSERT_TRUE(app().bleList);
    EXPECT_TRUE(app().bleList->empty());
    ASSERT_TRUE(app().m_db);
    EXPECT_EQ(app().m_db->m_dataFilePath(), dir / "database.sqlite3");
    EXPECT_EQ(vc->heightForRowAtIndexPath(0), 70.0);
    EXPECT_TRUE(central->scans.empty());  // scanning waits for the powered-on state

    app().m_db->updateData(CalendarDate{2014, 7, 14}, 1, 2, 3, 4, 0, 5);
    vc->didDiscoverPeripheral(*central, band, -60);
    const auto firstDb = app().m_db;
    app().setLinkState(LinkState::Connected);
    vc->viewDidLoad();
    EXPECT_EQ(centralsMade, 1);
    EXPECT_EQ(app().manager, central);
    EXPECT_TRUE(app().bleList->empty());
    EXPECT_NE(app().m_db, firstDb);
    EXPECT_EQ(days().size(), 1u);  // a new object on the same file
    EXPECT_EQ(app().strBlueStatus(), "Disconnected");
}

TEST_F(Controller, RowHeightFollowsTheIdiom) {
    idiom = DeviceIdiom::Tablet;
    startOn(central);
    EXPECT_EQ(today().heightForRowAtIndexPath(3), 100.0);
    EXPECT_TRUE(today().didSelectRowAtIndexPath(3));
}

TEST_F(Controller, EveryCentralStateLogsItsLineAndOnlyPoweredOnScans) {
    const std::pair<BleCentralState, const char*> table[] = {
        {BleCentralState::Unknown, "StateUnknown------"},
        {BleCentralState::Resetting, "StateReseting-----"},
        {BleCentralState::Unsupported, "StateUnsupported-----"},
        {BleCentralState::Unauthorized, "StateUnahorized-----"},
        {BleCentralState::PoweredOff, "Central Manager did change state!------"},
        {BleCentralState::PoweredOn, "scanning ble device!-----"},
        {static_cast<BleCentralState>(9), "Central Manager did change state!------"},
        {BleCentralState::PoweredOn, "scanning ble device!-----"},
    };
    app().peripheral = band;
    app().setLinkState(LinkState::Connected);
    for (const auto& [state, line] : table) {
        central->currentState = state;
        vc->centralManagerDidUpdateState(*central);
        EXPECT_EQ(log.lines.back(), line);
    }
    EXPECT_EQ(log.lines.size(), 8u);
    ASSERT_EQ(central->scans.size(), 2u);  // each powered-on report scans again
    EXPECT_EQ(central->scans[0].services, std::vector<BleUuid>{BleUuid::fromString(kWristbandServiceUuid)});
    EXPECT_TRUE(central->scans[0].allowDuplicates);
    EXPECT_EQ(app().strBlueStatus(), "Connected");
    EXPECT_EQ(app().peripheral, band);
    EXPECT_FALSE(app().characteristic);
}

TEST_F(Controller, DiscoveryKeepsTheLatestAdvertisementPerNameAndIdentifier) {
    auto twin = std::make_shared<FakePeripheral>("8A7C2E1F-0000-4000-8000-00000000A002", "Vantro");
    auto nameless = std::make_shared<FakePeripheral>("8A7C2E1F-0000-4000-8000-00000000A003", std::nullopt);
    vc->didDiscoverPeripheral(*central, band, -60.4);
    vc->didDiscoverPeripheral(*central, band, -71);
    vc->didDiscoverPeripheral(*central, twin, -80);
    vc->didDiscoverPeripheral(*central, nameless, -90);
    vc->didDiscoverPeripheral(*central, nullptr, -50);
    band->m_name = "Vantro 2";  // renamed: a second entry
    vc->didDiscoverPeripheral(*central, band, -65);
    ASSERT_EQ(app().bleList->size(), 4u);
    const auto& first = app().bleList->at("Vantro: 8A7C2E1F-0000-4000-8000-00000000A001");
    EXPECT_EQ(first.device, band);
    EXPECT_FLOAT_EQ(first.rssi, -71.0f);
    EXPECT_FALSE(first.name);
    EXPECT_TRUE(app().bleList->count("(null): 8A7C2E1F-0000-4000-8000-00000000A003"));
    EXPECT_TRUE(app().bleList->count("Vantro 2: 8A7C2E1F-0000-4000-8000-00000000A001"));
    EXPECT_EQ(log.lines.front(), "---add:Vantro: 8A7C2E1F-0000-4000-8000-00000000A001");
    EXPECT_EQ(log.lines.size(), 5u);
    EXPECT_TRUE(central->connects.empty());  // discovery never connects
}

TEST_F(Controller, ConnectionSetUpRunsInOrderOnTheStoredWristband) {
    band->addWristbandService();
    auto info = std::make_shared<BleService>();
    info->uuid = BleUuid::fromString("180A");
    band->serviceList.push_back(info);
    auto other = std::make_shared<FakePeripheral>("8A7C2E1F-0000-4000-8000-00000000A009", "Other");

    app().setLinkState(LinkState::Connecting);
    app().connectPeripheral(band);
    ASSERT_EQ(central->connects.size(), 1u);
    band->connected = true;
    vc->didConnectPeripheral(*central, other);  // the stored wristband is set up, not the argument
    EXPECT_EQ(band->delegate, vc);
    EXPECT_EQ(other->delegate, nullptr);
    ASSERT_EQ(band->serviceDiscoveries.size(), 1u);
    EXPECT_EQ(band->serviceDiscoveries[0], std::vector<BleUuid>{BleUuid::fromString(kWristbandServiceUuid)});
    EXPECT_EQ(app().strBlueStatus(), "Connected");
    EXPECT_EQ(log.lines, std::vector<std::string>{"perpheral is connected------"});

    vc->didDiscoverServices(*band, BleError{"failed"});
    EXPECT_TRUE(band->characteristicDiscoveries.empty());
    vc->didDiscoverServices(*band, std::nullopt);
    ASSERT_EQ(band->characteristicDiscoveries.size(), 1u);  // only the wristband service
    EXPECT_EQ(band->characteristicDiscoveries[0], band->serviceList[0]);

    vc->didDiscoverCharacteristicsForService(*band, band->serviceList[0], BleError{"failed"});
    vc->didDiscoverCharacteristicsForService(*band, info, std::nullopt);
    EXPECT_FALSE(app().characteristic);
    EXPECT_TRUE(band->notifyRequests.empty());
    vc->didDiscoverCharacteristicsForService(*band, band->serviceList[0], std::nullopt);
    ASSERT_EQ(band->notifyRequests.size(), 1u);
    EXPECT_TRUE(band->notifyRequests[0].enabled);
    EXPECT_EQ(band->notifyRequests[0].characteristic, report());
    EXPECT_EQ(*app().characteristic, band->serviceList[0]->characteristics);

    // Notifications on: the report characteristic is read once; other characteristics are not.
    report()->isNotifying = true;
    vc->didUpdateNotificationStateForCharacteristic(*band, band->characteristic(kCommandCharacteristicUuid),
                                                    std::nullopt);
    EXPECT_TRUE(band->reads.empty());
    vc->didUpdateNotificationStateForCharacteristic(*band, report(), std::nullopt);
    ASSERT_EQ(band->reads.size(), 1u);
    EXPECT_EQ(band->reads[0], report());
    EXPECT_TRUE(central->cancels.empty());

    // The value read is a report like any other.
    notify(bytes("18 05 01"));
    EXPECT_EQ(row(6), "1.5");

    // An error with notifications on anyway is logged and the set-up goes on (a refusal that leaves them
    // off drops the connection: a row of the end-to-end link state table).
    vc->didUpdateNotificationStateForCharacteristic(*band, report(), BleError{"odd"});
    EXPECT_TRUE(log.contains("Error changing notification state:odd"));
    EXPECT_EQ(band->reads.size(), 2u);
    EXPECT_TRUE(central->cancels.empty());
}

TEST_F(Controller, DisconnectionReconnectsOnlyWithFindMeOnAndAWristbandRemembered) {
    struct Case {
        std::int64_t findme;
        bool remembered;
        const char* status;
        size_t connects;
    };
    const Case cases[] = {
        {1, true, "ReConnecting", 1},
        {2, true, "Disconnected", 0},
        {0, true, "Disconnected", 0},
        {1, false, "Disconnected", 0},  // a rescan cleared the wristband before the loss was reported
    };
    for (const auto& c : cases) {
        central->connects.clear();
        log.lines.clear();
        settings.setInteger("findme", c.findme);
        app().peripheral = c.remembered ? band : nullptr;
        app().setLinkState(LinkState::Connected);
        vc->didDisconnectPeripheral(*central, band, BleError{"The connection has timed out unexpectedly."});
        EXPECT_EQ(app().strBlueStatus(), c.status) << c.findme << c.remembered;
        ASSERT_EQ(central->connects.size(), c.connects);
        if (c.connects) {
            EXPECT_EQ(central->connects[0].peripheral, band);
            EXPECT_TRUE(central->connects[0].notifyOnConnection);
        }
        EXPECT_EQ(log.lines, std::vector<std::string>{" peripheral disconnected ------"});
    }
}

TEST_F(Controller, CurrentVersionAndUnknownReportsWriteTheirRows) {
    notify(bytes("33 10 27 E8 03 2C 01 96 00 57 00 00 00 2D 00"));
    EXPECT_EQ(std::make_tuple(row(0), row(1), row(2), row(3), row(4), row(5)),
              std::make_tuple("10000 steps", "10.00 km", "45 minute", "450 cal", "87 %", "-- db"));

    // Counts are unsigned: 50000 steps show as such.
    notify(bytes("33 50 C3 50 C3 2C 01 96 00 57 00 00 00 2D 00 01 02 03 04 05"));
    EXPECT_EQ(std::make_tuple(row(0), row(1)), std::make_tuple("50000 steps", "500.00 km"));

    notify(bytes("18 05"));
    EXPECT_EQ(row(6), "--");
    notify(bytes("18 05 01"));
    EXPECT_EQ(row(6), "1.5");
    notify(bytes("33 10 27"));  // too short: nothing, no log
    EXPECT_EQ(row(0), "50000 steps");
    EXPECT_TRUE(log.lines.empty());
    notify({});
    EXPECT_TRUE(log.lines.empty());
    notify(bytes("99"));
    EXPECT_EQ(log.lines, std::vector<std::string>{"not match type data!"});
    EXPECT_EQ(app().strTransmitStatus(), "NoSync");
    EXPECT_EQ(vc->reportsHandled(), 7u);
}

TEST_F(Controller, DayReportsAreStoredByDateAndSetSyncCompleteWithCalendarYearAnd24HourClock) {
    // A report no sync asked for is stored and completes nothing.
    notify(bytes("34 E8 03 2C 01 96 00 57 00 DE 07 07 0E 2D 00"));
    loop.advance(SyncProgress::kSettleSeconds);
    EXPECT_EQ(days().size(), 1u);
    EXPECT_EQ(app().strTransmitStatus(), "NoSync");
    app().m_db->clearData();
    asked();
    notify(bytes("34 E8 03 2C 01 96 00 57 00 DE 07 07 0F 2D 00"));
    auto d = days();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(std::tie(d[0].date, d[0].step, d[0].distance, d[0].calories, d[0].restcal, d[0].activetime),
              std::make_tuple("2014-07-15", 1000, 300, 150, 87, 45));
    std::int32_t step, dist, cal, rest, tstep = -1, active;
    ASSERT_TRUE(app().m_db->queryData(CalendarDate{2014, 7, 15}, step, dist, cal, rest, tstep, active));
    EXPECT_EQ(tstep, 0);
    // More days may follow: complete once they stop, with the time the last one was stored.
    EXPECT_EQ(app().strTransmitStatus(), "Syncing");
    loop.advance(SyncProgress::kSettleSeconds - 0.1);
    EXPECT_EQ(app().strTransmitStatus(), "Syncing");
    loop.advance(0.1);
    EXPECT_EQ(app().strTransmitStatus(), "SyncComplete 2014-07-15 15:04:07");

    // Around New Year the week-based year would already say 2015; the hour stays on the 24-hour clock.
    loop.setWallNow(Instant{std::chrono::seconds{1419894005}});  // 2014-12-29 23:00:05
    asked();
    notify(bytes("34 00 00 00 00 00 00 00 00 00 00 07 0F 00 00"));  // year 0: no record, still complete
    EXPECT_EQ(app().strTransmitStatus(), "SyncComplete 2014-12-29 23:00:05");
    EXPECT_EQ(days().size(), 1u);

    // A second report of the same date updates the row; a day that does not exist is not stored.
    asked();
    notify(bytes("34 50 C3 2C 01 96 00 57 00 DE 07 07 0F 2D 00"));
    notify(bytes("34 01 00 00 00 00 00 00 00 DE 07 02 1E 00 00"));
    loop.advance(SyncProgress::kSettleSeconds);
    d = days();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].step, 50000);
    EXPECT_EQ(app().strTransmitStatus(), "SyncComplete 2014-12-29 23:00:05");
}

TEST_F(Controller, SleepReportsAreStoredByDateBesideTheDay) {
    asked();
    notify(bytes("34 E8 03 2C 01 96 00 57 00 DE 07 07 0F 2D 00"));
    notify(bytes("1A DE 07 07 0F 0A 00 C8 00 78 00 3C 00 14 00 02 00 17 1E"));
    notify(bytes("1A DE 07 07 10 A0 05 00 00 00 00 00 00 00 00 00 00 18 00"));  // 24 h, start 24:00
    notify(bytes("1A 00 00 07 11 0A 00 C8 00 78 00 3C 00 14 00 02 00 17 1E"));  // year 0: ignored
    notify(bytes("1A DE 07 0D 01 0A 00 C8 00 78 00 3C 00 14 00 02 00 17 1E"));  // month 13: not stored
    const auto n = nights();
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(std::tie(n[0].date, n[0].enter_time, n[0].spindles_time, n[0].deep_time, n[0].rem_time, n[0].wakeup_time,
                       n[0].wakeup_count, n[0].total_time, n[0].start_time),
              std::make_tuple("2014-07-15", 10, 200, 120, 60, 20, 2, "06:50", "23:30"));
    EXPECT_EQ(std::tie(n[1].date, n[1].enter_time), std::make_tuple("2014-07-16", 1440));
    std::int32_t a, b, c, d, e, f;
    std::optional<TimeOfDay> total, start;
    ASSERT_TRUE(app().m_db->querySleepData(CalendarDate{2014, 7, 16}, a, b, c, d, e, f, total, start));
    EXPECT_FALSE(total);
    EXPECT_FALSE(start);
    EXPECT_EQ(days()[0].step, 1000);  // the day of the same date is untouched
    loop.advance(SyncProgress::kSettleSeconds);
    EXPECT_EQ(app().strTransmitStatus().rfind("SyncComplete", 0), 0u);
}

TEST_F(Controller, RecordsWaitInTheirOrderForADatabaseAnotherProgramHoldsWithoutHoldingUpTheLoop) {
    app().m_db->updateData(CalendarDate{2014, 7, 1}, 7, 7, 7, 7, 0, 7);
    asked();
    SqliteConnection holder(app().m_db->m_dataFilePath(), SqliteConnection::Mode::ReadWrite);
    ASSERT_EQ(holder.exec("BEGIN EXCLUSIVE"), 0);
    // A second per record was the old wait; a turn now gives way within a few milliseconds.
    double longest = 0;
    for (const char* report :
         {"34 E8 03 2C 01 96 00 57 00 DE 07 07 0F 2D 00", "1A DE 07 07 0F 0A 00 C8 00 78 00 3C 00 14 00 02 00 17 1E",
          "34 50 C3 2C 01 96 00 57 00 DE 07 07 0F 2D 00"}) {
        const auto start = std::chrono::steady_clock::now();
        notify(bytes(report));
        longest = std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    for (int i = 0; i < 100; ++i) {
        const auto start = std::chrono::steady_clock::now();
        loop.advance(0.05);
        longest = std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    EXPECT_LT(longest, 0.1);
    // The band is done, the records are not: the sync is still running, and nothing counts as failed.
    EXPECT_EQ(app().strTransmitStatus(), "Syncing");
    EXPECT_EQ(app().state().failedWrites, 0);

    holder.exec("ROLLBACK");
    loop.advance(RecordWriter::kRetrySeconds + 0.1);
    const auto d = days();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].step, 7);
    EXPECT_EQ(d[1].step, 50000);  // the later report of the date wins
    ASSERT_EQ(nights().size(), 2u);
    EXPECT_EQ(nights()[1].enter_time, 10);
    EXPECT_EQ(app().state().daysStored, 2);
    EXPECT_EQ(app().state().nightsStored, 1);
    EXPECT_EQ(app().strTransmitStatus().rfind("SyncComplete", 0), 0u) << app().strTransmitStatus();
}

TEST_F(Controller, AnyValueOfAnyLengthNeitherCrashesNorCorruptsTheDatabase) {
    std::mt19937 rng(20140715);
    const std::uint8_t codes[] = {0x0D, 0x18, 0x1A, 0x33, 0x34, 0x00, 0xFF, 0x99};
    settings.setBool("imaswitch", true);
    settings.setString("imaphone", "112");
    for (int i = 0; i < 3000; ++i) {
        Bytes v(rng() % 24);
        for (auto& b : v) b = static_cast<std::uint8_t>(rng());
        if (!v.empty() && rng() % 4 != 0) v[0] = codes[rng() % std::size(codes)];
        if (i % 500 == 0) v = {0x0D, 0x0E};
        // Keep many dates real so that updates of existing rows are exercised too.
        if (v.size() >= 15 && v[0] == 0x34 && rng() % 2) {
            v[9] = 0xDE, v[10] = 0x07, v[11] = static_cast<std::uint8_t>(1 + rng() % 12), v[12] = 1 + rng() % 28;
        }
        if (v.size() >= 19 && v[0] == 0x1A && rng() % 2) {
            v[1] = 0xDE, v[2] = 0x07, v[3] = static_cast<std::uint8_t>(1 + rng() % 12), v[4] = 1 + rng() % 28;
        }
        notify(v);
    }
    const auto d = days();
    const auto n = nights();
    EXPECT_GT(d.size(), 20u);
    for (const auto& row : d) EXPECT_TRUE(parseDate(row.date)) << row.date;
    for (size_t i = 1; i < d.size(); ++i) EXPECT_LT(d[i - 1].date, d[i].date);
    for (const auto& row : n) {
        EXPECT_TRUE(parseTime(row.total_time)) << row.total_time;
        EXPECT_TRUE(parseTime(row.start_time)) << row.start_time;
    }
    for (const auto& u : urls.opened) EXPECT_EQ(u, "tel://112");
    EXPECT_FALSE(urls.opened.empty());
}

TEST_F(Controller, SignalReadingsShowWhileConnectedAndDriveTheAlarmOnlyWithFindMeOn) {
    connected();
    band->currentRssi = -67.4;
    vc->peripheralDidUpdateRSSI(*band, std::nullopt);
    EXPECT_EQ(row(5), "-67db");
    // No current value: shown as none, and a sounding alarm is not cleared by it.
    setFindMe(true);
    band->currentRssi = -100;
    vc->peripheralDidUpdateRSSI(*band, std::nullopt);
    band->currentRssi.reset();
    vc->peripheralDidUpdateRSSI(*band, BleError{"x"});
    EXPECT_EQ(row(5), "-- db");
    EXPECT_TRUE(Audio_player::isAlarmActive());
    Audio_player::sharedInstance().clearAlert();
    notifier.notifications.clear();

    // Find-me off: the alarm is never touched, whatever the value.
    setFindMe(false);
    band->currentRssi = -120;
    vc->peripheralDidUpdateRSSI(*band, std::nullopt);
    EXPECT_FALSE(Audio_player::isAlarmActive());
    EXPECT_TRUE(notifier.notifications.empty());

    setFindMe(true);
    band->currentRssi = -95.0;  // exactly the limit: still in range
    vc->peripheralDidUpdateRSSI(*band, std::nullopt);
    EXPECT_FALSE(Audio_player::isAlarmActive());
    EXPECT_EQ(row(5), "-95db");
    band->currentRssi = -95.1;
    vc->peripheralDidUpdateRSSI(*band, std::nullopt);
    EXPECT_TRUE(Audio_player::isAlarmActive());
    EXPECT_EQ(notifier.notifications.size(), 1u);

    // Not connected: the row says so, the reading still decides.
    band->connected = false;
    band->currentRssi = -60;
    vc->peripheralDidUpdateRSSI(*band, std::nullopt);
    EXPECT_EQ(row(5), "-- db");
    EXPECT_FALSE(Audio_player::isAlarmActive());
}
