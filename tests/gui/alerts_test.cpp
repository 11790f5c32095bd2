// SPDX-License-Identifier: MIT
// The alarm and the notices. The alarm sound's module: opened at the first alarm, not before; without it,
// notification only. Local notifications: back to the app when active, to the desktop service when there is one,
// else in the app; what the app delegate makes of one (vibration, dialog) is clicked through in the app flows.
#include "gui/alarm_sound.h"
#include "gui/qt_notifier.h"
#include "qt/qt_run_loop.h"

#include "message_boxes.h"
#include "notification_mock.h"

#include <QDBusMetaType>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <map>

using namespace vantro;
using vantro::gui::AlarmSound;
using vantro::gui::QtNotifier;
using vantro::testing::closeBoxes;
using vantro::testing::visibleBox;

namespace {

QStringList g_messages;
void collect(QtMsgType, const QMessageLogContext&, const QString& text) {
    g_messages << text;
}

/// Whether this process has loaded the sound module or Qt Multimedia.
bool audioLibrariesLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return false;
    const QByteArray all = maps.readAll();
    return all.contains("vantro-sound.so") || all.contains("libQt6Multimedia");
}

const LocalNotification kOutOfRange{"无法找到蓝牙手环！", "OK", "alarm-sound.wav", true};
const LocalNotification kNotice{"Vantro keeps running in the background.", "", "", false};

long visibleBoxes() {
    const auto widgets = QApplication::topLevelWidgets();
    return std::count_if(widgets.begin(), widgets.end(), [](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        return box && box->isVisible();
    });
}

/// The hints of every Notify call the mock service saw, by the notification's body.
std::map<QString, QVariantMap> hintsByBody() {
    std::map<QString, QVariantMap> out;
    for (const QVariantList& args : vantro::testing::notifyCalls()) {
        if (args.size() < 7) continue;
        QVariantMap hints;
        if (args[6].canConvert<QDBusArgument>()) args[6].value<QDBusArgument>() >> hints;
        for (auto it = hints.begin(); it != hints.end(); ++it)
            it.value() = vantro::testing::unwrapDBusVariant(it.value());
        out[args[4].toString()] = hints;
    }
    return out;
}

}  // namespace

class AlertsTest : public QObject {
    Q_OBJECT
private slots:
    // Runs first: the module, once loaded, stays for the rest of the process.
    void theModuleIsOpenedAtTheFirstAlarmAndPlaysOrSaysThereIsNoOutput() {
        AlarmSound sound;
        QVERIFY(sound.isLoaded());
        QVERIFY(!sound.outputOpened());
        sound.stop();
        QVERIFY(!audioLibrariesLoaded());
        sound.play(1);
        QVERIFY(sound.outputOpened());
        QVERIFY(audioLibrariesLoaded());
        QCOMPARE(sound.requestedPlays(), 2);
        const QString output = sound.outputDescription();
        QVERIFY2(output.startsWith(QStringLiteral("alarm sound: audio output \"")) ||
                     output == QStringLiteral("alarm sound: no audio output; the alarm shows only its notification"),
                 qPrintable(output));
        // With an output the sound plays.
        if (!output.contains(QStringLiteral("no audio output"))) QVERIFY(sound.isPlaying());
        sound.stop();
        QVERIFY(!sound.isPlaying());
        // Qt's sample loader leaks what it holds when the effect dies mid-load; let it finish.
        QTest::qWait(300);
    }

    void aMissingModuleLeavesTheNotificationOnlyWithOneWarning() {
        AlarmSound sound(QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")),
                         QStringLiteral("/nonexistent/lib/vantro/vantro-sound.so"));
        QVERIFY(sound.isLoaded());  // not known before the alarm
        g_messages.clear();
        const QtMessageHandler outer = qInstallMessageHandler(collect);
        sound.play(1);
        sound.play(1);
        const QString described = sound.outputDescription();
        qInstallMessageHandler(outer);
        QCOMPARE(g_messages.size(), 1);
        QVERIFY2(g_messages.front().startsWith(QStringLiteral("alarm sound: no sound module (")),
                 qPrintable(g_messages.front()));
        QVERIFY(g_messages.front().endsWith(QStringLiteral("; the alarm shows only its notification")));
        QVERIFY(!sound.isLoaded());
        QVERIFY(!sound.isPlaying());
        QVERIFY(!sound.outputOpened());
        QCOMPARE(sound.requestedPlays(), 0);
        QVERIFY(described.endsWith(QStringLiteral("the alarm shows only its notification")));
        // The vibration alert needs no module.
        int vibrated = 0;
        connect(&sound, &AlarmSound::vibrated, this, [&] { ++vibrated; });
        sound.vibrate();
        QCOMPARE(vibrated, 1);
    }

    void aLibraryThatIsNotTheSoundModuleIsRefused() {
        // Qt Core is a shared library, but has no sound player in it.
        AlarmSound sound(QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")), QStringLiteral("libQt6Core.so.6"));
        g_messages.clear();
        const QtMessageHandler outer = qInstallMessageHandler(collect);
        sound.play(0);
        qInstallMessageHandler(outer);
        QCOMPARE(g_messages.size(), 1);
        QVERIFY(!sound.isLoaded());
        QVERIFY(!sound.isPlaying());
    }

    // Runs only with feedbackd on the session bus (the feedbackd test starts the real daemon with a theme
    // whose alarm is a 0.3-second dummy feedback and nothing else).
    void feedbackdTakesTheAlarmLoopedUntilItEnds() {
        AlarmSound sound(QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")),
                         QStringLiteral("/nonexistent/lib/vantro/vantro-sound.so"));
        if (!sound.feedbackd().available()) QSKIP("no org.sigxcpu.Feedback on the session bus");
        QVERIFY2(sound.outputDescription().startsWith(QStringLiteral("alarm: through feedbackd")),
                 qPrintable(sound.outputDescription()));
        QVERIFY(sound.isLoaded());
        QSignalSpy ended(&sound.feedbackd(), &vantro::gui::FeedbackdAlarm::ended);
        sound.play(1);
        QVERIFY(sound.playedThroughFeedbackd());
        QVERIFY(sound.isPlaying());
        QTRY_VERIFY(sound.feedbackd().eventId() != 0);
        const uint id = sound.feedbackd().eventId();
        // Looped: well past one round of the theme's alarm it still runs (an event the theme does not
        // know, or one run once, would have ended). The app's own sound stays shut.
        QTest::qWait(1000);
        QVERIFY(sound.isPlaying());
        QCOMPARE(ended.count(), 0);
        QVERIFY(!sound.outputOpened());
        sound.stop();
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(0).toUInt(), id);
        QVERIFY(!sound.isPlaying());

        // Ended before the daemon has said its id: ended as soon as it does.
        sound.play(1);
        sound.stop();
        QTRY_COMPARE(ended.count(), 2);
        QVERIFY(ended.at(1).at(0).toUInt() != id);
        QTest::qWait(500);
        QCOMPARE(ended.count(), 2);
        QVERIFY(!sound.isPlaying());
        QVERIFY(!sound.outputOpened());
    }

    void cleanup() { closeBoxes(); }

    // Active, or in the background without a desktop service: back to the app's receiver on a later turn.
    void theAppGetsTheNotificationBackOnALaterTurn() {
        qt::QtRunLoop loop;
        QtNotifier notifier(loop);
        for (auto [state, route] : {std::pair{AppState::Active, QtNotifier::Route::Receiver},
                                    std::pair{AppState::Background, QtNotifier::Route::InApp}}) {
            if (state == AppState::Background && notifier.desktopServiceAvailable()) continue;
            notifier.setApplicationStateOverride(state);
            std::vector<LocalNotification> received;
            notifier.setReceiver([&](const LocalNotification& n) { received.push_back(n); });
            notifier.presentLocalNotificationNow(kOutOfRange);
            QCOMPARE(notifier.lastRoute(), route);
            QVERIFY(received.empty());
            QTRY_COMPARE(received.size(), size_t(1));
            QCOMPARE(received[0].alertBody, kOutOfRange.alertBody);
            QCOMPARE(received[0].alertAction, std::string("OK"));
        }
    }

    void withoutReceiverTheNotificationBecomesAMessageBox() {
        qt::QtRunLoop loop;
        QtNotifier notifier(loop);
        notifier.setApplicationStateOverride(AppState::Active);
        notifier.setAppName(QStringLiteral("Vantro"));
        notifier.presentLocalNotificationNow(kOutOfRange);
        QTRY_VERIFY(visibleBox() != nullptr);
        QCOMPARE(visibleBox()->text(), QStringLiteral("Vantro"));
        QCOMPARE(visibleBox()->informativeText(), QString::fromStdString(kOutOfRange.alertBody));

        // Withdrawn: its box goes, another's stays; one withdrawn before it was shown never shows.
        notifier.showAlert("Vantro", kNotice.alertBody, "OK");
        QTRY_COMPARE(visibleBoxes(), 2L);
        notifier.withdrawLocalNotification(kOutOfRange);
        QTRY_COMPARE(visibleBoxes(), 1L);
        QCOMPARE(visibleBox()->informativeText(), QString::fromStdString(kNotice.alertBody));
        closeBoxes();
        notifier.presentLocalNotificationNow(kOutOfRange);
        notifier.withdrawLocalNotification(kOutOfRange);
        QTest::qWait(100);
        QVERIFY(visibleBox() == nullptr);
    }

    // Runs only with a notification service on the bus (the dbus test runs a mock one).
    void desktopService() {
        qt::QtRunLoop loop;
        QtNotifier notifier(loop);
        if (!notifier.desktopServiceAvailable()) QSKIP("no org.freedesktop.Notifications on the session bus");
        notifier.setApplicationStateOverride(AppState::Background);
        std::vector<LocalNotification> received;
        notifier.setReceiver([&](const LocalNotification& n) { received.push_back(n); });
        QSignalSpy sent(&notifier, &QtNotifier::desktopNotificationSent);
        notifier.presentLocalNotificationNow(kOutOfRange);
        QCOMPARE(notifier.lastRoute(), QtNotifier::Route::Desktop);
        QTRY_COMPARE(sent.count(), 1);
        const uint id = sent.at(0).at(0).toUInt();
        QVERIFY(received.empty());  // on the desktop now, not in the app

        // The service saw the body, the "OK" action and the app icon.
        const std::vector<QVariantList> calls = vantro::testing::notifyCalls();
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].value(4).toString(), QString::fromStdString(kOutOfRange.alertBody));
        QVERIFY2(calls[0].value(5).toStringList().contains(QStringLiteral("OK")),
                 qPrintable(calls[0].value(5).toStringList().join(", ")));
        QCOMPARE(calls[0].value(2).toString(), QStringLiteral("vantro"));  // the app icon's theme name

        // Only the alarm is critical (it stays on a phone's screen and breaks through do-not-disturb), with
        // the category of a device in trouble; a notice is of normal urgency and has no category.
        notifier.presentLocalNotificationNow(kNotice);
        QTRY_COMPARE(sent.count(), 2);
        const auto hints = hintsByBody();
        const QString alarmBody = QString::fromStdString(kOutOfRange.alertBody);
        const QString noticeBody = QString::fromStdString(kNotice.alertBody);
        QVERIFY(hints.count(alarmBody) && hints.count(noticeBody));
        QCOMPARE(hints.at(alarmBody).value(QStringLiteral("urgency")).toInt(), 2);
        QCOMPARE(hints.at(alarmBody).value(QStringLiteral("category")).toString(), QStringLiteral("device.error"));
        QCOMPARE(hints.at(noticeBody).value(QStringLiteral("urgency")).toInt(), 1);
        QVERIFY(!hints.at(noticeBody).contains(QStringLiteral("category")));
        QCOMPARE(hints.at(noticeBody).value(QStringLiteral("desktop-entry")).toString(),
                 QStringLiteral("org.vantro.Vantro"));

        // A click on it brings the notification back to the app; another application's id is not ours.
        auto invoke = [](uint notification) {
            QDBusMessage m = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"));
            m << QStringLiteral("org.freedesktop.Notifications") << QStringLiteral("ActionInvoked")
              << QStringLiteral("us")
              << QVariantList{QVariant::fromValue(QDBusVariant(notification)),
                              QVariant::fromValue(QDBusVariant(QStringLiteral("default")))};
            return QDBusConnection::sessionBus().call(m);
        };
        const QDBusMessage emitted = invoke(id);
        QVERIFY2(emitted.type() == QDBusMessage::ReplyMessage, qPrintable(emitted.errorMessage()));
        QTRY_COMPARE(received.size(), size_t(1));
        QCOMPARE(received[0].alertBody, kOutOfRange.alertBody);
        invoke(id + 1000);
        QTest::qWait(100);
        QCOMPARE(received.size(), size_t(1));

        // The alarm over: its notice is closed on the desktop (the notice that can wait stays), and one
        // withdrawn while the service was still taking it is closed as soon as its id is known.
        QSignalSpy withdrawn(&notifier, &QtNotifier::desktopNotificationWithdrawn);
        notifier.presentLocalNotificationNow(kOutOfRange);
        QTRY_COMPARE(sent.count(), 3);
        const uint second = sent.at(2).at(0).toUInt();
        notifier.withdrawLocalNotification(kOutOfRange);
        QCOMPARE(withdrawn.count(), 1);
        QTRY_COMPARE(vantro::testing::closedNotificationIds(), (QList<uint>{second}));
        notifier.presentLocalNotificationNow(kOutOfRange);
        notifier.withdrawLocalNotification(kOutOfRange);
        QTRY_COMPARE(vantro::testing::closedNotificationIds().size(), 2);
        QCOMPARE(sent.count(), 3);  // never announced as sent
        QVERIFY(!vantro::testing::closedNotificationIds().contains(sent.at(1).at(0).toUInt()));
    }
};

QTEST_MAIN(AlertsTest)
#include "alerts_test.moc"
