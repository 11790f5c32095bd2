// SPDX-License-Identifier: MIT
// The settings screens driven as a user would, against the simulated wristband on virtual time.
#include "session_fixture.h"

#include "link/audio_player.h"
#include "settings/properties_view_controller.h"
#include "settings/settings_view_controller.h"
#include "platform/setting_keys.h"
#include "sim/simulated_central.h"

#include <algorithm>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct SettingsFlow : SessionFixture {
    std::shared_ptr<SimulatedCentral> central;
    std::shared_ptr<SimulatedPeripheral> band, second;
    std::unique_ptr<SettingsViewController> screen;
    std::shared_ptr<PropertiesViewController> page;
    std::vector<AlertModel> alerts;
    double connectionDelay = 0.05;

    void SetUp() override {
        SimOptions options;
        options.connectionDelay = connectionDelay;
        central = quietCentral(options);
        band = central->addWristband(bandWith(3, 2));
        second = central->addWristband(SimBandConfig{});
        startOn(central);
        screen = std::make_unique<SettingsViewController>(
            app(), *session, [] { Audio_player::sharedInstance().stopPlayingAlarmSound(); });
        screen->presentAlert = [this](const AlertModel& a) { alerts.push_back(a); };
        screen->presentPage = [this](std::shared_ptr<PropertiesViewController> p) {
            p->presentAlert = [this](const AlertModel& a) { alerts.push_back(a); };
            p->wait = [](double) {};
            page = std::move(p);
        };
        screen->viewDidLoad();
        loop.advance(1.5);  // powered on, both bands advertised
    }
    void TearDown() override {
        page.reset();
        screen.reset();
        session.reset();
    }
    bool subscribed() {
        return app().isConnected() && app().commandCharacteristic() && app().state().link == LinkState::Connected;
    }
    int pickerRowOf(const BlePeripheral& p) const {
        const auto& rows = page->picker()->rows();
        auto it =
            std::find_if(rows.begin(), rows.end(), [&](const PickerRow& r) { return r.caption == seenDeviceKey(p); });
        return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
    }
    void pick(const BlePeripheral& p) {
        screen->didSelectRowAtIndexPath({0, 0});
        ASSERT_TRUE(page);
        ASSERT_GE(pickerRowOf(p), 0);
        page->didSelectRowAtIndexPath(pickerRowOf(p));
        EXPECT_TRUE(page->dismissed());
    }
};

}  // namespace

// A slow radio: the band comes back and advertises before its pending reconnection completes.
struct SlowLinkFlow : SettingsFlow {
    void SetUp() override {
        connectionDelay = 2.0;
        SettingsFlow::SetUp();
    }
};

TEST_F(SlowLinkFlow, PickingTheBandAfterARescanDuringAReconnectionConnects) {
    setFindMe(true);
    pick(*band);
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    band->walkOutOfRange();
    ASSERT_TRUE(runUntil([&] { return app().strBlueStatus() == "ReConnecting"; }));

    screen->didSelectRowAtIndexPath({0, 0});
    page->picker()->refreshBleTable(true);
    band->comeBack();
    ASSERT_TRUE(runUntil([&] { return app().bleList->count(seenDeviceKey(*band)) == 1; }));
    ASSERT_TRUE(runUntil([&] { return band->isConnected(); }));  // the reconnection completed meanwhile
    page.reset();
    pick(*band);
    EXPECT_EQ(app().strBlueStatus(), "Connecting");
    ASSERT_TRUE(runUntil([&] { return subscribed(); }, 5));
    EXPECT_EQ(app().strBlueStatus(), "Connected");
}
