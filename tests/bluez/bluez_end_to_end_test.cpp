// SPDX-License-Identifier: MIT
// The whole app over BlueZ: a mock bluetoothd with a wristband and a mock ModemManager; telephony events
// reach the band. (A whole sync over BlueZ is cli_demo_bluez's; link losses and reconnection, phone_day's.)
#include "bluez/bluez_central.h"
#include "bluez/bluez_peripheral.h"
#include "bluez/modem_manager_telephony.h"
#include "bus_fixture.h"
#include "fake_ble.h"
#include "platform/local_time.h"
#include "protocol/codes.h"
#include "protocol/frame.h"
#include "session_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantro::testing {
namespace {

const QString kBand = QStringLiteral("C0:11:22:33:44:01");
/// bluetoothd and ModemManager, as the desktop shell plugs them in.
class BluezSource : public BandSource {
public:
    BluezSource(ManualRunLoop& loop, DebugLog& log) : phone(loop, log), m_loop(loop), m_log(log) {}
    bool simulated() const override { return false; }
    std::shared_ptr<BleCentral> makeCentral() override {
        // Never the machine's kernel: the signal comes from the mock's advertisements.
        return std::make_shared<bluez::BluezCentral>(m_loop, m_log, [](std::string*) { return nullptr; });
    }
    Telephony& telephony() override { return phone; }
    bluez::ModemManagerTelephony phone;

private:
    ManualRunLoop& m_loop;
    DebugLog& m_log;
};

class BluezEndToEnd : public SessionFixture {
protected:
    void SetUp() override {
        if (!onPrivateBus()) GTEST_SKIP() << "runs only on the private bus of with_private_bus.sh";
        bluez = startBluez();
        ASSERT_TRUE(bluez->running());
        bluez->mock("AddWristband", {QStringLiteral("hci0"), kBand, QStringLiteral("Vantro"), int16(-60)});
        mm = std::make_unique<MockService>(QStringLiteral("org.freedesktop.ModemManager1"),
                                           QStringLiteral("mock_modemmanager.py"));
        ASSERT_TRUE(mm->running()) << mm->output().toStdString();
        mm->mock("AddModem", {0u});

        settings.setInteger(kAutoSyncHours, 0);  // syncs start when a test asks for them
        auto bluezSource = std::make_unique<BluezSource>(loop, log);
        modem = &bluezSource->phone;
        start(std::move(bluezSource));
    }
    void TearDown() override {
        // The mocks outlive everything that talks to them.
        session.reset();
        source.reset();
        pump.idle(0.05);
    }

    std::vector<std::string> framesReceived() {
        std::vector<std::string> out;
        for (const QString& f : bluez->mock("ReceivedFrames", {kBand}).arguments().value(0).toStringList()) {
            out.push_back(f.toStdString());
        }
        return out;
    }

    /// The user picks the band once it is seen.
    void pick() {
        ASSERT_TRUE(pump.until([&] { return app().bleList && !app().bleList->empty(); }))
            << ::testing::PrintToString(log.lines);
        session->connect(kBand.toStdString(), nullptr);
    }
    std::string frameOf(std::uint8_t type) {
        const std::uint8_t zeros[6] = {};
        return hex(*BuildFrame(type, zeros, sizeof zeros, toLocal(loop.wallNow())));
    }

    std::unique_ptr<MockService> bluez;
    std::unique_ptr<MockService> mm;
    QtPump pump{loop};
    bluez::ModemManagerTelephony* modem = nullptr;
};

TEST_F(BluezEndToEnd, AnIncomingCallAndAMessageEachSendTheirCommandToTheBand) {
    pick();
    ASSERT_TRUE(pump.until([&] { return subscribed(); })) << ::testing::PrintToString(log.lines);
    ASSERT_TRUE(pump.until([&] { return !modem->modems().isEmpty(); }));

    // Outgoing calls and stored drafts are not announced.
    mm->mock("OutgoingCall", {0u, QStringLiteral("+15550123")});
    mm->mock("StoreSms", {0u, QStringLiteral("+15550123"), QStringLiteral("draft")});
    mm->mock("IncomingCall", {0u, QStringLiteral("+15550177")});
    ASSERT_TRUE(pump.until([&] { return framesReceived().size() == 1; }));
    mm->mock("ReceiveSms", {0u, QStringLiteral("+15550177"), QStringLiteral("see you")});
    ASSERT_TRUE(pump.until([&] { return framesReceived().size() == 2; }));
    pump.idle(0.3);
    EXPECT_THAT(framesReceived(), ::testing::ElementsAre(frameOf(CMD_TYPE_TELIN), frameOf(CMD_TYPE_MSGIN)));
    EXPECT_TRUE(log.contains("SendData: CMD_TYPE_TELIN"));
    EXPECT_TRUE(log.contains("SendData: CMD_TYPE_MSGIN"));
    EXPECT_FALSE(log.contains("ModemManager is not running: no telephony events"));
}

}  // namespace
}  // namespace vantro::testing
