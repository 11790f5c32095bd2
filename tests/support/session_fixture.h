// SPDX-License-Identifier: MIT
// The running companion for tests: the session on a simulated or scripted band, in virtual time.
#pragma once

#include "session/session.h"

#include "platform/manual_run_loop.h"
#include "platform/sleep_watch.h"
#include "settings/settings_keys.h"
#include "sim/simulated_band_source.h"
#include "store/sqlite_data.h"

#include "fake_ble.h"
#include "fake_services.h"
#include "temp_dir.h"
#include "virtual_time.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace vantro::testing {

/// The ports a session needs, recorded, and the session itself once start() has run. The records go to
/// a temporary directory; `localizer` may be replaced before start().
struct SessionFixture : ::testing::Test {
    TempDir dir;
    /// Where the session keeps its records; empty: the user's own directories.
    std::string dataDir = dir.path();
    ManualRunLoop loop{kTestStart};
    CapturingLog log;
    IdentityLocalizer identity;
    const Localizer* localizer = &identity;
    MemoryKeyValueStore settings;
    KeyValueStore* settingsStore = &settings;
    RecordingSoundPlayer sound;
    RecordingNotifier notifier;
    RecordingUrlOpener urls;
    ManualSleepWatch sleep;
    ManualFileWatch settingsWatch;
    DeviceIdiom idiom = DeviceIdiom::Phone;
    std::unique_ptr<BandSource> source;
    std::unique_ptr<Session> session;
    /// The scripted phone of a session started with startOn().
    ScriptedTelephony* telephony = nullptr;
    /// How often the session asked startOn()'s source for its central.
    int centralsMade = 0;

    /// A session on `band` (any source); the previous one, if any, ends first, as at a restart.
    void start(std::unique_ptr<BandSource> band) {
        session.reset();
        source = std::move(band);
        SessionPorts ports{{loop, log, *localizer, *settingsStore, &notifier, &sound, &urls, idiom}};
        ports.dataDir = dataDir;
        ports.sleep = &sleep;
        ports.settingsWatch = &settingsWatch;
        session = std::make_unique<Session>(ports, *source);
        // A notification shown while the app runs comes back to it, as the desktop's does.
        notifier.onNotificationReceived = [this](const LocalNotification& n) {
            if (session) app().didReceiveLocalNotification(n);
        };
    }
    /// A session on `central` (a scripted or a hand-built simulated central).
    template <class Central>
    void startOn(std::shared_ptr<Central> central, bool simulated = false) {
        auto fixed = std::make_unique<FixedBandSource>(
            [this, central] {
                ++centralsMade;
                return central;
            },
            simulated);
        telephony = &fixed->scriptedTelephony();
        start(std::move(fixed));
    }
    VantroAppDelegate& app() { return session->app(); }
    VantroViewController& today() { return session->today(); }
    /// The today screen's row `r` as shown (every row is on screen).
    std::string row(int r) { return today().tableView().detailText(r).value_or("<no cell>"); }
    std::vector<sportsData> days() {
        std::vector<sportsData> out;
        app().m_db->databaseToArray(out);
        return out;
    }
    std::vector<sleepData> nights() {
        std::vector<sleepData> out;
        app().m_db->SleepDataToArray(out);
        return out;
    }
    /// A simulated central on the fixture's clock whose bands send values only when asked.
    std::shared_ptr<SimulatedCentral> quietCentral(SimOptions options = {}) {
        options.currentDataInterval = 0;
        return std::make_shared<SimulatedCentral>(loop, options);
    }
    /// A band holding `days` days and `nights` nights of records up to the start day.
    static SimBandConfig bandWith(int days, int nights) {
        SimBandConfig cfg;
        cfg.firmware.days = days;
        cfg.firmware.nights = nights;
        cfg.firmware.today = {2014, 7, 15};
        return cfg;
    }
    /// The frames `band` received, in hex, oldest first.
    static std::vector<std::string> framesOf(const SimulatedPeripheral& band) {
        std::vector<std::string> out;
        for (const auto& f : band.firmware().receivedFrames()) out.push_back(hex(f));
        return out;
    }
    /// Another program changed the settings file: the watch tells, and the session looks a moment later.
    void settingsFileChanged() {
        settingsWatch.fire();
        loop.advance(Session::kSettingsSettleSeconds + 0.01);
    }
    /// Find-me switched by the user: stored, and told to a connected band.
    void setFindMe(bool on) {
        if (session) {
            session->setFindMe(on);
        } else {
            settings.setInteger(kFindMe, on ? kFindMeOn : kFindMeOff);
        }
    }
    /// Connected with the band's reports subscribed to: the link is of use.
    bool subscribed() { return reportsSubscribed(app()); }
    bool runUntil(const std::function<bool()>& done, double limit = 30, double step = 0.01) {
        return testing::runUntil(loop, done, limit, step);
    }
    /// Starts `verb`, runs until it answers and gives its answer (absent when it never did).
    std::optional<std::pair<bool, std::string>> await(const std::function<Companion::Outcome(Companion::Done)>& verb,
                                                      double limit = 60) {
        std::optional<std::pair<bool, std::string>> answer;
        EXPECT_EQ(verb([&](bool ok, const std::string& why) { answer.emplace(ok, why); }), Companion::Outcome::Started);
        runUntil([&] { return answer.has_value(); }, limit);
        return answer;
    }
    /// Connects to the band with `identifier` through the session; whether it did.
    bool connect(const std::string& identifier = {}) {
        const auto answer = await([&](Companion::Done d) { return session->connect(identifier, std::move(d)); });
        return answer && answer->first;
    }
};

}  // namespace vantro::testing
