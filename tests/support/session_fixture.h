// SPDX-License-Identifier: MIT
// The running companion for tests: the session on a simulated or scripted band, in virtual time.
#pragma once

#include "session/session.h"

#include "platform/manual_run_loop.h"
#include "platform/sleep_watch.h"
#include "sim/simulated_band_source.h"

#include "fake_services.h"
#include "temp_dir.h"
#include "virtual_time.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>

namespace vantro::testing {

/// The ports a session needs, recorded, and the session itself once start() has run. The records go to
/// a temporary directory; `localizer` may be replaced before start().
struct SessionFixture : ::testing::Test {
    TempDir dir;
    ManualRunLoop loop{kTestStart};
    CapturingLog log;
    IdentityLocalizer identity;
    const Localizer* localizer = &identity;
    MemoryKeyValueStore memorySettings;
    KeyValueStore* settingsStore = &memorySettings;
    RecordingSoundPlayer sound;
    RecordingNotifier notifier;
    RecordingUrlOpener urls;
    ManualSleepWatch sleep;
    std::unique_ptr<BandSource> source;
    std::unique_ptr<Session> session;

    /// A session on `band` (any source); the previous one, if any, ends first, as at a restart.
    void start(std::unique_ptr<BandSource> band) {
        session.reset();
        source = std::move(band);
        SessionPorts ports{{loop, log, *localizer, *settingsStore, &notifier, &sound, &urls}};
        ports.dataDir = dir.path();
        ports.sleep = &sleep;
        session = std::make_unique<Session>(ports, *source);
    }
    /// A session on the central `make` returns (a scripted or a hand-built simulated central).
    template <class Central>
    void startOn(std::shared_ptr<Central> central, bool simulated = false) {
        start(std::make_unique<FixedBandSource>([central] { return central; }, simulated));
    }
    VantroAppDelegate& app() { return session->app(); }
    bool runUntil(const std::function<bool()>& done, double limit = 30) {
        return testing::runUntil(loop, done, limit, 0.01);
    }
    /// Starts `verb`, runs until it answers and gives its answer (absent when it never did).
    std::optional<std::pair<bool, std::string>> await(const std::function<Companion::Outcome(Companion::Done)>& verb,
                                                      double limit = 60) {
        std::optional<std::pair<bool, std::string>> answer;
        EXPECT_EQ(verb([&](bool ok, const std::string& why) { answer.emplace(ok, why); }), Companion::Outcome::Started);
        runUntil([&] { return answer.has_value(); }, limit);
        return answer;
    }
};

}  // namespace vantro::testing
