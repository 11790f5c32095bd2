// SPDX-License-Identifier: MIT
// Automatic sync of the running companion on virtual time against the simulated band.
#include "settings/auto_sync.h"

#include "session_fixture.h"

#include "protocol/codes.h"
#include "settings/settings_keys.h"
#include "sim/simulated_central.h"
#include "store/sqlite_data.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

constexpr double kHour = 3600;

struct AutoSyncTest : SessionFixture {
    std::shared_ptr<SimulatedCentral> central;
    std::shared_ptr<SimulatedPeripheral> band;

    void SetUp() override { restart(); }
    /// A new run of the companion, with the band where it was (the same band, its records and clock).
    void restart() {
        session.reset();
        central = quietCentral();
        band = central->addWristband(bandWith(3, 2));
        startOn(central);
        loop.advance(0.01);
    }
    AutoSync& autoSync() { return session->autoSync(); }
    void connect() {
        ASSERT_TRUE(SessionFixture::connect(band->identifier()));
        loop.advance(3);  // the answers and the pause after the last day
    }
    int syncs() const {
        int n = 0;
        for (const auto& f : band->firmware().receivedFrames()) n += f == Bytes{CMD_TYPE_GETDAY_DATA} ? 1 : 0;
        return n;
    }
};

}  // namespace

TEST_F(AutoSyncTest, SyncsOnConnectThenEveryIntervalWhileConnected) {
    connect();
    EXPECT_EQ(syncs(), 1);
    EXPECT_EQ(days().size(), 3u);
    EXPECT_EQ(app().strTransmitStatus().rfind("SyncComplete", 0), 0u);
    EXPECT_EQ(band->firmware().receivedFrames().front()[0], CMD_TYPE_DATE);  // the band's clock is set too
    loop.advance(3 * kHour - 10);
    EXPECT_EQ(syncs(), 1);
    loop.advance(10);
    EXPECT_EQ(syncs(), 2);

    // A shorter interval takes effect from the last sync.
    settings.setInteger(kAutoSyncHours, 1);
    autoSync().settingChanged();
    loop.advance(kHour - 5);
    EXPECT_EQ(syncs(), 2);
    loop.advance(5);
    EXPECT_EQ(syncs(), 3);

    // Off: nothing more, connected or not.
    settings.setInteger(kAutoSyncHours, 0);
    autoSync().settingChanged();
    loop.advance(13 * kHour);
    EXPECT_EQ(syncs(), 3);
}

TEST_F(AutoSyncTest, AReconnectWithinFiveMinutesOfTheLastSyncDoesNotSyncAgain) {
    connect();
    EXPECT_EQ(syncs(), 1);
    band->dropLink();
    loop.advance(60);
    connect();
    EXPECT_EQ(syncs(), 1);
    // While away no timer runs for it; once back after the gap, it syncs at once.
    band->walkOutOfRange();
    loop.advance(4 * kHour);
    EXPECT_EQ(syncs(), 1);
    band->comeBack();
    connect();
    EXPECT_EQ(syncs(), 2);
}

TEST_F(AutoSyncTest, ASyncCutShortIsTakenUpAgainAsSoonAsTheBandIsBack) {
    connect();
    EXPECT_EQ(syncs(), 1);
    const auto firstComplete = settings.dateForKey(kLastSyncTime);
    loop.advance(10 * 60);
    // The next sync starts and the band reboots before its days are in.
    ASSERT_EQ(session->sync(nullptr), Companion::Outcome::Started);
    EXPECT_EQ(syncs(), 2);
    band->walkOutOfRange();
    loop.advance(1);
    EXPECT_EQ(session->state().sync, SyncState::Interrupted);
    EXPECT_EQ(settings.dateForKey(kLastSyncTime), firstComplete);
    // Back after three seconds: the companion reconnects by itself, and the cut sync does not count, so
    // the five-minute rule does not hold it back.
    loop.advance(2);
    band->comeBack();
    ASSERT_TRUE(runUntil([&] { return syncs() == 3; }, 5));
    loop.advance(3);
    EXPECT_EQ(session->state().sync, SyncState::Complete);
    EXPECT_NE(settings.dateForKey(kLastSyncTime), firstComplete);
    // Complete now: the next reconnect is within five minutes of a real last sync.
    band->dropLink();
    ASSERT_TRUE(runUntil([&] { return !app().isConnected(); }, 2));
    ASSERT_TRUE(runUntil([&] { return subscribed(); }, 5));
    loop.advance(3);
    EXPECT_EQ(syncs(), 3);
}

TEST_F(AutoSyncTest, AfterASleepTheWallClockDecidesWhetherASyncIsDue) {
    connect();
    EXPECT_EQ(syncs(), 1);
    // The machine slept four hours: the run loop's clock stood still, the wall clock did not.
    loop.setWallNow(loop.wallNow() + std::chrono::hours(4));
    autoSync().woke();
    EXPECT_EQ(syncs(), 2);
    loop.advance(3);
    autoSync().woke();
    EXPECT_EQ(syncs(), 2);  // just synced: the next one is a whole interval away
}

TEST_F(AutoSyncTest, NeverWhileASyncRunsAndNotAtAllWhenOff) {
    settings.setInteger(kAutoSyncHours, 0);
    connect();
    EXPECT_EQ(syncs(), 0);
    settings.setInteger(kAutoSyncHours, 1);
    autoSync().settingChanged();
    loop.advance(3);
    EXPECT_EQ(syncs(), 1);

    // Days no sync asked for (another program asked the band) are stored but start no sync.
    app().syncProgress().dayStored();
    EXPECT_FALSE(app().syncProgress().running());
    // Days still arriving when the interval is up (a sync asked for some other way): it waits for them.
    loop.advance(kHour - 10);
    app().syncProgress().ask(nullptr);
    for (int i = 0; i < 20; ++i) {
        app().syncProgress().dayStored();
        loop.advance(1);
    }
    EXPECT_TRUE(app().syncProgress().running());
    EXPECT_EQ(syncs(), 1);
    // Those days completed a sync: the next one is an interval after it.
    loop.advance(SyncProgress::kSettleSeconds + 30);
    EXPECT_EQ(syncs(), 1);
    loop.advance(kHour);
    EXPECT_EQ(syncs(), 2);
}

TEST_F(AutoSyncTest, AfterARestartTheFiveMinutesCountFromTheLastSyncTime) {
    connect();
    ASSERT_EQ(syncs(), 1);
    const double syncedAt = loop.now() - 3;
    // 79 s after that sync the companion starts again (a login) and returns to the chosen band.
    loop.advance(76);
    restart();
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    loop.advance(5);
    EXPECT_EQ(syncs(), 0);
    // The next one comes an interval after the last, not at the start.
    loop.advance(syncedAt + 3 * kHour - loop.now() - 10);
    EXPECT_EQ(syncs(), 0);
    loop.advance(20);
    EXPECT_EQ(syncs(), 1);
}
