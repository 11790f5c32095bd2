// SPDX-License-Identifier: MIT
#include "sim/simulated_central.h"

#include "platform/manual_run_loop.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"

#include "ble_recorder.h"

#include <gtest/gtest.h>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct SimFixture : ::testing::Test {
    ManualRunLoop loop;
    SimOptions options = [] {
        SimOptions o;
        o.currentDataInterval = 0;  // pushes are tested on their own
        return o;
    }();
    std::unique_ptr<SimulatedCentral> central;
    std::shared_ptr<SimulatedPeripheral> band;
    BleRecorder rec;
    const BleUuid service = BleUuid::fromString(kWristbandServiceUuid);

    void SetUp() override {
        rec.stamp = [this] { return strprintf("%.1f", loop.now() * 1000); };  // virtual milliseconds
        make();
    }
    void make() {
        central = std::make_unique<SimulatedCentral>(loop, options);
        SimBandConfig cfg;
        cfg.firmware.days = 3;
        cfg.firmware.nights = 2;
        band = central->addWristband(cfg);
        central->setDelegate(&rec);
        loop.runPending();
    }
    BleCharacteristicPtr characteristic(const char* uuid) const { return findCharacteristic(*band, uuid); }
    /// Connects and walks the set-up up to the subscription; clears the record.
    void connectAndSubscribe() {
        central->connectPeripheral(band, true);
        loop.advance(0.05);
        band->discoverServices({service});
        loop.advance(0.01);
        band->discoverCharacteristics({}, band->services().at(0));
        loop.advance(0.01);
        band->setNotifyValue(true, characteristic(kReportCharacteristicUuid));
        loop.advance(0.01);
        rec.events.clear();
    }
};

}  // namespace

TEST_F(SimFixture, PowersOnAndAdvertisesWhileScanning) {
    EXPECT_EQ(rec.events, (std::vector<std::string>{"0.0 state 5"}));
    EXPECT_EQ(band->identifier(), "5EB0A7C2-31D4-4E6F-9A10-000000000001");
    rec.events.clear();
    central->scanForPeripheralsWithServices({service}, true);
    loop.advance(2.0);
    const std::string seen = "discover Vantro -58";
    EXPECT_EQ(rec.events, (std::vector<std::string>{"0.0 " + seen, "1000.0 " + seen, "2000.0 " + seen}));
    // The app scans only so, for wristbands with every advertisement: other requests are not simulated here.
}

TEST_F(SimFixture, ConnectionSetUpAnswersInOrderOnTheAir) {
    central->connectPeripheral(band, true);
    loop.advance(0.049);
    EXPECT_EQ(rec.events.size(), 1u);  // not yet
    loop.advance(0.001);
    EXPECT_TRUE(band->isConnected());
    band->discoverServices({service});
    loop.advance(0.0075);
    ASSERT_EQ(band->services().size(), 1u);
    band->discoverCharacteristics({}, band->services()[0]);
    loop.advance(0.0075);
    auto report = characteristic(kReportCharacteristicUuid);
    auto command = characteristic(kCommandCharacteristicUuid);
    ASSERT_TRUE(report && command);
    band->setNotifyValue(true, report);
    loop.advance(0.0075);
    band->readValueForCharacteristic(report);
    loop.advance(0.0075);
    EXPECT_EQ(
        std::vector(rec.events.begin() + 1, rec.events.end()),
        (std::vector<std::string>{"50.0 connect Vantro", "57.5 services 1", "65.0 characteristics 2",
                                  "72.5 notifying 1", "80.0 value " + hex(band->firmware().currentDataReport())}));

    // A request is answered after its write response, one notification per 7.5 ms.
    rec.events.clear();
    band->writeValue({CMD_TYPE_GETDAY_DATA}, command, BleWriteType::WithResponse);
    EXPECT_EQ(band->pendingNotifications(), 3u);
    loop.advance(1.0);
    ASSERT_EQ(rec.events.size(), 4u);
    EXPECT_EQ(rec.events[0], "87.5 written");
    EXPECT_EQ(rec.events[1], "95.0 value " + hex(WristbandFirmware::dayReport(band->firmware().days()[0])));
    EXPECT_EQ(rec.events[3].substr(0, 6), "110.0 ");
    EXPECT_EQ(band->pendingNotifications(), 0u);
    EXPECT_EQ(hex(band->firmware().receivedFrames().back()), "15");
}

TEST_F(SimFixture, CancellingEndsALinkOrAPendingRequestWithoutError) {
    connectAndSubscribe();
    central->cancelPeripheralConnection(band);
    loop.runPending();
    band->walkOutOfRange();
    central->connectPeripheral(band, true);
    central->cancelPeripheralConnection(band);
    loop.runPending();
    central->cancelPeripheralConnection(band);  // nothing left to cancel
    loop.runPending();
    band->comeBack();
    loop.advance(1.0);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"80.0 disconnect", "80.0 disconnect"}));
    EXPECT_FALSE(band->isConnected());
}

TEST_F(SimFixture, DestroyingTheCentralLeavesQueuedTurnsHarmless) {
    connectAndSubscribe();
    band->writeValue({CMD_TYPE_GETDAY_DATA}, characteristic(kCommandCharacteristicUuid), BleWriteType::WithResponse);
    central->scanForPeripheralsWithServices({}, true);
    central->cancelPeripheralConnection(band);
    central.reset();
    band.reset();
    loop.advance(5.0);
    EXPECT_TRUE(rec.events.empty());
}
