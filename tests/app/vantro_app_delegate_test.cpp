// SPDX-License-Identifier: MIT
#include "protocol/codes.h"

#include "delegate_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

struct Fixture : DelegateFixture<> {
    std::shared_ptr<FakePeripheral> band = scriptedBand();

    void discoverWristband() {
        const auto service = band->addWristbandService();
        app.peripheral = band;
        app.characteristic = service->characteristics;
    }
};

}  // namespace

TEST_F(Fixture, LaunchSetsStatusTextsGuardAndRssiTimer) {
    ScriptedTelephony telephony;
    EXPECT_TRUE(app.didFinishLaunchingWithOptions(&telephony, [](const std::string&, const TelephonyUserInfo&) {}));
    EXPECT_EQ(app.strTransmitStatus(), "NoSync");
    EXPECT_EQ(app.strBlueStatus(), "Disconnected");
    EXPECT_EQ(app.m_send_status, 0);
    EXPECT_EQ(telephony.observerCount(), 1u);

    // Before a band is chosen the timer fires and asks nothing of Bluetooth.
    app.setTodayShown(true);
    loop.advance(4.0);
    app.peripheral = band;
    loop.advance(1.99);
    EXPECT_EQ(band->rssiReads, 0);
    loop.advance(0.01);
    EXPECT_EQ(band->rssiReads, 1);
    loop.advance(6.0);
    EXPECT_EQ(band->rssiReads, 4);
}

TEST_F(Fixture, TheSignalIsReadEveryTwoSecondsOnlyWhileSomeoneWatchesIt) {
    app.didFinishLaunchingWithOptions(nullptr, nullptr);
    app.peripheral = band;
    loop.advance(60.0);
    // Nobody looks: no timer wakes the idle companion at all.
    EXPECT_EQ(band->rssiReads, 0);
    EXPECT_FALSE(loop.hasPending());
    for (const char* who : {"today", "picker", "findme"}) {
        const std::string watcher = who;
        band->rssiReads = 0;
        if (watcher == "today") app.setTodayShown(true);
        if (watcher == "picker") app.setPickerOpen(true);
        if (watcher == "findme") settings.setInteger("findme", 1);
        app.updateSignalTimer();  // as the session does after a setting changed
        loop.advance(60.0);
        EXPECT_EQ(band->rssiReads, 30) << watcher;
        app.setTodayShown(false);
        app.setPickerOpen(false);
        settings.setInteger("findme", 2);
        app.updateSignalTimer();
        EXPECT_FALSE(loop.hasPending()) << watcher;
    }
    // Closing a picker that was never opened does not hide one that is.
    app.setPickerOpen(false);
    app.setPickerOpen(true);
    EXPECT_TRUE(app.pickerOpen());
}

// Which characteristic a frame goes to, how, and its log line are checked with the settings batch; these
// are the edges of SendData.
TEST_F(Fixture, SendDataWritesOnlyAcceptedCommandsOneAtATimeToTheFirstCommandCharacteristic) {
    const std::uint8_t alarm[] = {7, 30, 0, 0, 0, 0};
    app.peripheral = band;
    app.SendData(CMD_TYPE_FINDME, alarm, 1);  // no characteristic list at all
    app.characteristic = std::vector<BleCharacteristicPtr>{};
    app.SendData(CMD_TYPE_FINDME, alarm, 1);  // an empty one
    EXPECT_EQ(app.m_send_status, 0);
    discoverWristband();
    app.m_send_status = 1;  // a call is running: this one is dropped
    app.SendData(CMD_TYPE_TELIN, alarm, 2);
    EXPECT_EQ(app.m_send_status, 1);
    app.m_send_status = 0;
    // Refused values, and codes that are no command.
    const std::uint8_t low[] = {79, 0, 0, 0, 0, 0};
    app.SendData(CMD_TYPE_BODYHEIGHT, low, 1);
    for (std::uint8_t code : {0, 13, 24, 26, 29, 32, 181, 183, 255}) app.SendData(code, low, 1);
    EXPECT_TRUE(band->writes.empty());
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(app.m_send_status, 0);

    // The guard was cleared: the next commands go out, whatever the length argument says, and only to
    // the first of two command characteristics.
    auto second = std::make_shared<BleCharacteristic>();
    second->uuid = BleUuid::fromString(kCommandCharacteristicUuid);
    app.characteristic->push_back(second);
    app.SendData(CMD_TYPE_ALERT_TIME, alarm, 1);
    app.SendData(CMD_TYPE_DATE, alarm, 1);
    ASSERT_EQ(band->writes.size(), 2u);
    EXPECT_EQ(hex(band->writes[0].value), "0C 07 1E");
    EXPECT_EQ(hex(band->writes[1].value), "08 07 DE 07 0F");
    EXPECT_NE(band->writes[0].characteristic, second);

    // Without a peripheral nothing is written, and the line is logged all the same.
    app.peripheral = nullptr;
    log.lines.clear();
    const std::uint8_t reset[] = {0xB6, 0x5A, 0, 0, 0, 0};
    app.SendData(CMD_TYPE_FACTORY, reset, 2);
    EXPECT_EQ(band->writes.size(), 2u);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"SendData: CMD_TYPE_FACTORY"}));
    EXPECT_EQ(app.m_send_status, 0);
}

// Scanning, connecting and the list keys are covered with the view controller; these are the edges.
TEST_F(Fixture, ConnectionPrimitivesAndLookups) {
    auto central = std::make_shared<FakeCentral>();
    app.manager = central;
    EXPECT_FALSE(app.isConnected());
    app.connectPeripheral(band);
    band->connected = true;
    EXPECT_TRUE(app.isConnected());
    app.disconnectPeripheral(band);
    EXPECT_EQ(central->cancels.size(), 1u);
    EXPECT_EQ(app.peripheral, band);

    EXPECT_FALSE(app.getBlePeripheralFromBleList("x"));
    EXPECT_FALSE(app.checkPeripheralFromBlePeripheralArray(band));
    app.bleList.emplace();
    (*app.bleList)[seenDeviceKey(*band)] = bleDevice{std::nullopt, band, -60.0f};
    EXPECT_FALSE(app.getBlePeripheralFromBleList("Vantro: 8A7C2E1F"));
    EXPECT_TRUE(app.checkPeripheralFromBlePeripheralArray(band));
    EXPECT_FALSE(app.checkPeripheralFromBlePeripheralArray(scriptedBand()));  // another band, not listed
    EXPECT_FALSE(app.comparePeripheral(nullptr, nullptr));
}
