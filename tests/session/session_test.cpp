// SPDX-License-Identifier: MIT
// The running companion on the simulated bands and virtual time: connect, sync, busy, reconnecting to
// the chosen band, a real adapter that turns up late, and the autostart entry.
#include "session/autostart.h"
#include "session/session.h"
#include "sim/simulated_band_source.h"

#include "platform/manual_run_loop.h"
#include "settings/settings_keys.h"
#include "store/sqlite_data.h"

#include "fake_services.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vantro;
using namespace vantro::testing;

namespace {

/// The simulated bands, and a real central it can offer later as a late adapter would.
class LateAdapterSource : public SimulatedBandSource {
public:
    LateAdapterSource(RunLoop& loop, SimulatedBands bands) : SimulatedBandSource(loop, bands, "SimulatedNoAdapter") {}
    std::shared_ptr<BleCentral> takeRealCentral() override {
        if (!real) return nullptr;
        becameReal();
        return std::exchange(real, nullptr);
    }
    void adapterAppears(std::shared_ptr<SimulatedCentral> central) {
        real = std::move(central);
        onRealBandUsable();
    }
    std::shared_ptr<SimulatedCentral> real;
};

struct SessionTest : ::testing::Test {
    TempDir dir;
    ManualRunLoop loop;
    CapturingLog log;
    IdentityLocalizer localizer;
    MemoryKeyValueStore settings;
    RecordingNotifier notifier;
    RecordingSoundPlayer sound;
    SimulatedBands bands;
    std::unique_ptr<LateAdapterSource> source;
    std::unique_ptr<Session> session;

    void SetUp() override {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        bands.days = 6;
        bands.nights = 3;
        initializeDefaults(settings, loop.wallNow());
    }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }
    void start() {
        session.reset();
        source = std::make_unique<LateAdapterSource>(loop, bands);
        SessionPorts ports{{loop, log, localizer, settings, &notifier, &sound}};
        session = std::make_unique<Session>(ports, *source);
    }
    bool runUntil(const std::function<bool()>& done, double limit = 30) {
        for (double t = 0; t < limit && !done(); t += 0.01) loop.advance(0.01);
        return done();
    }
    /// Starts `verb` and runs until it answers; its answer.
    std::optional<std::pair<bool, std::string>> await(const std::function<Session::Outcome(Session::Done)>& verb,
                                                      Session::Outcome expected = Session::Outcome::Started) {
        std::optional<std::pair<bool, std::string>> answer;
        EXPECT_EQ(verb([&](bool ok, const std::string& why) { answer.emplace(ok, why); }), expected);
        runUntil([&] { return answer.has_value(); }, 60);
        return answer;
    }
    std::size_t storedDays(const std::string& where) {
        std::vector<sportsData> days;
        sqlite_data(where, log).databaseToArray(days);
        return days.size();
    }
};

}  // namespace

TEST_F(SessionTest, ConnectsToTheNearestSyncsOnceAndAnswersBusyMeanwhile) {
    start();
    const auto connected = await([&](Session::Done d) { return session->connect("", std::move(d)); });
    ASSERT_TRUE(connected && connected->first) << (connected ? connected->second : "no answer");
    const std::string nearest = source->wristbands()[0]->identifier();
    EXPECT_EQ(session->state().bandId, nearest);
    EXPECT_EQ(session->chosenBand(), nearest);  // remembered for the next start

    std::optional<std::pair<bool, std::string>> synced;
    ASSERT_EQ(session->sync([&](bool ok, const std::string& why) { synced.emplace(ok, why); }),
              Session::Outcome::Started);
    EXPECT_EQ(session->state().sync, SyncState::Running);
    // Asked again while it runs (a second client, the automatic sync's): both hear the one sync's end.
    std::optional<std::pair<bool, std::string>> joined;
    EXPECT_EQ(session->sync([&](bool ok, const std::string& why) { joined.emplace(ok, why); }),
              Session::Outcome::Started);
    ASSERT_TRUE(runUntil([&] { return synced.has_value(); }, 60));
    EXPECT_TRUE(synced->first) << synced->second;
    EXPECT_EQ(synced->second, "6 days and 3 nights stored");
    ASSERT_TRUE(joined.has_value());
    EXPECT_EQ(*joined, *synced);
    // One batch went to the band, not two.
    int batches = 0;
    for (const auto& f : source->wristbands()[0]->firmware().receivedFrames()) batches += f == Bytes{0x15} ? 1 : 0;
    EXPECT_EQ(batches, 1);

    const CompanionState s = session->state();
    EXPECT_EQ(s.link, LinkState::Connected);
    EXPECT_EQ(s.sync, SyncState::Complete);
    EXPECT_EQ(s.daysStored, 6);
    EXPECT_EQ(s.nightsStored, 3);
    EXPECT_TRUE(s.lastSync.has_value());
    EXPECT_TRUE(s.version.has_value());
    EXPECT_TRUE(s.simulated);
    EXPECT_EQ(s.whySimulated, "SimulatedNoAdapter");
    // The simulated band's records stay apart from the real ones.
    EXPECT_EQ(session->recordsDir(), dir.path() + "/vantro/simulated");
    EXPECT_EQ(storedDays(session->recordsDir()), 6u);
}

TEST_F(SessionTest, ReconnectsToTheChosenBandUntilItIsForgotten) {
    start();
    const std::string farther = source->wristbands()[1]->identifier();
    const auto connected = await([&](Session::Done d) { return session->connect(farther, std::move(d)); });
    ASSERT_TRUE(connected && connected->first);

    // Next start: the chosen band, not the nearer one, as soon as it is seen.
    start();
    ASSERT_TRUE(runUntil([&] { return session->state().link == LinkState::Connected; }));
    EXPECT_EQ(session->state().bandId, farther);

    // Asked to disconnect, it stays disconnected, find-me or not.
    settings.setInteger(kFindMe, kFindMeOn);
    EXPECT_EQ(session->disconnect(), Session::Outcome::Started);
    runUntil([] { return false; }, 5);
    EXPECT_EQ(session->state().link, LinkState::Disconnected);
    EXPECT_EQ(session->disconnect(), Session::Outcome::NotConnected);

    session->forgetBand();
    start();
    runUntil([] { return false; }, 5);
    EXPECT_EQ(session->state().link, LinkState::Disconnected);
    EXPECT_EQ(session->chosenBand(), "");
}

TEST_F(SessionTest, ABandNeverSeenOrNoLinkFailsWithTheReason) {
    start();
    const auto missing = await([&](Session::Done d) { return session->connect("NOT-A-BAND", std::move(d), 3); });
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->first);
    EXPECT_NE(missing->second.find("NOT-A-BAND was not seen"), std::string::npos) << missing->second;
    EXPECT_EQ(session->sync(nullptr), Session::Outcome::NotConnected);
}

TEST_F(SessionTest, SwitchesToALateAdapterAndKeepsTheSimulatedRecordsApart) {
    start();
    EXPECT_NE(session->today().title().find("SimulatedBand (SimulatedNoAdapter)"), std::string::npos);
    ASSERT_TRUE(await([&](Session::Done d) { return session->connect("", std::move(d)); })->first);
    ASSERT_TRUE(await([&](Session::Done d) { return session->sync(std::move(d)); })->first);
    const std::string simulatedDir = session->recordsDir();

    // The "real" adapter has one band with other records.
    auto real = std::make_shared<SimulatedCentral>(loop);
    SimBandConfig band;
    band.identifier = "C0FFEE00-0000-4000-8000-000000000001";
    band.firmware.days = 2;
    band.firmware.nights = 1;
    band.firmware.today = toLocal(loop.wallNow()).date();
    real->addWristband(band);
    source->adapterAppears(real);

    EXPECT_FALSE(session->app().simulatedBand);
    EXPECT_EQ(session->today().title().find("SimulatedBand"), std::string::npos);
    EXPECT_EQ(session->recordsDir(), dir.path() + "/vantro");
    EXPECT_EQ(session->state().link, LinkState::Disconnected);  // the simulated link ended
    ASSERT_TRUE(await([&](Session::Done d) { return session->connect("", std::move(d)); })->first);
    EXPECT_EQ(session->state().bandId, band.identifier);
    ASSERT_TRUE(await([&](Session::Done d) { return session->sync(std::move(d)); })->first);
    EXPECT_EQ(storedDays(session->recordsDir()), 2u);
    EXPECT_EQ(storedDays(simulatedDir), 6u);
}

TEST(Autostart, EntryIsWrittenQuotedAndRemoved) {
    TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    CapturingLog log;
    const std::string path = dir.path() + "/autostart/org.vantro.Vantro.desktop";
    EXPECT_EQ(autostartPath(), path);
    EXPECT_FALSE(startsAtLogin());
    ASSERT_TRUE(setStartAtLogin(true, "/opt/my apps/vantro", log));
    EXPECT_TRUE(startsAtLogin());
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\nExec=\"/opt/my apps/vantro\" --background\n"), std::string::npos) << text.str();
    EXPECT_NE(autostartEntry("/usr/bin/vantro").find("\nExec=/usr/bin/vantro --background\n"), std::string::npos);
    EXPECT_NE(autostartEntry("/a/100%/vantro").find("Exec=/a/100%%/vantro --background"), std::string::npos);
    ASSERT_TRUE(setStartAtLogin(false, "/usr/bin/vantro", log));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(startsAtLogin());
    unsetenv("XDG_CONFIG_HOME");
}
