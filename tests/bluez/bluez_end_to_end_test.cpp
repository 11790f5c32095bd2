// SPDX-License-Identifier: MIT
// The whole app over BlueZ: a mock bluetoothd playing the simulator's firmware and a mock ModemManager;
// scan, pick, connect, subscribe, sync, stored records, the frames the band received, link loss and
// reconnection with find-me, and telephony events relayed to the band.
#include "bluez/bluez_central.h"
#include "bluez/bluez_peripheral.h"
#include "bluez/modem_manager_telephony.h"
#include "bus_fixture.h"
#include "fake_ble.h"
#include "link/audio_player.h"
#include "platform/local_time.h"
#include "protocol/codes.h"
#include "protocol/frame.h"
#include "session_fixture.h"
#include "sim/wristband_firmware.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

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
        firmware.seed = 99;
        firmware.days = 5;
        firmware.nights = 4;
        firmware.today = {2014, 7, 15};
        const QJsonArray argv{QStringLiteral(VANTRO_FIRMWARE_TOOL),
                              QStringLiteral("--seed"),
                              QStringLiteral("99"),
                              QStringLiteral("--days"),
                              QStringLiteral("5"),
                              QStringLiteral("--nights"),
                              QStringLiteral("4"),
                              QStringLiteral("--today"),
                              QStringLiteral("2014-07-15")};
        const QString parameters =
            QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("firmware"), argv}}).toJson());
        bluez = std::make_unique<MockService>(QStringLiteral("org.bluez"), QStringLiteral("mock_bluez.py"), parameters);
        ASSERT_TRUE(bluez->running()) << bluez->output().toStdString();
        mockBluez("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("phone")});
        mockBluez("AddWristband", {QStringLiteral("hci0"), kBand, QStringLiteral("Vantro"), int16(-60)});
        mm = std::make_unique<MockService>(QStringLiteral("org.freedesktop.ModemManager1"),
                                           QStringLiteral("mock_modemmanager.py"));
        ASSERT_TRUE(mm->running()) << mm->output().toStdString();
        mockModem("AddModem", {0u});

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

    QDBusMessage mockBluez(const char* method, const QList<QVariant>& args) {
        QDBusMessage reply =
            bluez->call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QString::fromLatin1(method), args);
        EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << method << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    QDBusMessage mockModem(const char* method, const QList<QVariant>& args) {
        QDBusMessage reply =
            mm->call(QStringLiteral("/org/freedesktop/ModemManager1"),
                     QStringLiteral("org.freedesktop.ModemManager1.Mock"), QString::fromLatin1(method), args);
        EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << method << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    std::vector<std::string> framesReceived() {
        std::vector<std::string> out;
        for (const QString& f : mockBluez("ReceivedFrames", {kBand}).arguments().value(0).toStringList()) {
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
    WristbandFirmware::Options firmware;
};

TEST_F(BluezEndToEnd, ASyncStoresTheBandsRecordsAndTheBandGetsEveryCommand) {
    pick();
    EXPECT_EQ(app().strBlueStatus(), "Connecting");
    ASSERT_TRUE(pump.until([&] { return subscribed(); })) << ::testing::PrintToString(log.lines);
    EXPECT_EQ(app().strBlueStatus(), "Connected");
    // The read after subscribing shows today's totals from the firmware.
    ASSERT_TRUE(pump.until([&] { return row(TodayScreen::kSteps) != "-- steps"; }));
    EXPECT_EQ(row(TodayScreen::kBattery), "87 %");

    ASSERT_EQ(session->sync(nullptr), Companion::Outcome::Started);
    EXPECT_EQ(app().strTransmitStatus(), "Syncing");
    // The status says complete from the first day report on, and nights make rows of their own,
    // so the sync is over only when every day's values are there.
    const WristbandFirmware expected(firmware);
    ASSERT_TRUE(pump.until([&] {
        const auto days = this->days();
        const bool allDays = std::equal(days.begin(), days.end(), expected.days().begin(), expected.days().end(),
                                        [](const sportsData& got, const FirmwareDay& want) {
                                            return got.step == want.steps && got.activetime == want.activeTime;
                                        });
        return allDays && app().strTransmitStatus().rfind("SyncComplete", 0) == 0;
    })) << ::testing::PrintToString(log.lines);

    // The band received the fourteen commands in order; their bytes, and every field of the records
    // stored, are checked on the simulated band, whose firmware this one is.
    const auto frames = framesReceived();
    ASSERT_EQ(frames.size(), 14u) << ::testing::PrintToString(frames);
    std::vector<std::string> codes;
    for (const auto& f : frames) codes.push_back(f.substr(0, 2));
    EXPECT_THAT(codes, ::testing::ElementsAre("08", "09", "04", "05", "0B", "0C", "0A", "17", "1B", "1C", "1E", "1F",
                                              "19", "15"));
    EXPECT_EQ(nights().size(), 5u);  // the oldest date has a day but no night
    EXPECT_EQ(row(TodayScreen::kVersion), "1.5");

    // The signal row shows bluetoothd's strength while the band is heard and the today screen is shown.
    app().setTodayShown(true);
    mockBluez("Advertise", {kBand, int16(-67)});
    ASSERT_TRUE(pump.until([&] { return row(TodayScreen::kRssi) == "-67db"; }, 15)) << row(TodayScreen::kRssi);
}

TEST_F(BluezEndToEnd, LinkLossWithFindMeOnReconnectsWhenTheBandIsBack) {
    setFindMe(true);
    pick();
    ASSERT_TRUE(pump.until([&] { return subscribed(); })) << ::testing::PrintToString(log.lines);

    mockBluez("SetInRange", {kBand, false});
    ASSERT_TRUE(pump.until([&] { return app().strBlueStatus() == "ReConnecting"; })) << app().strBlueStatus();
    // The request waits as long as the band is away; after 15 s the alarm sounds.
    for (int i = 0; i < 3; ++i) pump.advance(bluez::BluezPeripheral::kRetrySeconds);
    EXPECT_EQ(app().strBlueStatus(), "ReConnecting");
    EXPECT_FALSE(app().isConnected());
    EXPECT_TRUE(notifier.notifications.empty());
    pump.advance(VantroViewController::kLinkLossAlarmSeconds - 3 * bluez::BluezPeripheral::kRetrySeconds + 0.5);
    EXPECT_EQ(notifier.notifications.size(), 1u);
    EXPECT_TRUE(Audio_player::isAlarmActive());

    const size_t before = framesReceived().size();
    mockBluez("SetInRange", {kBand, true});
    pump.advance(bluez::BluezPeripheral::kRetrySeconds);
    ASSERT_TRUE(pump.until([&] { return app().strBlueStatus() == "Connected" && subscribed(); }))
        << ::testing::PrintToString(log.lines);
    EXPECT_TRUE(app().isConnected());
    EXPECT_FALSE(Audio_player::isAlarmActive());
    // The new link carries commands again.
    ASSERT_EQ(session->sync(nullptr), Companion::Outcome::Started);
    ASSERT_TRUE(pump.until([&] { return framesReceived().size() == before + 14; }));
    // That with find-me off a loss stays a loss is the app's own rule, checked on the simulated band.
}

TEST_F(BluezEndToEnd, AnIncomingCallAndAMessageEachSendTheirCommandToTheBand) {
    pick();
    ASSERT_TRUE(pump.until([&] { return subscribed(); })) << ::testing::PrintToString(log.lines);
    ASSERT_TRUE(pump.until([&] { return !modem->modems().isEmpty(); }));

    // Outgoing calls and stored drafts are not announced.
    mockModem("OutgoingCall", {0u, QStringLiteral("+15550123")});
    mockModem("StoreSms", {0u, QStringLiteral("+15550123"), QStringLiteral("draft")});
    mockModem("IncomingCall", {0u, QStringLiteral("+15550177")});
    ASSERT_TRUE(pump.until([&] { return framesReceived().size() == 1; }));
    mockModem("ReceiveSms", {0u, QStringLiteral("+15550177"), QStringLiteral("see you")});
    ASSERT_TRUE(pump.until([&] { return framesReceived().size() == 2; }));
    pump.idle(0.3);
    EXPECT_THAT(framesReceived(), ::testing::ElementsAre(frameOf(CMD_TYPE_TELIN), frameOf(CMD_TYPE_MSGIN)));
    EXPECT_TRUE(log.contains("SendData: CMD_TYPE_TELIN"));
    EXPECT_TRUE(log.contains("SendData: CMD_TYPE_MSGIN"));
    EXPECT_FALSE(log.contains("ModemManager is not running: no telephony events"));
}

}  // namespace
}  // namespace vantro::testing
