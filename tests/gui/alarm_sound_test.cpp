// SPDX-License-Identifier: MIT
// The alarm sound's module: opened at the first alarm, not before; without it, notification only.
#include "gui/alarm_sound.h"

#include <QLibrary>
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
};

QTEST_MAIN(AlarmSoundTest)
#include "alarm_sound_test.moc"
