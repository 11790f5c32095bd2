// SPDX-License-Identifier: MIT
// The sound player refuses a missing sound and a file that is not one.
#include "sound/qt_sound_player.h"

#include <QTest>

using vantro::sound::QtSoundPlayer;

class QtSoundPlayerTest : public QObject {
    Q_OBJECT
private slots:
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
