// SPDX-License-Identifier: MIT
// The alarm sound on Qt Multimedia, and the vibration alert as a beep.
#pragma once

#include "platform/services.h"

#include <QObject>
#include <QUrl>

class QSoundEffect;

namespace vantro::gui {

/// SoundPlayer playing one short sound effect; `vibrated` lets the shell flash the window.
class QtSoundPlayer : public QObject, public SoundPlayer {
    Q_OBJECT
public:
    /// The default source is the alarm sound embedded in the app.
    explicit QtSoundPlayer(QUrl source = QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")),
                           QObject* parent = nullptr);
    ~QtSoundPlayer() override;

    bool isLoaded() const override;
    void play(int loops) override;
    void stop() override;
    /// True from `play` until the last loop ends or `stop`, also while the effect is still loading.
    bool isPlaying() const override;
    void vibrate() override;

    /// How many times the last `play` asked for the sound (1 + loops).
    int requestedPlays() const { return m_requestedPlays; }

signals:
    void vibrated();

private:
    QSoundEffect* m_effect;
    bool m_sourceExists = false;
    bool m_playing = false;
    int m_requestedPlays = 0;
};

}  // namespace vantro::gui
