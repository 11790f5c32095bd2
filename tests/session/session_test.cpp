// SPDX-License-Identifier: MIT
// The running companion on the simulated bands and virtual time: connect, sync, busy, reconnecting to
// the chosen band, a real adapter that turns up late, and the autostart entry.
#include "session/autostart.h"

#include "session_fixture.h"
#include "tz_guard.h"
#include "unprivileged.h"

#include <filesystem>
#include <sys/stat.h>

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

struct SessionTest : SessionFixture {
    SimulatedBands bands;
    LateAdapterSource* late = nullptr;
    EnvGuard env;

    void SetUp() override {
        // The records in the user's own directories, the simulated band's apart.
        dataDir.clear();
        env.set("XDG_DATA_HOME", dir.path().c_str());
        bands.days = 6;
        bands.nights = 3;
        initializeDefaults(settings, loop.wallNow());
    }
    void start() {
        session.reset();
        auto next = std::make_unique<LateAdapterSource>(loop, bands);
        late = next.get();
        SessionFixture::start(std::move(next));
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
    // Both bands heard first, so that "the nearest" is a choice between two.
    ASSERT_TRUE(runUntil([&] { return app().bleList && app().bleList->size() == 2; }));
    const auto connected = await([&](Session::Done d) { return session->connect("", std::move(d)); });
    ASSERT_TRUE(connected && connected->first) << (connected ? connected->second : "no answer");
    const std::string nearest = late->wristbands()[0]->identifier();
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
    for (const auto& f : late->wristbands()[0]->firmware().receivedFrames()) batches += f == Bytes{0x15} ? 1 : 0;
    EXPECT_EQ(batches, 1);

    const CompanionState s = session->state();
    EXPECT_EQ(std::tie(s.link, s.sync, s.daysStored, s.nightsStored),
              std::make_tuple(LinkState::Connected, SyncState::Complete, 6, 3));
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
    const std::string farther = late->wristbands()[1]->identifier();
    ASSERT_TRUE(connect(farther));

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
    EXPECT_EQ(session->sync(nullptr), Session::Outcome::NotConnected);

    session->forgetBand();
    start();
    runUntil([] { return false; }, 5);
    EXPECT_EQ(session->state().link, LinkState::Disconnected);
    EXPECT_EQ(session->chosenBand(), "");

    // A band linked the picker's way, not through connect, is the chosen one as well.
    session->startConnecting(late->wristbands()[1]);
    ASSERT_TRUE(runUntil([&] { return session->state().link == LinkState::Connected; }));
    EXPECT_EQ(session->chosenBand(), farther);
}

TEST_F(SessionTest, SwitchesToALateAdapterAndKeepsTheSimulatedRecordsApart) {
    start();
    // The title marks the simulated band; why it stands in is said where it can wrap.
    EXPECT_NE(session->today().title().find("SimulatedBand"), std::string::npos);
    EXPECT_EQ(session->app().simulatedBandText(), "SimulatedBand (SimulatedNoAdapter)");
    ASSERT_TRUE(connect());
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
    late->adapterAppears(real);

    EXPECT_FALSE(session->state().simulated);
    EXPECT_EQ(session->today().title().find("SimulatedBand"), std::string::npos);
    EXPECT_EQ(session->recordsDir(), dir.path() + "/vantro");
    EXPECT_EQ(session->state().link, LinkState::Disconnected);  // the simulated link ended
    ASSERT_TRUE(connect());
    EXPECT_EQ(session->state().bandId, band.identifier);
    ASSERT_TRUE(await([&](Session::Done d) { return session->sync(std::move(d)); })->first);
    EXPECT_EQ(storedDays(session->recordsDir()), 2u);
    EXPECT_EQ(storedDays(simulatedDir), 6u);
}

TEST(Autostart, EntryIsWrittenQuotedAndRemoved) {
    TempDir dir;
    EnvGuard env("XDG_CONFIG_HOME", dir.path().c_str());
    CapturingLog log;
    const std::string path = dir.path() + "/autostart/org.vantro.Vantro.desktop";
    EXPECT_EQ(autostartPath(), path);
    EXPECT_FALSE(startsAtLogin());
    ASSERT_FALSE(setStartAtLogin(true, "/opt/my apps/vantro", log));
    EXPECT_TRUE(startsAtLogin());
    const std::string text = readFile(path);
    EXPECT_NE(text.find("\nExec=\"/opt/my apps/vantro\" --background\n"), std::string::npos) << text;
    EXPECT_NE(autostartEntry("/usr/bin/vantro").find("\nExec=/usr/bin/vantro --background\n"), std::string::npos);
    EXPECT_NE(autostartEntry("/a/100%/vantro").find("Exec=/a/100%%/vantro --background"), std::string::npos);
    ASSERT_FALSE(setStartAtLogin(false, "/usr/bin/vantro", log));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(startsAtLogin());
}

TEST(Autostart, AnEmptyOrRelativeConfigHomeMeansTheDefault) {
    EnvGuard env("HOME", "/home/someone");
    for (const char* value : {"", "relative/config", "./config", "autostart", static_cast<const char*>(nullptr)}) {
        env.set("XDG_CONFIG_HOME", value);
        EXPECT_EQ(autostartPath(), "/home/someone/.config/autostart/org.vantro.Vantro.desktop")
            << "'" << (value ? value : "unset") << "'";
    }
}

// The switch shows what the desktop will do, and a change that cannot be made says why.
TEST(Autostart, ProblemsAreSaidAndADisabledEntryIsOff) {
    TempDir dir;
    EnvGuard env("XDG_CONFIG_HOME", dir.path().c_str());
    CapturingLog log;
    const std::string path = autostartPath();
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());

    // Disabled by the user (as desktops' startup settings do): off, and switching on writes a fresh entry.
    for (const char* disabled : {"Hidden=true", "Hidden = true", "X-GNOME-Autostart-enabled =false"}) {
        std::ofstream(path) << autostartEntry("/usr/bin/vantro") << disabled << "\n";
        EXPECT_FALSE(startsAtLogin()) << disabled;
        EXPECT_FALSE(setStartAtLogin(true, "/usr/bin/vantro", log));
        EXPECT_TRUE(startsAtLogin()) << disabled;
    }
    std::ofstream(path) << "[Other]\nHidden=true\n" << autostartEntry("/usr/bin/vantro");
    EXPECT_TRUE(startsAtLogin()) << "Hidden of another group";
    std::filesystem::remove(path);

    struct Case {
        const char* what;
        std::function<void()> make;
        bool on;
        const char* said;
    };
    const std::string folder = std::filesystem::path(path).parent_path();
    const Case cases[] = {
        {"a directory, switched on", [&] { std::filesystem::create_directory(path); }, true, "is a directory"},
        {"a link to nowhere", [&] { std::filesystem::create_symlink(dir / "gone/x.desktop", path); }, true,
         "does not exist"},
        {"a file in place of the folder",
         [&] {
             std::filesystem::remove_all(folder);
             std::ofstream(folder) << "x";
         },
         true, "a file of that name is in the way"},
    };
    for (const auto& c : cases) {
        c.make();
        const bool before = startsAtLogin();
        const auto problem = setStartAtLogin(c.on, "/usr/bin/vantro", log);
        ASSERT_TRUE(problem) << c.what;
        EXPECT_NE(problem->find(c.said), std::string::npos) << c.what << ": " << *problem;
        EXPECT_EQ(startsAtLogin(), before) << c.what;
        EXPECT_FALSE(startsAtLogin()) << c.what;
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    // A folder that cannot be written (a read-only mount, or no permission) is said as well.
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    const std::string failure = runUnprivileged([] {
        CapturingLog childLog;
        const auto problem = setStartAtLogin(true, "/usr/bin/vantro", childLog);
        if (!problem) return std::string("the entry was written");
        return problem->find("cannot write") == std::string::npos ? *problem : std::string();
    });
    EXPECT_EQ(failure, "");
    chmod(folder.c_str(), 0755);
}
