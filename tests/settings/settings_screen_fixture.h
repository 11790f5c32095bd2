// SPDX-License-Identifier: MIT
// A settings screen on a scripted wristband, with the alerts and pages it presents recorded.
#pragma once

#include "app/vantro_app_delegate.h"
#include "platform/manual_run_loop.h"
#include "protocol/codes.h"
#include "session/session.h"
#include "settings/properties_view_controller.h"
#include "settings/settings_view_controller.h"
#include "sim/simulated_band_source.h"

#include "fake_ble.h"
#include "temp_dir.h"

#include "virtual_time.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace vantro::testing {

struct SettingsScreenFixture : ::testing::Test {
    // 2014-07-15 15:04:05 UTC; tests run with TZ=UTC.
    ManualRunLoop loop{vantro::testing::kTestStart};
    CapturingLog log;
    /// Keys as they are, or the texts of a real catalog once `catalog` is set.
    struct : Localizer {
        std::optional<GettextLocalizer> catalog;
        std::string localizedString(std::string_view key) const override {
            return catalog ? catalog->localizedString(key) : std::string(key);
        }
    } localizer;
    MemoryKeyValueStore settings;
    TempDir dir;
    std::shared_ptr<FakeCentral> central = std::make_shared<FakeCentral>();
    FixedBandSource source{[this] { return central; }, false};
    Session session{sessionPorts(), source};
    VantroAppDelegate& app = session.app();
    std::shared_ptr<FakePeripheral> band = scriptedBand();
    int alarmStops = 0;
    SettingsViewController screen{app, session, [this] { ++alarmStops; }};
    std::vector<AlertModel> alerts;
    std::shared_ptr<PropertiesViewController> page;
    std::vector<double> waits;

    SessionPorts sessionPorts() {
        SessionPorts ports{{loop, log, localizer, settings}};
        ports.dataDir = dir.path();
        return ports;
    }

    void SetUp() override {
        screen.presentAlert = [this](const AlertModel& a) { alerts.push_back(a); };
        screen.presentPage = [this](std::shared_ptr<PropertiesViewController> p) {
            p->presentAlert = [this](const AlertModel& a) { alerts.push_back(a); };
            p->wait = [this](double s) { waits.push_back(s); };
            page = std::move(p);
        };
        screen.viewDidLoad();
    }

    /// A connected band with its service discovered, as after a completed connection set-up.
    void connectBand() {
        const auto service = band->addWristbandService();
        for (const auto& c : service->characteristics) {
            if (c->uuid == BleUuid::fromString(kReportCharacteristicUuid)) c->isNotifying = true;
        }
        band->connected = true;
        app.peripheral = band;
        app.characteristic = service->characteristics;
    }

    std::vector<std::string> frames() const { return band->writtenFrames(); }

    PropertiesViewController& open(IndexPath path) {
        screen.didSelectRowAtIndexPath(path);
        EXPECT_TRUE(page);
        return *page;
    }
};

}  // namespace vantro::testing
