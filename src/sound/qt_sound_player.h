// SPDX-License-Identifier: MIT
// The alarm sound on Qt Multimedia; built into the sound module the app opens when the alarm first sounds.
#pragma once

#include "platform/services.h"

#include <QObject>
#include <QUrl>

class QSoundEffect;

namespace vantro::sound {

/// SoundPlayer playing one short sound effect.
/// The audio output is opened when the alarm first sounds, not before: most runs never sound it, and
/// opening it costs start-up time and, on a machine without sound, warnings.
class QtSoundPlayer : public QObject, public SoundPlayer {
public:
    /// The default source is the alarm sound embedded in the app.
    explicit QtSoundPlayer(QUrl source = QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")),
                           QObject* parent = nullptr);
    ~QtSoundPlayer() override;

    bool isLoaded() const override;
    void play(int loops) override;
    void stop() override;
    /// True from `play` until the last loop ends or `stop` (also while the effect is still loading),
    /// false when the audio output failed.
    bool isPlaying() const override;
    void vibrate() override;

    /// True while the effect is still reading its sound in the background.
    bool isLoading() const;
    /// Whether the audio output has been opened (by the first `play`).
    bool outputOpened() const { return m_effect != nullptr; }
    /// One line naming the audio output the alarm will use, or saying there is none. Looks the device
    /// up, so it is for --verbose, not for every start.
    static QString outputDescription();
    /// How many times the last `play` asked for the sound (1 + loops).
    int requestedPlays() const { return m_requestedPlays; }

private:
    QSoundEffect* effect();

    QUrl m_source;
    QSoundEffect* m_effect = nullptr;
    bool m_sourceExists = false;
    bool m_playing = false;
    int m_requestedPlays = 0;
};

}  // namespace vantro::sound
