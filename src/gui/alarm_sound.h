// SPDX-License-Identifier: MIT
// The alarm sound, played by the sound module the app opens when the alarm first sounds; the vibration
// alert as a beep.
#pragma once

#include "platform/services.h"

#include <QObject>
#include <QUrl>

#include <memory>

class QLibrary;

namespace vantro::gui {

/// SoundPlayer that opens the sound module (Qt Multimedia and the audio libraries) at the first `play`:
/// most runs never sound the alarm. Without the module the alarm shows only its notification, and one
/// warning says why. `vibrated` lets the shell flash the window.
class AlarmSound : public QObject, public SoundPlayer {
    Q_OBJECT
public:
    /// The default source is the alarm sound embedded in the app.
    explicit AlarmSound(QUrl source = QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")),
                        QString modulePath = defaultModulePath(), QObject* parent = nullptr);
    ~AlarmSound() override;

    /// Before the module is opened the sound counts as loaded when the source is a sound.
    bool isLoaded() const override;
    void play(int loops) override;
    void stop() override;
    bool isPlaying() const override;
    void vibrate() override;

    /// Whether the module has been opened and its player made (by the first `play`).
    bool outputOpened() const { return m_player != nullptr; }
    /// How many times the last `play` asked for the sound (1 + loops).
    int requestedPlays() const { return m_requestedPlays; }
    /// One line naming the audio output the alarm will use, or saying there is none. Opens the module,
    /// so it is for --verbose, not for every start.
    QString outputDescription();

    /// vantro-sound.so in $VANTRO_MODULE_DIR, else in lib/vantro beside the executable's folder.
    static QString defaultModulePath();

signals:
    void vibrated();

private:
    /// Opens the module once; false (after one warning) when it is missing or not a sound module.
    bool openModule();

    QUrl m_source;
    QString m_modulePath;
    bool m_sourceIsWave = false;
    bool m_moduleFailed = false;
    std::unique_ptr<QLibrary> m_module;
    std::unique_ptr<SoundPlayer> m_player;
    int m_requestedPlays = 0;
};

}  // namespace vantro::gui
