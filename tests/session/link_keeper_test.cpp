// SPDX-License-Identifier: MIT
// The companion through a phone's day on the simulated bands and virtual time: back to the chosen band
// after every loss with find-me off and on, a band disconnected on purpose stays so, a refusing band is
// not hammered, the radio stays quiet while connected, and the machine's sleep is followed.
#include "session/session.h"

#include "settings/settings_keys.h"
#include "sim/simulated_band_source.h"

#include "session_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct LinkKeeperTest : SessionFixture, ::testing::WithParamInterface<bool> {
    SimulatedBandSource* bands = nullptr;

    void SetUp() override {
        initializeDefaults(settings, loop.wallNow());
        settings.setInteger(kFindMe, GetParam() ? kFindMeOn : kFindMeOff);
        SimulatedBands config;
        config.days = 3;
        config.nights = 2;
        auto simulated = std::make_unique<SimulatedBandSource>(loop, config);
        bands = simulated.get();
        start(std::move(simulated));
    }
    void TearDown() override {
        // What the bands still have queued runs out before the loop goes.
        session.reset();
        loop.advance(1);
        source.reset();
        loop.advance(1);
    }
    void idle(double seconds) {
        runUntil([] { return false; }, seconds);
    }
    std::string recentLog() const {
        const auto from = log.lines.end() - static_cast<std::ptrdiff_t>(std::min<size_t>(log.lines.size(), 15));
        return ::testing::PrintToString(std::vector<std::string>(from, log.lines.end()));
    }
    SimulatedPeripheral& band(int i) { return *bands->wristbands().at(static_cast<size_t>(i)); }
    SimulatedCentral& central() { return static_cast<SimulatedCentral&>(*session->app().manager); }
    bool ready() { return reportsSubscribed(session->app()); }
    std::string connectedId() {
        return session->app().isConnected() ? session->app().peripheral->identifier() : std::string();
    }
    void connect(int i) { ASSERT_TRUE(SessionFixture::connect(band(i).identifier())); }
    /// Virtual seconds from now until the chosen band is connected and notifying again.
    std::optional<double> backWithin(double limit) {
        const double from = loop.now();
        if (!runUntil([&] { return ready(); }, limit)) return std::nullopt;
        return loop.now() - from;
    }
};

INSTANTIATE_TEST_SUITE_P(FindMe, LinkKeeperTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

TEST_P(LinkKeeperTest, EveryLossIsRecoveredWithinTwoSecondsOfTheBandBeingBack) {
    // The farther band is the chosen one: only it is called back, though the nearer one is in reach.
    connect(1);
    const std::string chosen = band(1).identifier();

    for (double away : {5.0, 60.0, 400.0}) {
        band(1).walkOutOfRange();
        ASSERT_TRUE(runUntil([&] { return !session->app().isConnected(); }, 5));
        idle(away);
        EXPECT_EQ(connectedId(), "") << "after " << away << " s away";
        band(1).comeBack();
        // After five minutes away the search has slowed to a window a minute.
        const double bound = away < RadioPolicy::kFullDutySeconds ? 2 : RadioPolicy::kPeriodSeconds + 2;
        const auto back = backWithin(bound);
        ASSERT_TRUE(back) << "away " << away << " s; status " << linkStateName(session->state().link) << recentLog();
        EXPECT_EQ(connectedId(), chosen);
    }

    band(1).dropLink();
    ASSERT_TRUE(runUntil([&] { return !session->app().isConnected(); }, 5));
    ASSERT_TRUE(backWithin(2)) << "link drop" << recentLog();

    // Bluetooth off and on again.
    central().setState(BleCentralState::PoweredOff);
    idle(5);
    EXPECT_EQ(connectedId(), "");
    central().setState(BleCentralState::PoweredOn);
    ASSERT_TRUE(backWithin(2)) << "Bluetooth back";
    EXPECT_EQ(connectedId(), chosen);
    // With find-me off a loss never said "ReConnecting" nor sounded an alarm: those stay find-me's.
    if (!GetParam()) {
        EXPECT_FALSE(log.contains("link to " + chosen + " lost for 15 s"));
    }
}

TEST_P(LinkKeeperTest, TodaySaysTheBandIsGoneAndShowsNoSignalWhileItIs) {
    connect(0);
    session->app().setTodayShown(true);
    const std::string none = today().tableView().placeholder(TodayScreen::kRssi);
    ASSERT_TRUE(runUntil([&] { return row(TodayScreen::kRssi) != none; }, 5));
    EXPECT_EQ(today().headerText().find("Connected"), std::string::npos);
    band(0).walkOutOfRange();
    const std::string gone = GetParam() ? "ReConnecting" : "Disconnected";
    double away = 0;
    for (double at : {1.0, 8.0, 20.0}) {
        idle(at - away);
        away = at;
        EXPECT_EQ(row(TodayScreen::kRssi), none) << at << " s away";
        EXPECT_EQ(today().headerText().rfind(gone, 0), 0u) << today().headerText();
        EXPECT_FALSE(session->state().signalDbm);
    }
    band(0).comeBack();
    ASSERT_TRUE(backWithin(2));
    EXPECT_EQ(today().headerText().find(gone), std::string::npos);
}

TEST_P(LinkKeeperTest, ABandDisconnectedOnPurposeStaysSoUntilAsked) {
    connect(0);
    EXPECT_EQ(session->disconnect(), Session::Outcome::Started);
    idle(120);
    EXPECT_EQ(connectedId(), "");
    EXPECT_EQ(session->state().link, LinkState::Disconnected);
    connect(0);
    band(0).dropLink();
    ASSERT_TRUE(backWithin(2));  // asked for again, it is kept again
}

TEST_P(LinkKeeperTest, ABandThatRefusesIsSaidToAndTriedLessAndLessOftenUpToAMinute) {
    connect(0);
    band(0).setRefuseNotifications(true);
    band(0).dropLink();
    // When each try after the first was refused: the log line is written as the link is given up.
    std::vector<double> refusals;
    size_t seen = log.lines.size();
    const double until = loop.now() + 200;
    while (loop.now() < until && refusals.size() < 8) {
        loop.advance(0.25);
        for (; seen < log.lines.size(); ++seen) {
            if (log.lines[seen].find("did not take the link") != std::string::npos) refusals.push_back(loop.now());
        }
    }
    ASSERT_EQ(refusals.size(), 8u) << recentLog();
    // 2, 4, 8, 16, 32, 60, 60 s apart (a try takes a moment of its own), not capped below a minute.
    const double pauses[] = {2, 4, 8, 16, 32, 60, 60};
    for (size_t i = 1; i < refusals.size(); ++i) {
        EXPECT_NEAR(refusals[i] - refusals[i - 1], pauses[i - 1], 1.5) << "pause " << i;
    }
    EXPECT_EQ(session->state().link, LinkState::Refused);
    EXPECT_EQ(linkStateName(session->state().link), "Refused");
    // Once it takes the link again it is back when the pause is over, not a retry period later.
    band(0).setRefuseNotifications(false);
    const double pauseLeft = session->keeper().pause();
    const auto back = backWithin(61);
    ASSERT_TRUE(back);
    EXPECT_LE(*back, pauseLeft + 2);
    EXPECT_EQ(session->state().link, LinkState::Connected);
}

TEST_P(LinkKeeperTest, AReadingFromBeforeTheLossIsNotTheBandNearAgain) {
    // The central lists the bands it heard before at every scan's start, with the reading they had.
    central().setRemembersBands(true);
    connect(0);
    band(1).walkOutOfRange();
    band(0).walkOutOfRange();
    ASSERT_TRUE(runUntil([&] { return !session->app().isConnected(); }, 5));
    const int requests = central().connectRequests();
    const double lost = loop.now();
    // Five minutes of full duty, then a minute of windows: each window starts with the remembered list.
    for (double at : {30.0, 330.0, 400.0}) {
        idle(at - (loop.now() - lost));
        if (!GetParam()) {
            EXPECT_EQ(session->state().link, LinkState::Disconnected) << at << " s" << recentLog();
            EXPECT_EQ(central().connectRequests(), requests) << at << " s";
        } else {
            EXPECT_EQ(session->state().link, LinkState::ReConnecting) << at << " s";
        }
    }
    band(0).comeBack();
    EXPECT_TRUE(backWithin(RadioPolicy::kPeriodSeconds + 2));
}

TEST_P(LinkKeeperTest, TheRadioDiscoversOnlyWhileSomeoneNeedsIt) {
    loop.advance(0.1);
    EXPECT_TRUE(central().isScanning());  // looking for a band at start
    connect(0);
    runUntil([] { return false; }, 1);
    EXPECT_FALSE(central().isScanning()) << "connected and idle";
    session->app().setPickerOpen(true);
    EXPECT_TRUE(central().isScanning()) << "the picker lists the bands around";
    session->app().setPickerOpen(false);
    EXPECT_FALSE(central().isScanning());

    // The band gone for good: full duty for five minutes (not a shorter search), then ten seconds a minute.
    band(0).walkOutOfRange();
    const auto scanningDuring = [&](double seconds) {
        double scanning = 0;
        for (double t = 0; t < seconds; t += 0.5) {
            loop.advance(0.5);
            scanning += central().isScanning() ? 0.5 : 0;
        }
        return scanning;
    };
    EXPECT_GE(scanningDuring(300), 298);
    EXPECT_NEAR(scanningDuring(600), 100, 2);
    // Back within one window: connected within a minute, and quiet again.
    band(0).comeBack();
    EXPECT_TRUE(backWithin(RadioPolicy::kPeriodSeconds + 2));
    idle(1);
    EXPECT_FALSE(central().isScanning());
}

TEST_P(LinkKeeperTest, ASyncHoldsOffTheSuspendAndASuspendEndsItCleanlyThenItIsTakenUpAgain) {
    // A long sync, so that the band still has answers queued when the machine goes to sleep.
    for (int day = 1; day <= 30; ++day) band(0).firmware().storeDay(FirmwareDay{CalendarDate{2014, 6, day}, 1000});
    connect(0);
    std::optional<std::pair<bool, std::string>> first;
    ASSERT_EQ(session->sync([&](bool ok, const std::string& why) { first.emplace(ok, why); }),
              Session::Outcome::Started);
    ASSERT_TRUE(runUntil([&] { return sleep.holdingSleep(); }, 2)) << "a running sync delays the suspend";
    ASSERT_TRUE(runUntil([&] { return session->state().daysStored > 0; }, 5));
    const int locks = sleep.holdsTaken();
    sleep.prepareForSleep(true);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->first);
    EXPECT_EQ(first->second, "the machine is going to sleep");
    EXPECT_FALSE(sleep.holdingSleep());
    EXPECT_FALSE(central().isScanning());
    EXPECT_EQ(session->state().sync, SyncState::Interrupted);
    EXPECT_FALSE(session->state().lastSync);  // cut short: no last sync

    // The band's queued answers are stored, but start no sync again and take no new lock.
    const int requests = central().connectRequests();
    idle(5);
    EXPECT_EQ(session->state().sync, SyncState::Interrupted);
    EXPECT_EQ(sleep.holdsTaken(), locks);
    // The radio sleeps with the machine: no scan, no request for the band, in either find-me mode.
    band(0).walkOutOfRange();
    idle(30);
    band(0).comeBack();
    idle(5);
    EXPECT_FALSE(central().isScanning());
    EXPECT_EQ(central().connectRequests(), requests);
    EXPECT_EQ(connectedId(), "");
    sleep.prepareForSleep(false);
    ASSERT_TRUE(backWithin(2)) << "awake";

    // The cut sync is taken up by itself once the band is back.
    ASSERT_TRUE(runUntil([&] { return session->state().lastSync.has_value(); }, 60));
    EXPECT_EQ(session->state().sync, SyncState::Complete);
    idle(2);
    EXPECT_FALSE(sleep.holdingSleep()) << "let go once the sync completed";
}

TEST_P(LinkKeeperTest, TheSimulatedBandMovesOnRequest) {
    connect(1);
    std::string message;
    ASSERT_TRUE(session->simulateFault("away", message));
    EXPECT_NE(message.find(band(1).identifier()), std::string::npos) << "the band in use moves";
    ASSERT_TRUE(runUntil([&] { return !session->app().isConnected(); }, 5));
    ASSERT_TRUE(session->simulateFault("near", message));
    ASSERT_TRUE(backWithin(2));
    ASSERT_TRUE(session->simulateFault("drop", message));
    ASSERT_TRUE(runUntil([&] { return !session->app().isConnected(); }, 5));
    EXPECT_FALSE(session->simulateFault("drop", message)) << "no link to drop";
    EXPECT_FALSE(session->simulateFault("explode", message));
    EXPECT_NE(message.find("away, near or drop"), std::string::npos);
}

using LinkKeeperWithoutSimulation = SessionFixture;

TEST_F(LinkKeeperWithoutSimulation, ARealBandCannotBeMovedByACommand) {
    startOn(std::shared_ptr<BleCentral>());
    std::string message;
    EXPECT_FALSE(session->simulateFault("away", message));
    EXPECT_NE(message.find("real band"), std::string::npos);
}

}  // namespace
