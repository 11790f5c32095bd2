// SPDX-License-Identifier: MIT
#include "settings_screen_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

struct Picker : SettingsScreenFixture {
    std::shared_ptr<FakePeripheral> other =
        std::make_shared<FakePeripheral>("8A7C2E1F-0000-4000-8000-00000000A002", "Vantro");

    void SetUp() override {
        SettingsScreenFixture::SetUp();
        seeBoth();
    }
    void seeBoth() {
        (*app.bleList)[seenDeviceKey(*band)] = bleDevice{std::nullopt, band, -50};
        (*app.bleList)[seenDeviceKey(*other)] = bleDevice{std::nullopt, other, -70};
    }
    int rowOf(const BlePeripheral& p) {
        const auto& rows = page->picker()->rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].caption == seenDeviceKey(p)) return static_cast<int>(i);
        }
        return -1;
    }
};

}  // namespace

TEST_F(Picker, RowsShowThePeripheralsOwnStrengthAndState) {
    connectBand();
    band->currentRssi = -67.5;
    auto& p = open({0, 0});
    EXPECT_EQ(p.picker()->refreshControlTitle, "RefreshData");
    ASSERT_EQ(p.numberOfRows(), 2);
    EXPECT_EQ(p.picker()->rows()[static_cast<size_t>(rowOf(*band))].subtitle, "RSSI:-67.50             Connected");
    EXPECT_EQ(p.picker()->rows()[static_cast<size_t>(rowOf(*other))].subtitle, "RSSI:-70.00             Disconnected");
    // The list follows the seen wristbands every second, and names a simulated band as such.
    app.bleList->erase(seenDeviceKey(*other));
    app.tell(BackendChanged{true, {}});
    loop.advance(1.0);
    ASSERT_EQ(p.numberOfRows(), 1);
    EXPECT_EQ(p.picker()->rows()[0].subtitle, "RSSI:-67.50             Connected  \u00b7 SimulatedBand");
}

TEST_F(Picker, ALineSaysWhyBluetoothCannotBeUsedOrWhereTheSignalComesFrom) {
    struct Case {
        BleCentralState state;
        const char* reason;
        const char* source;
        bool connected;
        const char* line;
    };
    const Case cases[] = {
        {BleCentralState::PoweredOn, "", "", true, ""},
        {BleCentralState::PoweredOff, "", "", false, "BluetoothOff"},
        {BleCentralState::Unsupported, "", "", false, "BluetoothUnsupported"},
        {BleCentralState::Unsupported, "BluetoothNotRunning", "", false, "BluetoothNotRunning"},
        {BleCentralState::PoweredOn, "", "SignalFromAdvertisements", true, "SignalFromAdvertisements"},
        {BleCentralState::PoweredOn, "", "SignalFromAdvertisements", false, ""},
    };
    auto& p = open({0, 0});
    for (const Case& c : cases) {
        central->currentState = c.state;
        central->reason = c.reason;
        central->source = c.source;
        band->connected = c.connected;
        app.peripheral = band;
        loop.advance(1.0);
        EXPECT_EQ(p.picker()->statusLine(), c.line) << c.line << c.source;
    }
}

TEST_F(Picker, PickingTheConnectedBandDisconnectsIt) {
    connectBand();
    auto& p = open({0, 0});
    p.didSelectRowAtIndexPath(rowOf(*band));
    EXPECT_EQ(central->cancels, (std::vector<BlePeripheralPtr>{band}));
    EXPECT_TRUE(central->connects.empty());
    EXPECT_EQ(app.strBlueStatus(), "Disconnecting");
    EXPECT_TRUE(p.dismissed());
}

TEST_F(Picker, PickingTheRememberedButDisconnectedBandReconnects) {
    app.peripheral = band;
    auto& p = open({0, 0});
    p.didSelectRowAtIndexPath(rowOf(*band));
    ASSERT_EQ(central->connects.size(), 1u);
    EXPECT_TRUE(waits.empty());
    EXPECT_EQ(app.strBlueStatus(), "Connecting");
}

TEST_F(Picker, SwitchingBandsDisconnectsWaitsThenConnects) {
    connectBand();
    auto& p = open({0, 0});
    p.didSelectRowAtIndexPath(rowOf(*other));
    EXPECT_EQ(central->cancels, (std::vector<BlePeripheralPtr>{band}));
    ASSERT_EQ(central->connects.size(), 1u);
    EXPECT_EQ(central->connects[0].peripheral, other);
    EXPECT_EQ(waits, (std::vector<double>{0.1}));
    EXPECT_EQ(app.peripheral, other);
    EXPECT_EQ(app.strBlueStatus(), "Connecting");
}

TEST_F(Picker, RescanEmptiesTheListAndDisconnectsOnlyALiveLink) {
    enum class Link { None, Connected, Reconnecting };
    for (Link link : {Link::None, Link::Connected, Link::Reconnecting}) {
        SCOPED_TRACE(static_cast<int>(link));
        central->cancels.clear();
        central->scans.clear();
        app.setLinkState(link == Link::Reconnecting ? LinkState::ReConnecting : LinkState::Disconnected);
        if (link == Link::Connected) connectBand();
        if (link == Link::Reconnecting) app.connectPeripheral(band);  // remembered, its connection pending
        auto& p = open({0, 0});
        p.picker()->refreshBleTable(false);
        EXPECT_EQ(p.numberOfRows(), 2);
        p.picker()->refreshBleTable(true);
        EXPECT_EQ(central->cancels.size(), link == Link::Connected ? 1u : 0u);
        EXPECT_EQ(app.strBlueStatus(), link == Link::Connected      ? "Researching"
                                       : link == Link::Reconnecting ? "ReConnecting"
                                                                    : "Disconnected");
        EXPECT_TRUE(app.bleList->empty());
        EXPECT_EQ(app.peripheral, nullptr);
        EXPECT_EQ(central->scans.size(), 1u);
        EXPECT_EQ(p.picker()->refreshControlTitle, "Scanning");
        EXPECT_EQ(p.numberOfRows(), 0);
        EXPECT_FALSE(p.dismissed());
        band->connected = false;
        seeBoth();
    }
}

TEST_F(Picker, AVanishedBandClosesThePageWithoutConnecting) {
    auto& p = open({0, 0});
    const int row = rowOf(*other);
    app.bleList->clear();
    p.didSelectRowAtIndexPath(row);
    EXPECT_TRUE(central->connects.empty());
    EXPECT_TRUE(central->cancels.empty());
    EXPECT_TRUE(p.dismissed());
    EXPECT_EQ(app.strBlueStatus(), "Disconnected");
}
