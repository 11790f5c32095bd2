// SPDX-License-Identifier: MIT
// The alarm sound: embedded resource, loops, stop, and the vibration alert.
#include "sound/qt_sound_player.h"

#include <QFile>
#include <QTest>

using vantro::sound::QtSoundPlayer;

class QtSoundPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void alarmSoundIsEmbeddedAsAValidWave() {
        QFile f(QStringLiteral(":/sounds/alarm-sound.wav"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray header = f.read(44);
        QCOMPARE(header.left(4), QByteArray("RIFF"));
        QCOMPARE(header.mid(8, 4), QByteArray("WAVE"));
        // 22050 Hz, mono, 16 bits, about a second and a half.
        const auto u16 = [&](int at) { return quint16(uchar(header[at]) | uchar(header[at + 1]) << 8); };
        const auto u32 = [&](int at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
        QCOMPARE(u16(22), quint16(1));
        QCOMPARE(u32(24), quint32(22050));
        QCOMPARE(u16(34), quint16(16));
        const double seconds = double(f.size() - 44) / (22050 * 2);
        QVERIFY(seconds > 1.2 && seconds < 2.0);
    }

    void playAsksForOnePlusLoopsAndStopEndsIt() {
        QtSoundPlayer player;
        QVERIFY(player.isLoaded());
        QVERIFY(!player.isPlaying());
        player.play(1);
        QCOMPARE(player.requestedPlays(), 2);
        player.stop();
        QVERIFY(!player.isPlaying());
        // Qt's sample loader leaks what it holds when the effect dies mid-load; let it finish.
        QTRY_VERIFY(!player.isLoading());
    }

    void missingOrBrokenSoundIsNotLoadedAndPlaysNothing() {
        QtSoundPlayer missing(QUrl(QStringLiteral("qrc:/sounds/no-such-sound.wav")));
        QVERIFY(!missing.isLoaded());
        missing.play(1);
        QVERIFY(!missing.isPlaying());
        QCOMPARE(missing.requestedPlays(), 0);
        // An icon is a file, but not a sound.
        QtSoundPlayer notWave(QUrl(QStringLiteral("qrc:/icons/findme.svg")));
        QVERIFY(!notWave.isLoaded());
    }
};

QTEST_MAIN(QtSoundPlayerTest)
#include "qt_sound_player_test.moc"
