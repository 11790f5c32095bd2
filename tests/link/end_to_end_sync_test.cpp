// SPDX-License-Identifier: MIT
// The whole conversation with the simulated band on virtual time: connection, link state table, sync, faults.
#include "link/audio_player.h"
#include "protocol/codes.h"
#include "fake_ble.h"
#include "settings/settings_keys.h"
#include "sim/simulated_central.h"

#include "session_fixture.h"

#include <algorithm>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct EndToEnd : SessionFixture {
    std::shared_ptr<SimulatedCentral> central;
    std::shared_ptr<SimulatedPeripheral> band;
    SimOptions options;
    WristbandFirmware::Options firmware;

    void SetUp() override {
        // Syncs start when a test asks for them.
        settings.setInteger(kAutoSyncHours, 0);
        firmware.days = 5;
        firmware.nights = 4;
        firmware.seed = 99;
        firmware.today = {2014, 7, 15};
        options.currentDataInterval = 0;
    }
    /// The companion on the band with the options and firmware chosen so far, scanning.
    void start() {
        central = std::make_shared<SimulatedCentral>(loop, options);
        SimBandConfig cfg;
        cfg.firmware = firmware;
        band = central->addWristband(cfg);
        startOn(central);
        loop.advance(0.01);  // powered on, scanning, first advertisement
    }
    /// The user picks the band.
    void pick() { session->connect(band->identifier(), nullptr); }
    void sync() { ASSERT_EQ(session->sync(nullptr), Companion::Outcome::Started); }
    int count(const std::string& line) const {
        return static_cast<int>(std::count(log.lines.begin(), log.lines.end(), line));
    }
};

}  // namespace

TEST_F(EndToEnd, EveryTransitionOfTheLinkStateTable) {
    start();
    // What the link state reads the moment a link ends, before the companion calls its chosen band back.
    std::vector<std::string> atLoss;
    session->onLink([&](bool up) {
        if (!up) atLoss.push_back(app().strBlueStatus());
    });
    ASSERT_EQ(app().bleList->size(), 1u);
    EXPECT_TRUE(log.contains("---add:Vantro: 5EB0A7C2-31D4-4E6F-9A10-000000000001"));
    EXPECT_EQ(app().strBlueStatus(), "Disconnected");

    // Disconnected -> Connecting -> Connected, then services, characteristics, notifications and one read.
    pick();
    EXPECT_EQ(app().strBlueStatus(), "Connecting");
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    EXPECT_EQ(app().strBlueStatus(), "Connected");
    loop.advance(0.0075);
    EXPECT_NE(row(0), "-- steps");  // the value read after subscribing
    EXPECT_EQ(app().characteristic->size(), 2u);

    // Connected -> Disconnected: any loss, find-me off; the companion asks for its chosen band again.
    setFindMe(false);
    band->dropLink();
    loop.runPending();
    EXPECT_EQ(atLoss, std::vector<std::string>{"Disconnected"});
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));

    // Connected -> ReConnecting -> Connected: find-me on and a band remembered.
    setFindMe(true);
    band->walkOutOfRange();
    loop.runPending();
    EXPECT_EQ(app().strBlueStatus(), "ReConnecting");
    loop.advance(60);  // the request waits as long as the band is away
    EXPECT_EQ(app().strBlueStatus(), "ReConnecting");
    EXPECT_FALSE(band->isConnected());
    band->comeBack();
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    EXPECT_EQ(app().strBlueStatus(), "Connected");

    // The delegate disconnects the current band with find-me on: a new request follows at once.
    app().disconnectPeripheral(app().peripheral);
    app().setLinkState(LinkState::Disconnecting);
    loop.runPending();
    EXPECT_EQ(app().strBlueStatus(), "ReConnecting");
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));

    // Connected, report characteristic not notifying: the connection is cancelled, then as any loss.
    setFindMe(false);
    band->setRefuseNotifications(true);
    atLoss.clear();
    band->dropLink();
    ASSERT_TRUE(runUntil([&] { return atLoss.size() == 2; }));
    EXPECT_TRUE(log.contains("Error changing notification state:The attribute could not be written."));
    // The second loss is the band refusing its notifications, and the status says so.
    EXPECT_EQ(atLoss, (std::vector<std::string>{"Disconnected", "Refused"}));
    EXPECT_FALSE(band->isConnected());
}

TEST_F(EndToEnd, ABandThatKeepsRefusingNotificationsIsTriedAgainWithoutGrowingMemory) {
    start();
    setFindMe(true);
    band->setRefuseNotifications(true);
    pick();
    ASSERT_TRUE(runUntil([&] { return app().characteristic.has_value(); }));
    const std::weak_ptr<BleCharacteristic> firstReport = app().characteristic->front();
    // Tried again after pauses of 2, 4, 8 ... 60 s.
    loop.advance(130);
    const int cycles = count("perpheral is connected------");
    EXPECT_GE(cycles, 6);
    EXPECT_EQ(count(" peripheral disconnected ------"), cycles - (band->isConnected() ? 1 : 0));
    // Every cycle hands out fresh objects and keeps only the latest: nothing piles up.
    EXPECT_TRUE(firstReport.expired());
    EXPECT_EQ(app().characteristic->size(), 2u);
    EXPECT_EQ(app().bleList->size(), 1u);
    EXPECT_EQ(band->pendingNotifications(), 0u);
    EXPECT_LE(band->services().size(), 1u);
    // Once the band agrees, the cycle ends in a subscription.
    band->setRefuseNotifications(false);
    ASSERT_TRUE(runUntil([&] { return subscribed(); }, 70));
    const int subscribedAfter = count("perpheral is connected------");
    loop.advance(10);
    EXPECT_EQ(count("perpheral is connected------"), subscribedAfter);
}

TEST_F(EndToEnd, ASyncStoresEveryDayAndNightAndTheBandGetsEverySetting) {
    initializeDefaults(settings, loop.wallNow());
    settings.setInteger("bodyHeight", 180);
    settings.setInteger("bodyWeight", 72);
    settings.setBool("alertswitch", true);
    settings.setDate("alerttime", Instant{std::chrono::seconds{1405409400}});  // 07:30 UTC
    settings.setInteger("Wish", 3);
    settings.setInteger("Present", 16);
    settings.setInteger("LongTimeSitInteval", 2);
    start();
    ASSERT_TRUE(connect(band->identifier()));
    loop.advance(0.0075);

    sync();
    EXPECT_EQ(app().strTransmitStatus(), "Syncing");
    ASSERT_TRUE(runUntil([&] { return band->pendingNotifications() == 0; }));
    // Every day is stored, but only a pause tells that no more are coming.
    EXPECT_EQ(app().strTransmitStatus(), "Syncing");
    EXPECT_TRUE(app().syncProgress().running());
    loop.advance(SyncProgress::kSettleSeconds);
    EXPECT_FALSE(app().syncProgress().running());

    // The frames the band received, in order.
    EXPECT_EQ(framesOf(*band),
              (std::vector<std::string>{"08 07 DE 07 0F", "09 0F 04 05", "04 B4", "05 48", "0B 05", "0C 07 1E", "0A 02",
                                        "17", "1B 03", "1C 10", "1E 02 0F 04 0F 04", "1F 00 0F 04 0F 04", "19", "15"}));
    const auto& got = band->firmware().settings();
    EXPECT_EQ(got.bodyHeight, 180);
    EXPECT_EQ(got.alarm, (std::array<int, 2>{7, 30}));
    EXPECT_EQ(got.findme, 2);

    // One row per date, with the band's values.
    const auto d = days();
    const auto n = nights();
    ASSERT_EQ(d.size(), 5u);
    ASSERT_EQ(n.size(), 5u);  // the oldest date has a day but no night
    for (size_t i = 0; i < 5; ++i) {
        const auto& want = band->firmware().days()[i];
        EXPECT_EQ(std::tie(d[i].date, d[i].step, d[i].distance, d[i].calories, d[i].restcal, d[i].activetime),
                  std::make_tuple(formatDate(want.date), want.steps, want.distance, want.calories, want.restcal,
                                  want.activeTime));
    }
    EXPECT_EQ(d.front().date, "2014-07-10");
    EXPECT_EQ(d.back().date, "2014-07-14");
    EXPECT_EQ(n[0].total_time, "00:00");
    for (size_t i = 0; i < 4; ++i) {
        const auto& want = band->firmware().nights()[i];
        const auto& row = n[i + 1];
        EXPECT_EQ(std::tie(row.date, row.deep_time, row.wakeup_count),
                  std::make_tuple(formatDate(want.date), want.deepTime, want.wakeupCount));
        const int total = want.enterTime + want.spindlesTime + want.deepTime + want.remTime + want.wakeupTime;
        EXPECT_EQ(row.total_time, formatTime({total / 60, total % 60}));
        EXPECT_EQ(row.start_time, formatTime({want.startHour, want.startMinute}));
    }
    EXPECT_EQ(row(6), "1.5");
    EXPECT_EQ(app().strTransmitStatus().rfind("SyncComplete 2014-07-15 15:04:", 0), 0u) << app().strTransmitStatus();
    EXPECT_EQ(count("SendData: CMD_TYPE_GETDAY_DATA"), 1);
}

TEST_F(EndToEnd, ABandThatDropsMidSyncKeepsWhatWasStoredAndTheNextSyncCompletesIt) {
    firmware.days = 40;
    firmware.nights = 40;
    start();
    setFindMe(true);
    ASSERT_TRUE(connect(band->identifier()));
    sync();
    // The fourteen write responses, the version and some 25 nights arrive, then the band walks away.
    loop.advance(0.0075 * 40);
    band->walkOutOfRange();
    loop.runPending();
    EXPECT_EQ(app().strBlueStatus(), "ReConnecting");
    const auto partial = nights();
    EXPECT_GT(partial.size(), 20u);
    EXPECT_LT(partial.size(), 40u);
    EXPECT_EQ(days().size(), partial.size());  // one row per date so far
    EXPECT_EQ(app().strTransmitStatus(), "SyncInterrupted");
    for (size_t i = 0; i < partial.size(); ++i) {
        EXPECT_EQ(partial[i].deep_time, band->firmware().nights()[i].deepTime);
    }

    // Back, and this time the link drops after some of the days: still not finished, and it stays so.
    band->comeBack();
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    const auto before = today().reportsHandled();
    sync();
    EXPECT_EQ(app().strTransmitStatus(), "Syncing");
    ASSERT_TRUE(runUntil([&] { return today().reportsHandled() >= before + 1 + 40 + 5; }));
    band->walkOutOfRange();
    loop.runPending();
    EXPECT_EQ(app().strTransmitStatus(), "SyncInterrupted");
    loop.advance(SyncProgress::kNoAnswerSeconds);
    EXPECT_EQ(app().strTransmitStatus(), "SyncInterrupted");
    EXPECT_FALSE(settings.dateForKey(kLastSyncTime));
    EXPECT_EQ(app().syncProgress().lastSyncText(loop.wallNow()), "NeverSynced");

    band->comeBack();
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    sync();
    ASSERT_TRUE(runUntil([&] { return band->pendingNotifications() == 0; }));
    loop.advance(SyncProgress::kSettleSeconds);
    const auto d = days();
    const auto n = nights();
    ASSERT_EQ(d.size(), 40u);
    for (size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(d[i].step, band->firmware().days()[i].steps);
        EXPECT_EQ(n[i].deep_time, band->firmware().nights()[i].deepTime);
        EXPECT_EQ(n[i].date, d[i].date);
    }
    EXPECT_EQ(app().strTransmitStatus().rfind("SyncComplete", 0), 0u);
    EXPECT_TRUE(settings.dateForKey(kLastSyncTime));
    EXPECT_EQ(app().syncProgress().lastSyncText(loop.wallNow()), "SyncedJustNow");
}

// The band's emergency button and the alarm's dialog are clicked through in the app flows.
TEST_F(EndToEnd, TheBandsOwnPushesAndItsSignalReachTheScreenAndTheAlarm) {
    options.currentDataInterval = 5;
    start();
    setFindMe(true);
    ASSERT_TRUE(connect(band->identifier()));
    loop.advance(0.01);
    const std::string first = row(0);
    loop.advance(30);  // today's steps grow and are pushed
    EXPECT_NE(row(0), first);
    EXPECT_EQ(row(5), "-65db");  // two metres away

    // Walking away: the signal weakens below -95 dBm before the link is lost.
    band->setDistance(80);
    loop.advance(2);
    EXPECT_EQ(row(5), "-97db");
    EXPECT_TRUE(Audio_player::isAlarmActive());
    EXPECT_EQ(notifier.notifications.size(), 1u);
    band->setDistance(3);
    loop.advance(2);
    EXPECT_FALSE(Audio_player::isAlarmActive());
    EXPECT_EQ(sound.stops, 1);
}

TEST_F(EndToEnd, ABandWithoutTheWristbandServiceStaysConnectedWithTheOldCharacteristics) {
    start();
    ASSERT_TRUE(connect(band->identifier()));
    const auto earlier = *app().characteristic;
    central->cancelPeripheralConnection(band);
    loop.runPending();
    band->setHideWristbandService(true);
    pick();
    loop.advance(2);
    EXPECT_TRUE(band->isConnected());
    EXPECT_EQ(app().strBlueStatus(), "Connected");
    EXPECT_EQ(*app().characteristic, earlier);
    EXPECT_FALSE(earlier[0]->isNotifying);
}

namespace {

// One way for the chosen band's link to end, and whether the alarm follows 15 s later.
struct LinkEnd {
    const char* what;
    bool findMe;
    std::function<void(EndToEnd&)> drop, after5s;
    bool alarm;
};
struct LinkLoss : EndToEnd, ::testing::WithParamInterface<LinkEnd> {};
void PrintTo(const LinkEnd& c, std::ostream* os) {
    *os << c.what;
}

void away(EndToEnd& t) {
    t.band->walkOutOfRange();
}
void nothing(EndToEnd&) {}

}  // namespace

TEST_P(LinkLoss, AnUnaskedDropWithFindMeOnSoundsTheAlarmAfter15SecondsUntilTheBandIsBack) {
    const LinkEnd& c = GetParam();
    start();
    ASSERT_TRUE(connect(band->identifier()));
    setFindMe(c.findMe);
    c.drop(*this);
    loop.advance(5);
    c.after5s(*this);
    loop.advance(9.9);
    EXPECT_TRUE(notifier.notifications.empty());
    loop.advance(0.2);
    EXPECT_EQ(Audio_player::isAlarmActive(), c.alarm);
    EXPECT_EQ(sound.playing, c.alarm);
    loop.advance(60);
    EXPECT_EQ(notifier.notifications.size(), c.alarm ? 1u : 0u);  // one episode, one notification
    if (!c.alarm) return;
    band->comeBack();
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    EXPECT_FALSE(Audio_player::isAlarmActive());
    EXPECT_FALSE(sound.playing);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkLoss,
                         ::testing::Values(LinkEnd{"stays away", true, away, nothing, true},
                                           LinkEnd{"breaks in reach and does not answer", true,
                                                   [](EndToEnd& t) {
                                                       t.band->dropLink();
                                                       t.band->walkOutOfRange();
                                                   },
                                                   nothing, true},
                                           LinkEnd{"back within 15 s", true, away,
                                                   [](EndToEnd& t) { t.band->comeBack(); }, false},
                                           LinkEnd{"find-me off", false, away, nothing, false},
                                           LinkEnd{"find-me switched off while waiting", true, away,
                                                   [](EndToEnd& t) { t.setFindMe(false); }, false},
                                           LinkEnd{"closed by the picker", true,
                                                   [](EndToEnd& t) {
                                                       t.session->disconnect();
                                                       t.band->walkOutOfRange();
                                                   },
                                                   nothing, false},
                                           LinkEnd{"factory reset", true,
                                                   [](EndToEnd& t) {
                                                       t.session->factoryReset();
                                                       t.band->walkOutOfRange();
                                                   },
                                                   nothing, false}));
