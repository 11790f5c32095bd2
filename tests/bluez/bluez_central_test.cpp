// SPDX-License-Identifier: MIT
// The BlueZ central against a mock bluetoothd with wristbands: callbacks, their order and their values.
#include "bluez/backend.h"
#include "bluez/bluez_central.h"
#include "bluez/bluez_dbus.h"
#include "bluez/bluez_peripheral.h"
#include "ble_recorder.h"
#include "bus_fixture.h"
#include "fake_kernel.h"
#include "platform/debug_log.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QRegularExpression>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantro::testing {
namespace {

using ::testing::ElementsAre;

const QString kBand1 = QStringLiteral("C0:11:22:33:44:01");
const QString kBand2 = QStringLiteral("C0:11:22:33:44:02");
const QString kHeadset = QStringLiteral("C0:11:22:33:44:0A");
const QString kMockIface = QStringLiteral("org.bluez.Mock");

class BluezCentralTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onPrivateBus()) GTEST_SKIP() << "runs only on the private bus of with_private_bus.sh";
        bluez = startBluez();
        ASSERT_TRUE(bluez->running());
    }
    void TearDown() override {
        if (central) central->setDelegate(nullptr);
        central.reset();
        pump.idle(0.05);
    }

    /// Pumps until the recorder hears `line`; a failure lists what it heard instead.
    ::testing::AssertionResult heard(const std::string& line, double seconds = 30) {
        if (pump.until([&] { return rec.has(line); }, seconds)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no '" << line << "' in " << ::testing::PrintToString(rec.events);
    }
    QDBusMessage mock(const char* method, const QList<QVariant>& args) {
        QDBusMessage reply = bluez->call(QStringLiteral("/"), kMockIface, QString::fromLatin1(method), args);
        EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << method << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    void addBand(const QString& address, const QString& name, int rssi) {
        mock("AddWristband", {QStringLiteral("hci0"), address, name, int16(rssi)});
    }
    QStringList framesReceived(const QString& address) {
        return mock("ReceivedFrames", {address}).arguments().value(0).toStringList();
    }

    /// A new central, powered on, scanning for wristbands or, with `watch`, watching for them.
    void startCentral(bool watch = false) {
        rec.events.clear();
        central = std::make_shared<bluez::BluezCentral>(loop, log, kernel);
        central->setDelegate(&rec);
        ASSERT_TRUE(heard("state 5"));
        const std::vector<BleUuid> wristbands{BleUuid::fromString(kWristbandServiceUuid)};
        watch ? central->watchForPeripheralsWithServices(wristbands)
              : central->scanForPeripheralsWithServices(wristbands, true);
    }
    BlePeripheralPtr waitForBand(const std::string& name) {
        EXPECT_TRUE(pump.until([&] { return rec.seen.count(name) > 0; })) << ::testing::PrintToString(rec.events);
        return rec.seen.count(name) ? rec.seen[name] : nullptr;
    }
    /// The band "Vantro" at kBand1, as a started central saw it; with `link`, connected as the app does.
    BlePeripheralPtr startWithBand(bool link) {
        addBand(kBand1, QStringLiteral("Vantro"), -60);
        startCentral();
        BlePeripheralPtr band = waitForBand("Vantro");
        if (band && link) connectAndSubscribe(band);
        return band;
    }
    /// The linked band walks out of range.
    void loseLink(const BlePeripheralPtr& band) {
        mock("SetInRange", {kBand1, false});
        ASSERT_TRUE(heard("disconnect error"));
        EXPECT_FALSE(band->isConnected());
    }
    /// Connects and sets up the link as the app does: services, characteristics, notifications, one read.
    void connectAndSubscribe(const BlePeripheralPtr& p) {
        p->setDelegate(&rec);
        central->connectPeripheral(p, true);
        ASSERT_TRUE(heard("connect Vantro"));
        p->discoverServices({BleUuid::fromString(kWristbandServiceUuid)});
        ASSERT_TRUE(heard("services 1"));
        service = p->services().at(0);
        p->discoverCharacteristics({}, service);
        ASSERT_TRUE(heard("characteristics 2"));
        report = findCharacteristic(*p, kReportCharacteristicUuid);
        command = findCharacteristic(*p, kCommandCharacteristicUuid);
        ASSERT_TRUE(report && command);
        p->setNotifyValue(true, report);
        ASSERT_TRUE(heard("notifying 1"));
    }

    ManualRunLoop loop;
    QtPump pump{loop};
    CapturingLog log;
    BleRecorder rec;
    std::unique_ptr<MockService> bluez;
    // The machine's kernel is never asked: by default the process may not, as without the capability.
    std::vector<std::unique_ptr<FakeKernel>> kernels;
    bluez::ConnectionRssiReader::Opener kernel = [](std::string* error) {
        *error = "the kernel refused";
        return nullptr;
    };
    std::shared_ptr<bluez::BluezCentral> central;
    BleServicePtr service;
    BleCharacteristicPtr report;
    BleCharacteristicPtr command;
};

TEST_F(BluezCentralTest, ScanReportsOnlyWristbandsAndEveryRepeatedAdvertisement) {
    addBand(kBand1, QStringLiteral("Vantro"), -60);
    mock("AddDevice", {QStringLiteral("hci0"), kHeadset, QStringLiteral("Headset")});
    addBand(kBand2, QString(), -70);
    startCentral();
    ASSERT_TRUE(pump.until([&] { return rec.has("discover Vantro -60") && rec.has("discover (null) -70"); }))
        << ::testing::PrintToString(rec.events);

    const size_t before = rec.events.size();
    mock("Advertise", {kBand1, int16(-61)});
    mock("Advertise", {kBand1, int16(-61)});
    mock("Advertise", {kBand1, int16(-75)});
    mock("Advertise", {kHeadset, int16(-40)});
    ASSERT_TRUE(heard("discover Vantro -75"));
    pump.idle(0.3);
    EXPECT_THAT(rec.since(before), ElementsAre("discover Vantro -61", "discover Vantro -61", "discover Vantro -75"));
    EXPECT_FALSE(rec.has("discover Headset -40"));
    EXPECT_TRUE(central->isScanning());

    // One object per wristband for the whole run, with a stable identifier.
    const BlePeripheralPtr band = rec.seen["Vantro"];
    EXPECT_EQ(band->identifier().size(), 36u);
    EXPECT_EQ(band->identifier().substr(23), "-C01122334401");  // the address, for the user to match
    EXPECT_NE(band->identifier(), rec.seen["(null)"]->identifier());
    EXPECT_FALSE(rec.seen["(null)"]->name().has_value());

    // A new advertised name reaches the app with the next advertisement.
    mock("Rename", {kBand1, QStringLiteral("Vantro-2")});
    mock("Advertise", {kBand1, int16(-62)});
    ASSERT_TRUE(heard("discover Vantro-2 -62"));
    EXPECT_EQ(rec.seen["Vantro-2"], band);
}

TEST_F(BluezCentralTest, ConnectionSetUpReadWriteAndDisconnectInOrder) {
    const BlePeripheralPtr band = startWithBand(false);
    ASSERT_TRUE(band);
    mock("SetReportValue", {kBand1, QStringLiteral("33 10 27")});
    const size_t before = rec.events.size();
    connectAndSubscribe(band);
    EXPECT_TRUE(band->isConnected());
    EXPECT_TRUE(report->isNotifying);
    EXPECT_FALSE(command->isNotifying);

    band->readValueForCharacteristic(report);
    ASSERT_TRUE(heard("value 33 10 27"));

    band->writeValue({0x08, 0x07, 0xDE}, command, BleWriteType::WithResponse);
    band->writeValue({0x09, 0x0F}, command, BleWriteType::WithResponse);
    ASSERT_TRUE(pump.until([&] { return rec.count("written") == 2; })) << ::testing::PrintToString(rec.events);
    EXPECT_THAT(framesReceived(kBand1), ElementsAre("08 07 DE", "09 0F"));

    // Two reports in a row: each callback sees its own bytes.
    mock("Notify", {kBand1, QStringLiteral("18 01 05")});
    mock("Notify", {kBand1, QStringLiteral("0D 0E")});
    ASSERT_TRUE(heard("value 0D 0E"));

    central->cancelPeripheralConnection(band);
    ASSERT_TRUE(heard("disconnect"));
    EXPECT_FALSE(band->isConnected());
    EXPECT_TRUE(band->services().empty());
    EXPECT_THAT(rec.since(before),
                ElementsAre("connect Vantro", "services 1", "characteristics 2", "notifying 1", "value 33 10 27",
                            "written", "written", "value 18 01 05", "value 0D 0E", "disconnect"));
    // Discovery goes on while connected and after.
    EXPECT_TRUE(central->isScanning());
}

TEST_F(BluezCentralTest, LinkLossIsReportedAndAPendingRequestWaitsUntilTheBandIsBack) {
    const BlePeripheralPtr band = startWithBand(true);
    ASSERT_TRUE(band);

    loseLink(band);

    // No time-out: attempts fail while the band is away, and the request stays pending.
    const size_t before = rec.events.size();
    central->connectPeripheral(band, true);
    for (int i = 0; i < 3; ++i) {
        pump.idle(0.2);
        pump.advance(bluez::BluezPeripheral::kRetrySeconds);
    }
    EXPECT_EQ(rec.events.size(), before);
    // Said once, not at every attempt.
    const std::string failed = strprintf("BlueZ could not connect to %s", band->identifier().c_str());
    EXPECT_EQ(std::count_if(log.lines.begin(), log.lines.end(),
                            [&](const std::string& l) { return l.rfind(failed, 0) == 0; }),
              1)
        << ::testing::PrintToString(log.lines);
    EXPECT_GE(bluez->output().count(QStringLiteral(" Connect raised")), 3);

    mock("SetInRange", {kBand1, true});
    pump.advance(bluez::BluezPeripheral::kRetrySeconds);
    ASSERT_TRUE(pump.until([&] { return rec.has("connect Vantro") && rec.since(before).size() == 1; }))
        << ::testing::PrintToString(rec.events);
    EXPECT_TRUE(band->isConnected());
}

TEST_F(BluezCentralTest, AnAwayBandIsTriedLessAndLessOftenNeverWithoutPowerAndAtOnceWhenHeard) {
    const BlePeripheralPtr band = startWithBand(true);
    ASSERT_TRUE(band);
    loseLink(band);
    // Each call to Device1.Connect, not the line for its failure.
    const auto connects = [&] {
        static const QRegularExpression kConnect(QStringLiteral("^\\S+ Connect$"), QRegularExpression::MultilineOption);
        return static_cast<int>(bluez->output().count(kConnect));
    };
    const int before = connects();
    central->connectPeripheral(band, true);
    for (int i = 0; i < 60; ++i) pump.advance(1.0);
    // 2, 4, 8, 16 and 30 s apart: six attempts in the first minute, not thirty.
    EXPECT_GE(connects() - before, 5);
    EXPECT_LE(connects() - before, 6);

    // Without power nothing is asked of bluetoothd; power back, the request is tried at once.
    mock("SetPowered", {QStringLiteral("hci0"), false});
    ASSERT_TRUE(heard("state 4"));
    const int unpowered = connects();
    for (int i = 0; i < 60; ++i) pump.advance(1.0);
    EXPECT_EQ(connects(), unpowered);
    mock("SetPowered", {QStringLiteral("hci0"), true});
    EXPECT_TRUE(pump.until([&] { return connects() == unpowered + 1; }, 3));

    // A band that was away and is heard again is not left waiting out the pause.
    for (int i = 0; i < 20; ++i) pump.advance(1.0);
    mock("SetInRange", {kBand1, true});
    mock("Advertise", {kBand1, int16(-61)});
    ASSERT_TRUE(pump.until([&] { return band->isConnected(); }, 5)) << ::testing::PrintToString(log.lines);

    // The signal comes from what bluetoothd announced: reading it costs no call.
    for (int i = 0; i < 5; ++i) band->readRSSI();
    pump.idle(0.3);
    EXPECT_FALSE(bluez->output().contains(QStringLiteral("org.bluez.Device1.RSSI")));
}

TEST_F(BluezCentralTest, CancellingAPendingRequestEndsItLikeADisconnection) {
    const BlePeripheralPtr band = startWithBand(false);
    ASSERT_TRUE(band);
    mock("SetInRange", {kBand1, false});
    central->connectPeripheral(band, true);
    pump.idle(0.3);
    central->cancelPeripheralConnection(band);
    ASSERT_TRUE(heard("disconnect"));

    const int attempts = bluez->output().count(QStringLiteral(" Connect raised"));
    mock("SetInRange", {kBand1, true});
    pump.advance(3 * bluez::BluezPeripheral::kRetrySeconds);
    pump.idle(0.3);
    EXPECT_EQ(bluez->output().count(QStringLiteral(" Connect raised")), attempts);
    EXPECT_FALSE(rec.has("connect Vantro"));
}

TEST_F(BluezCentralTest, RefusedNotificationsAndFailedWritesComeBackAsErrors) {
    const BlePeripheralPtr band = startWithBand(true);
    ASSERT_TRUE(band);

    band->setNotifyValue(false, report);
    ASSERT_TRUE(heard("notifying 0"));
    EXPECT_FALSE(report->isNotifying);

    mock("SetRefuseNotify", {kBand1, true});
    band->setNotifyValue(true, report);
    ASSERT_TRUE(heard("notifying 0 error"));
    EXPECT_FALSE(report->isNotifying);

    mock("SetFailWrites", {kBand1, true});
    band->writeValue({0x17}, command, BleWriteType::WithResponse);
    ASSERT_TRUE(heard("written error"));
    mock("SetFailWrites", {kBand1, false});
    band->writeValue({0x17}, command, BleWriteType::WithResponse);
    ASSERT_TRUE(heard("written"));
    EXPECT_THAT(framesReceived(kBand1), ElementsAre("17"));
}

TEST_F(BluezCentralTest, WithoutTheKernelTheSignalIsBluezsWhileFreshAndNoneOtherwise) {
    const BlePeripheralPtr band = startWithBand(false);
    ASSERT_TRUE(band);
    band->setDelegate(&rec);
    band->readRSSI();  // not connected: no answer, as on the platform
    pump.idle(0.3);
    EXPECT_FALSE(rec.has("rssi -60"));

    connectAndSubscribe(band);
    mock("Advertise", {kBand1, int16(-71)});
    pump.idle(0.2);
    band->readRSSI();
    ASSERT_TRUE(heard("rssi -71"));
    EXPECT_EQ(band->rssi(), -71.0);
    // The source is said once, and discovery keeps every advertisement coming while connected.
    EXPECT_EQ(central->signalSource(), "SignalFromAdvertisements");
    band->readRSSI();
    pump.idle(0.2);
    EXPECT_EQ(std::count_if(log.lines.begin(), log.lines.end(),
                            [](const std::string& l) { return l.find("from its advertisements only") != l.npos; }),
              1);
    EXPECT_TRUE(central->isScanning());
    QDBusMessage filter =
        bluez->call(QStringLiteral("/org/bluez/hci0"), bluez::kPropertiesInterface, QStringLiteral("Get"),
                    {QStringLiteral("org.bluez.Adapter1"), QStringLiteral("DiscoveryFilter")});
    EXPECT_TRUE(qdbus_cast<QVariantMap>(filter.arguments().value(0).value<QDBusVariant>().variant())
                    .value(QStringLiteral("DuplicateData"))
                    .toBool());

    // Nothing heard for longer than the freshness window: the reading says there is no value.
    pump.advance(bluez::BluezPeripheral::kRssiFreshSeconds + 1);
    band->readRSSI();
    ASSERT_TRUE(heard("rssi 0"));
    EXPECT_FALSE(band->rssi().has_value());
    EXPECT_TRUE(log.contains(strprintf("BlueZ holds no current signal strength of %s", band->identifier().c_str())));

    mock("Advertise", {kBand1, int16(-96)});
    pump.idle(0.2);
    band->readRSSI();
    ASSERT_TRUE(heard("rssi -96"));

    // bluetoothd drops the property at once: the next reading has no value, not the last one heard.
    mock("DropRssi", {kBand1});
    pump.idle(0.2);
    const size_t before = rec.events.size();
    band->readRSSI();
    ASSERT_TRUE(pump.until([&] { return rec.events.size() > before; }));
    EXPECT_FALSE(band->rssi().has_value()) << *band->rssi();
    mock("Advertise", {kBand1, int16(-70)});
    pump.idle(0.2);
    band->readRSSI();
    ASSERT_TRUE(heard("rssi -70"));
}

TEST_F(BluezCentralTest, WithTheKernelTheSignalIsTheLinksOwn) {
    kernel = [this](std::string*) { return openFakeKernel(kernels, {-52, 127}, false); };
    const BlePeripheralPtr band = startWithBand(true);
    ASSERT_TRUE(band);
    band->readRSSI();
    ASSERT_TRUE(heard("rssi -52"));
    EXPECT_EQ(central->signalSource(), "SignalFromLink");
    EXPECT_TRUE(log.contains("Signal strength of the connected band: read from the link"));
    ASSERT_EQ(kernels.size(), 1u);
    {
        std::lock_guard lock(kernels[0]->m);
        ASSERT_EQ(kernels[0]->requests.size(), 1u);
        // hci0, the band's address and its address type (random) as bluetoothd lists them.
        EXPECT_EQ(kernels[0]->requests[0], hexBytes("31 00 00 00 07 00 01 44 33 22 11 C0 02"));
    }
    band->readRSSI();  // 127: the link has no value now
    ASSERT_TRUE(heard("rssi 0"));
    EXPECT_FALSE(band->rssi().has_value());
}

TEST_F(BluezCentralTest, PowerNoAdapterAndBluetoothdComingAndGoingAreFollowedWithoutRestarting) {
    ASSERT_TRUE(startWithBand(false));
    auto rescanFinds = [&] {
        rec.seen.clear();
        central->scanForPeripheralsWithServices({BleUuid::fromString(kWristbandServiceUuid)}, true);
        mock("Advertise", {kBand1, int16(-61)});
        return pump.until([&] { return rec.seen.count("Vantro") > 0; });
    };

    setAdapterPowered(*bluez, false);
    ASSERT_TRUE(heard("state 4"));
    EXPECT_EQ(central->unavailableReason(), "BluetoothOff");
    setAdapterPowered(*bluez, true);
    ASSERT_TRUE(pump.until([&] { return rec.count("state 5") == 2; })) << ::testing::PrintToString(rec.events);
    EXPECT_TRUE(central->unavailableReason().empty());
    EXPECT_TRUE(rescanFinds()) << ::testing::PrintToString(log.lines);

    // bluetoothd goes away during a connection and comes back: the link is reported lost, the
    // state says why, and the same central scans and connects again.
    const BlePeripheralPtr band = rec.seen["Vantro"];
    connectAndSubscribe(band);
    bluez->stop();
    ASSERT_TRUE(pump.until([&] { return rec.has("disconnect error") && rec.has("state 2"); }))
        << ::testing::PrintToString(rec.events);
    EXPECT_EQ(central->unavailableReason(), "BluetoothNotRunning");
    const double restarted = loop.now();
    bluez = std::make_unique<MockService>(QStringLiteral("org.bluez"), QStringLiteral("mock_bluez.py"));
    ASSERT_TRUE(bluez->running());
    ASSERT_TRUE(pump.until([&] { return rec.has("state 2") && central->unavailableReason() == "BluetoothNoAdapter"; }));
    mock("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("phone")});
    addBand(kBand1, QStringLiteral("Vantro"), -60);
    ASSERT_TRUE(pump.until([&] { return rec.count("state 5") == 3; })) << ::testing::PrintToString(rec.events);
    // The fresh bluetoothd's first listing of the band was heard since it started, not before the loss.
    central->scanForPeripheralsWithServices({BleUuid::fromString(kWristbandServiceUuid)}, true);
    EXPECT_TRUE(pump.until([&] { return band->heardAt().value_or(0) > restarted; }, 5));
    EXPECT_TRUE(rescanFinds());
    rec.events.clear();
    central->connectPeripheral(rec.seen["Vantro"], true);
    ASSERT_TRUE(heard("connect Vantro", 60));
}

TEST_F(BluezCentralTest, AWatchedBandIsHeardWithoutDiscoveryAndTheWatchOutlivesBluetoothd) {
    addBand(kBand1, QStringLiteral("Vantro"), -60);
    startCentral(true);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(pump.until([&] { return central->watching(); }, 5)) << round << ::testing::PrintToString(log.lines);
        ASSERT_TRUE(heard("discover Vantro -60", 5)) << round;
        EXPECT_FALSE(central->isScanning());
        // Out of range and back: found again, heard after it came back.
        mock("SetInRange", {kBand1, false});
        pump.idle(0.2);
        rec.events.clear();
        const double back = loop.now();
        mock("SetInRange", {kBand1, true});
        ASSERT_TRUE(heard("discover Vantro -60", 5)) << round;
        EXPECT_GT(rec.seen["Vantro"]->heardAt().value_or(0), back);
        // bluetoothd starts again: the monitor is registered with the new one.
        bluez.reset();
        ASSERT_TRUE(pump.until([&] { return !central->watching(); }, 5));
        bluez = startBluez();
        rec.events.clear();
        addBand(kBand1, QStringLiteral("Vantro"), -60);
    }
    // Where bluetoothd offers no monitor, nothing watches: the caller scans instead.
    central.reset();
    bluez.reset();
    bluez = startBluez(QStringLiteral("{\"monitor\": false}"));
    addBand(kBand1, QStringLiteral("Vantro"), -60);
    startCentral(true);
    pump.idle(1.5);
    EXPECT_FALSE(central->watching());
    EXPECT_FALSE(rec.has("discover Vantro -60"));
    EXPECT_TRUE(log.contains("BlueZ offers no advertisement monitor: the band is looked for by scanning"));
}

TEST_F(BluezCentralTest, AdapterPresenceDecidesTheBackend) {
    EXPECT_TRUE(bluez::bluetoothAdapterPresent());
    mock("RemoveAdapter", {QStringLiteral("hci0")});
    EXPECT_FALSE(bluez::bluetoothAdapterPresent());

    central = std::make_shared<bluez::BluezCentral>(loop, log);
    central->setDelegate(&rec);
    ASSERT_TRUE(heard("state 2"));
    EXPECT_TRUE(log.contains("BlueZ has no Bluetooth adapter"));

    bluez->stop();
    EXPECT_FALSE(bluez::bluetoothAdapterPresent());
}

}  // namespace
}  // namespace vantro::testing
