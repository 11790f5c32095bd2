// SPDX-License-Identifier: MIT
// The companion as its clients see it: the same fourteen commands whatever starts it, a sync whose records
// are not stored ends failed, settings changed by another program reach the band, a band named by its
// address, a band forgotten from the picker, and add-ons that go before the link they use.
#include "session_fixture.h"

#include "platform/paths.h"
#include "platform/setting_keys.h"
#include "settings/json_key_value_store.h"
#include "settings/wristband_picker.h"
#include "store/record_writer.h"
#include "store/sqlite_connection.h"

#include "fake_ble.h"
#include "tz_guard.h"

#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include <algorithm>
#include <chrono>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct CompanionTest : SessionFixture {
    SimulatedBands bands;
    SimulatedBandSource* sim = nullptr;

    void SetUp() override {
        bands.days = 2;
        bands.nights = 1;
    }
    void startSimulated() {
        auto s = std::make_unique<SimulatedBandSource>(loop, bands);
        sim = s.get();
        start(std::move(s));
    }
    std::shared_ptr<SimulatedPeripheral> nearest() const { return sim->wristbands().at(0); }
    using Done = vantro::Companion::Done;
};

}  // namespace

TEST_F(CompanionTest, ANeverInitialisedStoreStillGetsTheFourteenCommands) {
    // As at a first start in the background: nobody opened the settings screen.
    ASSERT_EQ(settings.stringForKey(kFlags), std::nullopt);
    startSimulated();
    ASSERT_TRUE(connect());
    ASSERT_TRUE(runUntil([&] { return session->state().sync == SyncState::Complete; }));
    const auto frames = framesOf(*nearest());
    ASSERT_EQ(frames.size(), 14u) << ::testing::PrintToString(frames);
    EXPECT_EQ(frames[2], "04 A5");  // body height 165
    EXPECT_EQ(frames[3], "05 41");  // body weight 65
}

TEST_F(CompanionTest, ASyncBesideAHeldDatabaseKeepsTheLoopTurningAndEndsFailedWithoutALastSyncTime) {
    settings.setInteger(kAutoSyncHours, 0);
    startSimulated();
    ASSERT_TRUE(connect());
    app().m_db->updateData(CalendarDate{2014, 6, 1}, 7, 7, 7, 7, 0, 7);
    // Another program holds the database for the whole sync. Every turn of the loop is timed on the wall
    // clock: the bus is answered between turns, and the old store waited a second per record.
    SqliteConnection holder(session->recordsDir() + "/database.sqlite3", SqliteConnection::Mode::ReadWrite);
    ASSERT_EQ(holder.exec("BEGIN EXCLUSIVE"), 0);
    // A reset while the file is held fails first: that failure is not the sync's to report.
    ASSERT_FALSE(app().m_db->clearData());
    double longest = 0;
    auto runTimed = [&](const std::function<bool()>& done, double limit) {
        for (double t = 0; t < limit && !done(); t += 0.02) {
            const auto start = std::chrono::steady_clock::now();
            loop.advance(0.02);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            longest = std::max(longest, took.count());
        }
        return done();
    };
    std::optional<std::pair<bool, std::string>> synced;
    auto answer = [&](bool ok, const std::string& why) { synced.emplace(ok, why); };
    ASSERT_EQ(session->sync(answer), Companion::Outcome::Started);
    ASSERT_TRUE(runTimed([&] { return synced.has_value(); }, RecordWriter::kHeldSeconds + 30));
    holder.exec("ROLLBACK");
    EXPECT_LT(longest, 0.1);
    EXPECT_FALSE(synced->first);
    EXPECT_NE(synced->second.find("3 of the band's records could not be stored"), std::string::npos) << synced->second;
    EXPECT_NE(synced->second.find("locked"), std::string::npos) << synced->second;
    EXPECT_EQ(synced->second.find("clearing"), std::string::npos) << synced->second;
    CompanionState s = session->state();
    EXPECT_EQ(std::tie(s.sync, s.failedWrites, s.daysStored), std::make_tuple(SyncState::Failed, 3, 0));
    EXPECT_FALSE(s.lastSync.has_value());
    EXPECT_FALSE(settings.dateForKey(kLastSyncTime).has_value());
    EXPECT_EQ(app().strTransmitStatus(), "SyncFailed");
    ASSERT_EQ(days().size(), 1u);
    EXPECT_EQ(days()[0].step, 7);

    // Held again, and let go once the band is done: the waiting records are stored and the sync completes.
    ASSERT_EQ(holder.exec("BEGIN EXCLUSIVE"), 0);
    synced.reset();
    ASSERT_EQ(session->sync(answer), Companion::Outcome::Started);
    runTimed([&] { return synced.has_value(); }, SyncProgress::kSettleSeconds + 5);
    EXPECT_FALSE(synced.has_value());
    EXPECT_EQ(session->state().sync, SyncState::Running);
    holder.exec("ROLLBACK");
    ASSERT_TRUE(runTimed([&] { return synced.has_value(); }, 5));
    EXPECT_LT(longest, 0.1);
    EXPECT_TRUE(synced->first) << synced->second;
    s = session->state();
    EXPECT_EQ(std::tie(s.sync, s.daysStored, s.nightsStored), std::make_tuple(SyncState::Complete, 2, 1));
    EXPECT_TRUE(s.lastSync.has_value());
    EXPECT_EQ(days().size(), 3u);
    EXPECT_EQ(days()[0].step, 7);
}

TEST_F(CompanionTest, SettingsChangedByAnotherProgramReachTheConnectedBand) {
    const std::string config = configDirectory(dir.path());
    JsonKeyValueStore mine(config, log);
    settingsStore = &mine;
    startSimulated();
    ASSERT_TRUE(connect());
    ASSERT_TRUE(runUntil([&] { return session->state().sync == SyncState::Complete; }));
    const std::size_t before = framesOf(*nearest()).size();
    const auto planned = session->autoSync().nextAt();
    ASSERT_TRUE(planned.has_value());

    // As `vantro-cli settings set findme 1` and `... autoSyncHours 1` would.
    {
        CapturingLog otherLog;
        JsonKeyValueStore other(config, otherLog);
        other.setInteger(kFindMe, kFindMeOn);
        other.setInteger(kAutoSyncHours, 1);
        other.setInteger(kBodyWeight, 70);
    }
    // Nothing looks at the file until it is said to have changed: no polling.
    EXPECT_EQ(settingsWatch.watched, config + "/settings.json");
    loop.advance(10);
    EXPECT_EQ(framesOf(*nearest()).size(), before);
    settingsFileChanged();
    const auto frames = framesOf(*nearest());
    ASSERT_EQ(frames.size(), before + 2) << ::testing::PrintToString(frames);
    EXPECT_EQ(frames[before], "05 46");
    EXPECT_EQ(frames[before + 1], "0A 01");
    EXPECT_TRUE(session->state().findMe);
    ASSERT_TRUE(session->autoSync().nextAt().has_value());
    EXPECT_LT(*session->autoSync().nextAt(), *planned);
    // Nothing changed since: nothing more is sent.
    loop.advance(10);
    EXPECT_EQ(framesOf(*nearest()).size(), before + 2);
}

// The first start writes the defaults at once (before any sync), and only where a value is missing: a
// setting made before it (vantro-cli settings set findme 1) is the user's and survives it.
TEST_F(CompanionTest, TheFirstStartWritesDefaultsOnlyWhereAValueIsMissing) {
    const std::string empty = dir / "empty";
    CapturingLog quiet;
    {
        JsonKeyValueStore fresh(empty, log);
        settingsStore = &fresh;
        startSimulated();
        session.reset();
    }
    const JsonKeyValueStore written(empty, quiet);
    for (const auto& key : settingKeys()) EXPECT_TRUE(written.valueForKey(key.name)) << key.name;
    EXPECT_EQ(written.integerForKey(kBodyHeight), 165);
    EXPECT_EQ(written.integerForKey(kFindMe), kFindMeOff);

    const std::string config = configDirectory(dir.path());
    {
        CapturingLog cliLog;
        JsonKeyValueStore cli(config, cliLog);
        cli.setInteger(kFindMe, kFindMeOn);
        cli.setInteger(kBodyWeight, 70);
    }
    JsonKeyValueStore mine(config, log);
    settingsStore = &mine;
    startSimulated();
    EXPECT_TRUE(session->state().findMe);
    const JsonKeyValueStore after(config, quiet);
    EXPECT_EQ(std::make_tuple(after.integerForKey(kFindMe), after.integerForKey(kBodyWeight),
                              after.integerForKey(kBodyHeight), after.integerForKey(kFlags)),
              std::make_tuple(kFindMeOn, 70, 165, kSettingsInitialized));
    session.reset();
}

namespace {

// A running companion, synced with the band's alarm at 07:30 and every notification relayed, whose
// settings file is then damaged by another program.
struct DamagedSettings : CompanionTest {
    TzGuard tz{"UTC0"};
    std::string config = configDirectory(dir.path());
    std::string file = config + "/settings.json";
    std::unique_ptr<JsonKeyValueStore> store;
    std::size_t before = 0;
    // How far apart a file that is no document is read again.
    double reread = 0.01;

    void SetUp() override {
        CompanionTest::SetUp();
        store = std::make_unique<JsonKeyValueStore>(config, log, reread);
        initializeDefaults(*store, loop.wallNow());
        store->setBool(kAlertSwitch, true);
        store->setDate(kAlertTime, *parseIsoUtc("2014-07-15T07:30:00Z"));
        store->setString(kRelayNotifications, "all");
        store->setInteger(kAutoSyncHours, 0);
        settingsStore = store.get();
        startSimulated();
        ASSERT_TRUE(connect());
        ASSERT_TRUE(await([&](Done d) { return session->sync(std::move(d)); }));
        const auto frames = framesOf(*nearest());
        ASSERT_NE(std::find(frames.begin(), frames.end(), "0C 07 1E"), frames.end());
        before = frames.size();
    }
    void TearDown() override { session.reset(); }
    // Another program's file, renamed into place as careful writers do.
    void renameIntoPlace(const std::string& text) {
        writeFile(file + ".new", text);
        std::filesystem::rename(file + ".new", file);
    }
    // The band was sent nothing, and the companion and the file keep the values last read.
    void expectKept(const std::string& what) {
        EXPECT_EQ(framesOf(*nearest()).size(), before)
            << what << ": " << ::testing::PrintToString(framesOf(*nearest()));
        EXPECT_EQ(store->dateForKey(kAlertTime), parseIsoUtc("2014-07-15T07:30:00Z")) << what;
        CapturingLog quiet;
        JsonKeyValueStore disk(config, quiet);
        EXPECT_EQ(disk.dateForKey(kAlertTime), parseIsoUtc("2014-07-15T07:30:00Z")) << what;
        EXPECT_EQ(disk.stringForKey(kRelayNotifications), "all") << what;
        EXPECT_EQ(disk.integerForKey(kDisplayTime), 5) << what;
        EXPECT_TRUE(quiet.lines.empty()) << what << ": the good values were written back";
    }
};

}  // namespace

TEST_F(DamagedSettings, ADamagedKeyIsNeverSentAndKeepsItsLastValue) {
    std::string text = readFile(file);
    const auto at = text.find("2014-07-15T07:30:00Z");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, 20, "half past seven");
    renameIntoPlace(text);
    settingsFileChanged();
    expectKept("a damaged alarm time");
    EXPECT_TRUE(std::filesystem::exists(file + ".damaged"));
}

TEST_F(DamagedSettings, AFileThatCannotBeReadWholeSendsNothing) {
    const std::string good = readFile(file);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"truncated", good.substr(0, good.size() / 2)},
        {"not JSON", "findme=1\n"},
    };
    for (const auto& [what, text] : cases) {
        renameIntoPlace(text);
        settingsFileChanged();
        expectKept(what);
    }
    EXPECT_TRUE(std::filesystem::exists(file + ".damaged.2"));
}

// Looks again late enough that a writer pausing mid-file is caught on the second look.
struct WrittenInPlace : DamagedSettings {
    WrittenInPlace() { reread = 1.0; }
};

TEST_F(WrittenInPlace, AFileWrittenInPlaceIsReadOnceItIsWhole) {
    std::string text = readFile(file);
    const std::string weight = "\"bodyWeight\": {\"type\":\"integer\",\"value\":65}";
    const auto at = text.find(weight);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, weight.size(), "\"bodyWeight\": {\"type\":\"integer\",\"value\":70}");
    // Half the file, a pause, the rest: the companion is told while it is half written.
    const int fd = open(file.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    const std::size_t half = text.size() / 2;
    ASSERT_EQ(write(fd, text.data(), half), static_cast<ssize_t>(half));
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(write(fd, text.data() + half, text.size() - half), static_cast<ssize_t>(text.size() - half));
        close(fd);
    });
    settingsFileChanged();
    writer.join();
    const auto frames = framesOf(*nearest());
    ASSERT_EQ(frames.size(), before + 1) << ::testing::PrintToString(frames);
    EXPECT_EQ(frames.back(), "05 46");
    EXPECT_FALSE(std::filesystem::exists(file + ".damaged"));
    EXPECT_EQ(store->stringForKey(kRelayNotifications), "all");
}

TEST_F(CompanionTest, ABandNamedByItsAddressIsConnectedAndChosen) {
    settings.setInteger(kAutoSyncHours, 0);
    startSimulated();
    const auto farther = sim->wristbands().at(1);
    std::string address = farther->bluetoothAddress();
    ASSERT_EQ(address.size(), 17u);
    for (char& c : address) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto answer = await([&](Done d) { return session->connect(address, std::move(d), 10); });
    ASSERT_TRUE(answer && answer->first) << (answer ? answer->second : "no answer");
    EXPECT_EQ(answer->second, farther->identifier());
    EXPECT_EQ(session->state().bandId, farther->identifier());
    EXPECT_EQ(session->chosenBand(), farther->identifier());

    // Connected already, the nearer band asked for by name becomes the chosen one as well.
    const auto near = await([&](Done d) { return session->connect(nearest()->identifier(), std::move(d), 10); });
    ASSERT_TRUE(near && near->first);
    EXPECT_EQ(session->chosenBand(), nearest()->identifier());

    session->forgetBand();
    EXPECT_EQ(session->chosenBand(), "");
    // Forgotten but still connected: asked for by name, it is chosen again.
    ASSERT_TRUE(await([&](Done d) { return session->connect(nearest()->identifier(), std::move(d), 10); })->first);
    EXPECT_EQ(session->chosenBand(), nearest()->identifier());
}

TEST_F(CompanionTest, ForgetThisBandInThePickerLetsTheChosenBandGo) {
    settings.setInteger(kAutoSyncHours, 0);
    startSimulated();
    ASSERT_TRUE(connect());
    WristbandPicker picker(app(), *session, [] {});
    ASSERT_TRUE(picker.canForget());
    picker.forget();
    EXPECT_FALSE(picker.canForget());
    EXPECT_EQ(session->chosenBand(), "");
    // Let go, and not called back by the companion.
    runUntil([] { return false; }, 5);
    EXPECT_EQ(session->state().link, LinkState::Disconnected);
}

namespace {

/// An add-on that notes, as it goes, whether the link it was built on is still there.
struct LinkWatcher : SessionAddOn {
    LinkWatcher(std::shared_ptr<FakeCentral> central, std::optional<bool>& linkAtTeardown)
        : m_central(std::move(central)), m_linkAtTeardown(linkAtTeardown) {}
    ~LinkWatcher() override { m_linkAtTeardown = m_central->delegate != nullptr; }
    std::shared_ptr<FakeCentral> m_central;
    std::optional<bool>& m_linkAtTeardown;
};

}  // namespace

TEST_F(CompanionTest, AddOnsGoWhileTheLinkAndTheDelegateStillStand) {
    auto central = std::make_shared<FakeCentral>();
    startOn(central);
    ASSERT_NE(central->delegate, nullptr);
    std::optional<bool> linkAtTeardown;
    session->add(std::make_unique<LinkWatcher>(central, linkAtTeardown));
    session.reset();
    ASSERT_TRUE(linkAtTeardown.has_value());
    EXPECT_TRUE(*linkAtTeardown);
    EXPECT_EQ(central->delegate, nullptr);  // and the link let go of the central after them
}

TEST_F(CompanionTest, EveryChangeIsToldOnceAndASyncShowsStartingThenSyncing) {
    startSimulated();
    settings.setInteger(kAutoSyncHours, 0);
    ASSERT_TRUE(connect());
    std::vector<SyncState> seen;
    CompanionState last = session->state();
    session->onChanged([&] {
        const CompanionState now = session->state();
        if (now.sync != last.sync) seen.push_back(now.sync);
        last = now;
    });
    ASSERT_TRUE(await([&](Done d) { return session->sync(std::move(d)); }));
    EXPECT_EQ(seen, (std::vector{SyncState::Starting, SyncState::Running, SyncState::Complete}));
    // The same value again changes nothing and tells nobody.
    CompanionStateKeeper keeper;
    int keeperTold = 0;
    keeper.onChanged = [&](const CompanionState&) { ++keeperTold; };
    EXPECT_TRUE(keeper.apply(VersionReported{"1.5"}));
    EXPECT_FALSE(keeper.apply(VersionReported{"1.5"}));
    EXPECT_EQ(keeperTold, 1);
}

TEST_F(CompanionTest, ARestartShowsTheLastSyncAndTheVersionEverywhereUntilTheBandSaysMore) {
    startSimulated();
    ASSERT_TRUE(connect());
    ASSERT_TRUE(runUntil([&] { return session->state().sync == SyncState::Complete; }));
    const CompanionState before = session->state();
    ASSERT_TRUE(before.version && before.lastSync);

    loop.advance(120);
    startSimulated();
    const CompanionState after = session->state();
    EXPECT_EQ(after.version, before.version);
    EXPECT_EQ(row(TodayScreen::kVersion), *before.version);
    EXPECT_EQ(after.lastSync, before.lastSync);
    // The settings screen's sync row and the header above "Sync automatically" tell of the same sync.
    EXPECT_EQ(app().strTransmitStatus(), "SyncComplete " + formatDateTime(toLocal(*before.lastSync)));
    EXPECT_EQ(app().syncProgress().lastSyncText(loop.wallNow()), "SyncedMinutesAgo");
}
