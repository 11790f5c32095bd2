// SPDX-License-Identifier: MIT
// ModemManager telephony against a mock ModemManager: which events are delivered, and modems coming and going.
#include "bluez/modem_manager_telephony.h"
#include "bus_fixture.h"
#include "platform/debug_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantro::testing {
namespace {

using ::testing::ElementsAre;

const QString kService = QStringLiteral("org.freedesktop.ModemManager1");
const char* kCall = "kCTCallIdentificationChangeNotification";
const char* kMessage = "kCTMessageReceivedNotification";
const char* kAbsent = "ModemManager is not running: no telephony events";

class ModemManagerTelephonyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onPrivateBus()) GTEST_SKIP() << "runs only on the private bus of with_private_bus.sh";
    }
    void startModemManager() {
        mm = std::make_unique<MockService>(kService, QStringLiteral("mock_modemmanager.py"));
        ASSERT_TRUE(mm->running()) << mm->output().toStdString();
    }
    void startTelephony() {
        telephony = std::make_unique<bluez::ModemManagerTelephony>(loop, log);
        telephony->addObserver([this](const std::string& name, const TelephonyUserInfo&) { events.push_back(name); });
    }
    bool following(const char* path) {
        return pump.until([&] { return telephony->modems().contains(QString::fromLatin1(path)); });
    }

    ManualRunLoop loop;
    QtPump pump{loop};
    CapturingLog log;
    std::unique_ptr<MockService> mm;
    std::unique_ptr<bluez::ModemManagerTelephony> telephony;
    std::vector<std::string> events;
};

TEST_F(ModemManagerTelephonyTest, EveryEventIsRelayedOnItsOwn) {
    startModemManager();
    mm->mock("AddModem", {0u});
    startTelephony();
    ASSERT_TRUE(following("/org/freedesktop/ModemManager1/Modem/0"));
    mm->mock("IncomingCall", {0u, QStringLiteral("+15550177")});
    mm->mock("IncomingCall", {0u, QStringLiteral("+15550178")});
    mm->mock("ReceiveSms", {0u, QStringLiteral("+15550177"), QStringLiteral("one")});
    mm->mock("ReceiveSms", {0u, QStringLiteral("+15550177"), QStringLiteral("two")});
    ASSERT_TRUE(pump.until([&] { return events.size() >= 4; }));
    EXPECT_EQ(std::count(events.begin(), events.end(), kCall), 2);
    EXPECT_EQ(std::count(events.begin(), events.end(), kMessage), 2);
}

TEST_F(ModemManagerTelephonyTest, ModemsThatComeAndGoAreFollowed) {
    startModemManager();
    startTelephony();
    pump.idle(0.3);
    EXPECT_TRUE(telephony->modems().isEmpty());

    mm->mock("AddModem", {1u});
    ASSERT_TRUE(following("/org/freedesktop/ModemManager1/Modem/1"));
    mm->mock("ReceiveSms", {1u, QStringLiteral("+15550177"), QStringLiteral("hi")});
    ASSERT_TRUE(pump.until([&] { return events.size() == 1; }));

    mm->mock("RemoveModem", {1u});
    ASSERT_TRUE(pump.until([&] { return telephony->modems().isEmpty(); }));
    // A stray signal from the path of the removed modem is not an event any more.
    mm->mock("EmitStrayMessage", {QStringLiteral("/org/freedesktop/ModemManager1/Modem/1")});
    mm->mock("AddModem", {2u});
    ASSERT_TRUE(following("/org/freedesktop/ModemManager1/Modem/2"));
    mm->mock("IncomingCall", {2u, QStringLiteral("+15550177")});
    ASSERT_TRUE(pump.until([&] { return events.size() == 2; }));
    pump.idle(0.3);
    EXPECT_THAT(events, ElementsAre(kMessage, kCall));
}

TEST_F(ModemManagerTelephonyTest, WithoutModemManagerNothingArrivesAndTheLogSaysSoOnce) {
    startTelephony();
    EXPECT_FALSE(telephony->serviceRunning());
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), kAbsent), 1);

    // It starts later: its modems are followed from then on.
    startModemManager();
    mm->mock("AddModem", {0u});
    ASSERT_TRUE(following("/org/freedesktop/ModemManager1/Modem/0"));
    mm->mock("IncomingCall", {0u, QStringLiteral("+15550177")});
    ASSERT_TRUE(pump.until([&] { return events.size() == 1; }));

    // And goes away again: its modems are dropped, and the log is not repeated.
    mm->stop();
    ASSERT_TRUE(pump.until([&] { return !telephony->serviceRunning(); }));
    EXPECT_TRUE(telephony->modems().isEmpty());
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), kAbsent), 1);
}

}  // namespace
}  // namespace vantro::testing
