// SPDX-License-Identifier: MIT
// The application core wired up for link tests: virtual time, recording ports, a database in a temporary dir.
#pragma once

#include "app/vantro_app_delegate.h"
#include "link/audio_player.h"
#include "link/phone_event_relay.h"
#include "link/vantro_view_controller.h"
#include "platform/manual_run_loop.h"
#include "protocol/codes.h"
#include "store/sqlite_data.h"

#include "fake_ble.h"
#include "fake_services.h"
#include "temp_dir.h"
#include "virtual_time.h"

#include <gtest/gtest.h>

namespace vantro::testing {

template <class Central>
struct LinkFixtureT : ::testing::Test {
    TempDir dir;
    ManualRunLoop loop{kTestStart};
    CapturingLog log;
    IdentityLocalizer localizer;
    MemoryKeyValueStore settings;
    RecordingSoundPlayer sound;
    RecordingNotifier notifier;
    RecordingUrlOpener urls;
    ScriptedTelephony telephony;
    VantroAppDelegate app{AppPorts{loop, log, localizer, settings, &notifier, &sound, &urls}};
    std::shared_ptr<Central> central;
    int centralsMade = 0;
    std::unique_ptr<VantroViewController> vc;

    void SetUp() override {
        Audio_player::resetSharedInstance();
        Audio_player::configure({&sound, &notifier, &log});
        notifier.onNotificationReceived = [this](const LocalNotification& n) { app.didReceiveLocalNotification(n); };
        app.didFinishLaunchingWithOptions(&telephony, telephonyRelay(app));
        vc = std::make_unique<VantroViewController>(
            app,
            [this] {
                ++centralsMade;
                return central;
            },
            dir.path());
    }
    void TearDown() override {
        vc.reset();
        Audio_player::resetSharedInstance();
    }
    /// Loads the view with every row on screen.
    void load() {
        vc->viewDidLoad();
        vc->tableView().setVisibleRows({0, 1, 2, 3, 4, 5, 6});
    }
    std::string row(int r) const { return vc->tableView().detailText(r).value_or("<no cell>"); }
    std::vector<sportsData> days() {
        std::vector<sportsData> out;
        app.m_db->databaseToArray(out);
        return out;
    }
    std::vector<sleepData> nights() {
        std::vector<sleepData> out;
        app.m_db->SleepDataToArray(out);
        return out;
    }
    void setFindMe(bool on) { settings.setInteger("findme", on ? 1 : 2); }
    /// Runs virtual time a connection interval at a time until `done` or `limit` seconds have passed.
    bool runUntil(const std::function<bool()>& done, double limit = 30) { return testing::runUntil(loop, done, limit); }
    bool subscribed() const { return reportSubscribed(app.characteristic); }
};

/// A loaded today screen over a scripted central, with one scripted band not yet connected.
struct FakeBandFixture : LinkFixtureT<FakeCentral> {
    std::shared_ptr<FakePeripheral> band =
        std::make_shared<FakePeripheral>("8A7C2E1F-0000-4000-8000-00000000A001", "Vantro");

    void SetUp() override {
        central = std::make_shared<FakeCentral>();
        LinkFixtureT::SetUp();
        load();
    }
};

}  // namespace vantro::testing
