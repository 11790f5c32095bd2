// SPDX-License-Identifier: MIT
// The alarm sound's module: opened at the first alarm, not before; without it, notification only.
#include "gui/alarm_sound.h"

#include <QSignalSpy>
#include <QTest>

using vantro::gui::AlarmSound;

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
}  // namespace

class AlarmSoundTest : public QObject {
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
};

QTEST_MAIN(AlarmSoundTest)
#include "alarm_sound_test.moc"
