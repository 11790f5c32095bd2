// SPDX-License-Identifier: MIT
// The alarm sound: the phone's feedback daemon where it runs, else played by the sound module the app
// opens when the alarm first sounds; the vibration alert as a beep.
#pragma once

#include "gui/feedbackd_alarm.h"
#include "platform/services.h"

#include <QObject>
#include <QUrl>

#include <memory>

class QLibrary;

namespace vantro::gui {

/// SoundPlayer of the alarm. Where feedbackd runs on the session bus (a Linux phone), `play` hands it the
/// alarm event, looped until `stop`, and the phone's profile decides between sound, vibration and light;
/// the app plays nothing itself then. Elsewhere it opens the sound module (Qt Multimedia and the audio
/// libraries) at the first `play`: most runs never sound the alarm. Without the module the alarm shows
/// only its notification, and one warning says why. `vibrated` lets the shell flash the window.
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

    /// Whether the last `play` went to feedbackd.
    bool playedThroughFeedbackd() const { return m_throughFeedbackd; }
    FeedbackdAlarm& feedbackd() { return m_feedbackd; }
    /// Whether the module has been opened and its player made (by the first `play`).
    bool outputOpened() const { return m_player != nullptr; }
    /// How many times the last `play` asked for the sound (1 + loops).
    int requestedPlays() const { return m_requestedPlays; }
    /// One line saying which way the alarm will go: through feedbackd, or the audio output it will use,
    /// or none. Without feedbackd it opens the module, so it is for --verbose, not for every start.
    QString outputDescription();

    /// vantro-sound.so in $VANTRO_MODULE_DIR, else in lib/vantro beside the executable's folder.
    static QString defaultModulePath();

signals:
    void vibrated();

private:
    /// Opens the module once; false (after one warning) when it is missing or not a sound module.
    bool openModule();
    /// Plays the alarm through the module.
    void playOwnSound(int loops);

    QUrl m_source;
    QString m_modulePath;
    bool m_sourceIsWave = false;
    bool m_moduleFailed = false;
    std::unique_ptr<QLibrary> m_module;
    std::unique_ptr<SoundPlayer> m_player;
    int m_requestedPlays = 0;
    FeedbackdAlarm m_feedbackd;
    bool m_throughFeedbackd = false;
};

}  // namespace vantro::gui
