// SPDX-License-Identifier: MIT
// Notifications posted on a private session bus reach the simulated band as one message buzz each.
#include "bluez/desktop_notification_monitor.h"

#include "protocol/codes.h"
#include "sim/simulated_central.h"

#include "bus_fixture.h"
#include "session_fixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace vantro;
using namespace vantro::testing;

namespace {

const char* kChosen = "org.example.Chat";
const QString kSecret = QStringLiteral("the secret words of the message");

QDBusMessage notifyCall(const QString& appName, const QVariantMap& hints, const QString& summary = kSecret) {
    QDBusMessage m = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    m << appName << 0u << QString() << summary << kSecret << QStringList() << hints << -1;
    return m;
}

QVariantMap entry(const QString& desktopEntry, int urgency = 1) {
    return {{QStringLiteral("desktop-entry"), desktopEntry},
            {QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(urgency))}};
}

/// The simulated band, and the session bus's notifications as the desktop shell plugs them in, counted.
struct BusSource : FixedBandSource, DesktopNotificationSource {
    using FixedBandSource::FixedBandSource;
    DesktopNotificationSource* desktopNotifications() override { return this; }
    std::string start(Seen s) override {
        return bus.start([this, s](const DesktopNotification& n) {
            ++seen;
            s(n);
        });
    }
    void stop() override { bus.stop(); }
    bluez::BusNotificationSource bus;
    int seen = 0;
};

struct Monitor : SessionFixture {
    QtPump pump{loop};
    std::shared_ptr<SimulatedCentral> central;
    std::shared_ptr<SimulatedPeripheral> band;
    BusSource* counted = nullptr;
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other-app");

    void SetUp() override {
        ASSERT_TRUE(std::getenv("DBUS_SESSION_BUS_ADDRESS")) << "run under with_session_bus.sh";
        ASSERT_TRUE(other.isConnected());
        central = quietCentral();
        band = central->addWristband(SimBandConfig{});
        settings.setInteger(kAutoSyncHours, 0);
        auto source = std::make_unique<BusSource>([this] { return central; }, true);
        counted = source.get();
        start(std::move(source));
        ASSERT_EQ(session->relay().monitorProblem(), "");
        loop.advance(0.01);
        session->connect(band->identifier(), nullptr);
        ASSERT_TRUE(pump.until([&] { return subscribed(); }));
        session->relay().setChosen(kChosen, true);
    }
    void TearDown() override {
        session.reset();
        QDBusConnection::disconnectFromBus("other-app");
    }
    int buzzes() const {
        const auto& frames = band->firmware().receivedFrames();
        return static_cast<int>(std::count(frames.begin(), frames.end(), Bytes{CMD_TYPE_MSGIN, 0xAA}));
    }
    /// Sends the calls, then a well-formed call of an app nobody chose, and waits until the monitor has
    /// seen `wellFormed` of them plus that last one: everything sent before it has been dealt with.
    void post(QDBusConnection bus, const std::vector<QDBusMessage>& calls, int wellFormed) {
        const int before = counted->seen;
        for (const auto& c : calls) ASSERT_TRUE(bus.send(c));
        ASSERT_TRUE(bus.send(notifyCall(QStringLiteral("Unchosen"), entry(QStringLiteral("org.example.Unchosen")))));
        ASSERT_TRUE(pump.until([&] { return counted->seen >= before + wellFormed + 1; }, 10));
        pump.advance(0.2);  // the frame's way to the band
        EXPECT_EQ(counted->seen, before + wellFormed + 1);
    }
};

}  // namespace

TEST_F(Monitor, OnlyAChosenAppsNotificationBuzzes) {
    QVariantMap transient = entry(kChosen);
    transient.insert(QStringLiteral("transient"), true);
    post(other,
         {notifyCall(QStringLiteral("Other"), entry(QStringLiteral("org.example.Other"))),
          notifyCall(QStringLiteral("Chat"), transient), notifyCall(QStringLiteral("Chat"), entry(kChosen, 0))},
         3);
    EXPECT_EQ(buzzes(), 0);
    // The companion's own notification, posted on its own connection, even under a chosen entry.
    post(QDBusConnection::sessionBus(), {notifyCall(QStringLiteral("Chat"), entry(kChosen))}, 1);
    EXPECT_EQ(buzzes(), 0);

    post(other, {notifyCall(QStringLiteral("Chat"), entry(kChosen))}, 1);
    EXPECT_EQ(buzzes(), 1);

    // The apps seen are listed for choosing; nothing of what they said was kept or logged.
    std::vector<std::string> ids;
    for (const auto& a : session->relay().apps()) ids.push_back(a.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"org.example.Other", kChosen, "org.example.Unchosen"}));
    for (const auto& line : log.lines) EXPECT_EQ(line.find("secret"), std::string::npos) << line;
    for (const auto& [key, value] : settings.values()) {
        if (auto text = std::get_if<std::string>(&value)) {
            EXPECT_EQ(text->find("secret"), std::string::npos) << key;
        }
    }
}

TEST_F(Monitor, MalformedCallsAreIgnoredAndTheMonitorKeepsWatching) {
    pump.advance(MessageBuzzLimit::kSeconds + 1);
    std::vector<QDBusMessage> bad;
    // Wrong argument types: the app name as a number, and one argument short.
    QDBusMessage numberName = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    numberName << 7 << 0u << QString() << kSecret << kSecret << QStringList() << entry(kChosen) << -1;
    bad.push_back(numberName);
    QDBusMessage shortCall = notifyCall(QStringLiteral("Chat"), entry(kChosen));
    QList<QVariant> args = shortCall.arguments();
    args.removeLast();
    shortCall.setArguments(args);
    bad.push_back(shortCall);
    // Hints of the wrong type, and an urgency that does not exist.
    QVariantMap textUrgency = entry(kChosen);
    textUrgency.insert(QStringLiteral("urgency"), QStringLiteral("1"));
    bad.push_back(notifyCall(QStringLiteral("Chat"), textUrgency));
    bad.push_back(notifyCall(QStringLiteral("Chat"), {{QStringLiteral("desktop-entry"), 42}}));
    bad.push_back(notifyCall(QStringLiteral("Chat"), entry(kChosen, 9)));
    // Huge strings.
    bad.push_back(notifyCall(QString(100 * 1024, QLatin1Char('a')), entry(kChosen)));
    bad.push_back(notifyCall(QStringLiteral("Chat"), entry(kChosen), QString(1024 * 1024, QLatin1Char('x'))));
    bad.push_back(notifyCall(QStringLiteral("Chat"), entry(kChosen + QString(70 * 1024, QLatin1Char('y')))));
    post(other, bad, 0);
    EXPECT_EQ(buzzes(), 0);

    // Text that is not UTF-8, sent as raw bytes: the bus itself refuses it. The same call in good UTF-8
    // buzzes, so the monitor is still watching and the refusal was the text's.
    auto sendRaw = [](bool valid) {
        QProcess raw;
        QStringList args{QStringLiteral(VANTRO_TEST_DIR "/../support/raw_bus.py"), QStringLiteral("notify"),
                         QString::fromUtf8(kChosen)};
        if (valid) args << QStringLiteral("valid");
        raw.start(QStringLiteral("/usr/bin/python3"), args);
        EXPECT_TRUE(raw.waitForFinished(10000));
        EXPECT_EQ(raw.exitCode(), 0) << raw.readAllStandardError().toStdString();
    };
    sendRaw(false);
    post(other, {}, 0);
    EXPECT_EQ(buzzes(), 0);
    sendRaw(true);
    post(other, {}, 1);
    EXPECT_EQ(buzzes(), 1);
}

TEST(MonitorWithoutBus, SaysWhyOnce) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vantro-no-bus");
    bluez::DesktopNotificationMonitor monitor([](const DesktopNotification&) {});
    const std::string problem = monitor.start({});
    EXPECT_EQ(problem.rfind("no session bus", 0), 0u) << problem;
}
