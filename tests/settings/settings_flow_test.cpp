// SPDX-License-Identifier: MIT
// The settings screens driven as a user would, against the simulated wristband on virtual time.
#include "../link/link_fixture.h"

#include "settings/properties_view_controller.h"
#include "settings/settings_view_controller.h"
#include "sim/simulated_central.h"

#include <algorithm>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct SettingsFlow : LinkFixtureT<SimulatedCentral> {
    std::shared_ptr<SimulatedPeripheral> band, second;
    std::unique_ptr<SettingsViewController> screen;
    std::shared_ptr<PropertiesViewController> page;
    std::vector<AlertModel> alerts;

    void SetUp() override {
        LinkFixtureT::SetUp();
        SimOptions options;
        options.currentDataInterval = 0;
        central = std::make_shared<SimulatedCentral>(loop, options);
        SimBandConfig cfg;
        cfg.firmware.days = 3;
        cfg.firmware.nights = 2;
        cfg.firmware.today = {2014, 7, 15};
        band = central->addWristband(cfg);
        second = central->addWristband(SimBandConfig{});
        load();
        screen = std::make_unique<SettingsViewController>(
            app, [] { Audio_player::sharedInstance().stopPlayingAlarmSound(); });
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
        LinkFixtureT::TearDown();
    }
    bool runUntil(const std::function<bool()>& done, double limit = 30) {
        for (double t = 0; t < limit && !done(); t += 0.0075) loop.advance(0.0075);
        return done();
    }
    int pickerRowOf(const BlePeripheral& p) const {
        const auto& rows = page->pickerRows();
        auto it =
            std::find_if(rows.begin(), rows.end(), [&](const PickerRow& r) { return r.caption == seenDeviceKey(p); });
        return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
    }
    bool subscribed() const {
        return app.characteristic && std::any_of(app.characteristic->begin(), app.characteristic->end(),
                                                 [](const BleCharacteristicPtr& c) { return c->isNotifying; });
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

TEST_F(SettingsFlow, PickConnectSyncAndSeeTheStatus) {
    screen->didSelectRowAtIndexPath({0, 1});
    ASSERT_EQ(alerts.size(), 1u);  // not connected yet
    EXPECT_EQ(alerts[0].message, "SyncPrompt");

    pick(*band);
    EXPECT_EQ(app.strBlueStatus, "Connecting");
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    EXPECT_EQ(app.strBlueStatus, "Connected");
    screen->setVisibleRows({{0, 0}, {0, 1}});
    loop.advance(1.0);
    EXPECT_EQ(screen->visibleRow({0, 0}).detail, "Connected");

    screen->didSelectRowAtIndexPath({0, 1});
    EXPECT_EQ(app.strTransmitStatus, "Syncing");
    ASSERT_TRUE(runUntil([&] { return days().size() == 3 && nights().size() == 3; }));
    loop.advance(1.0);
    EXPECT_EQ(screen->visibleRow({0, 1}).detail.rfind("SyncComplete ", 0), 0u);
    const FirmwareSettings& got = band->firmware().settings();
    EXPECT_EQ(got.bodyHeight, 165);
    EXPECT_EQ(got.findme, 2);
    EXPECT_EQ(got.date, (CalendarDate{2014, 7, 15}));
}

TEST_F(SettingsFlow, EditsReachTheBand) {
    pick(*band);
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));

    screen->didSelectRowAtIndexPath({3, 0});
    page->controlWithTag(1001)->text = "300";
    page->ProessResult();
    EXPECT_FALSE(page->dismissed());
    page->controlWithTag(1001)->text = "182";
    page->ProessResult();
    screen->didSelectRowAtIndexPath({4, 1});  // find-me on
    screen->didSelectRowAtIndexPath({2, 3});
    page->controlWithTag(4001)->selectedSegment = 8;
    page->controlWithTag(4003)->time = {8, 0};
    page->controlWithTag(4005)->time = {20, 30};
    page->ProessResult();
    ASSERT_TRUE(runUntil([&] { return band->firmware().settings().medicineReminder.has_value(); }));

    const FirmwareSettings& got = band->firmware().settings();
    EXPECT_EQ(got.bodyHeight, 182);
    EXPECT_EQ(got.findme, 1);
    EXPECT_EQ(got.medicineReminder, (FirmwareReminder{8, 8, 0, 20, 30}));
    EXPECT_EQ(screen->cellForRowAtIndexPath({3, 0}).detail, "182 cm");
    EXPECT_EQ(screen->cellForRowAtIndexPath({2, 3}).detail, "8txtHour");
}

TEST_F(SettingsFlow, FactoryResetResetsTheBandAndEmptiesTheDatabaseButKeepsSettings) {
    pick(*band);
    ASSERT_TRUE(runUntil([&] { return subscribed(); }));
    screen->didSelectRowAtIndexPath({0, 1});
    ASSERT_TRUE(runUntil([&] { return days().size() == 3; }));
    settings.setInteger("bodyWeight", 70);

    screen->didSelectRowAtIndexPath({4, 2});
    ASSERT_EQ(alerts.size(), 1u);
    alerts[0].clickedButtonAtIndex(1);
    EXPECT_TRUE(days().empty());
    ASSERT_TRUE(runUntil([&] { return band->firmware().settings().factoryResets == 1; }));
    EXPECT_EQ(settings.integerForKey("bodyWeight"), 70);
}

TEST_F(SettingsFlow, SwitchingAndRescanningFromThePicker) {
    pick(*band);
    ASSERT_TRUE(runUntil([&] { return app.isConnected(); }));
    pick(*second);
    EXPECT_EQ(app.peripheral, std::static_pointer_cast<BlePeripheral>(second));
    ASSERT_TRUE(runUntil([&] { return second->isConnected() && !band->isConnected(); }));
    EXPECT_EQ(app.strBlueStatus, "Connected");

    screen->didSelectRowAtIndexPath({0, 0});
    page->refreshBleTable(true);
    EXPECT_EQ(app.strBlueStatus, "Researching");
    EXPECT_EQ(app.peripheral, nullptr);
    EXPECT_EQ(page->numberOfRows(), 0);
    // The cancelled link comes back as a disconnection.
    ASSERT_TRUE(runUntil([&] { return app.strBlueStatus == "Disconnected"; }));
    EXPECT_FALSE(second->isConnected());
    loop.advance(1.5);  // advertisements fill the list again
    EXPECT_EQ(page->numberOfRows(), 2);
}
