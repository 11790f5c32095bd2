// SPDX-License-Identifier: MIT
// The alarm sound on Qt Multimedia.
#include "sound/qt_sound_player.h"

#include "sound/wave_file.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>

namespace vantro::sound {
QtSoundPlayer::QtSoundPlayer(QUrl source, QObject* parent)
    : QObject(parent), m_source(std::move(source)), m_sourceExists(isWave(m_source)) {}

QSoundEffect* QtSoundPlayer::effect() {
    if (m_effect || !m_sourceExists) return m_effect;
    m_effect = new QSoundEffect(this);
    m_effect->setSource(m_source);
    connect(m_effect, &QSoundEffect::playingChanged, this, [this] {
        // A sound that finished its loops stops by itself.
        if (!m_effect->isPlaying() && m_effect->status() == QSoundEffect::Ready) m_playing = false;
    });
    connect(m_effect, &QSoundEffect::statusChanged, this, [this] {
        if (m_effect->status() == QSoundEffect::Error) m_playing = false;
    });
    return m_effect;
}

namespace {
QtMessageHandler g_outerHandler = nullptr;
}  // namespace

QString QtSoundPlayer::outputDescription() {
    // The audio backend's own complaints (no sound server, no device) are summed up by the one line
    // returned here, so they are held back while it looks.
    g_outerHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (context.category && qstrcmp(context.category, "default") != 0 && g_outerHandler)
            g_outerHandler(type, context, text);
    });
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(g_outerHandler);
    if (device.isNull()) return QStringLiteral("alarm sound: no audio output; the alarm shows only its notification");
    return QStringLiteral("alarm sound: audio output \"%1\"").arg(device.description());
}

QtSoundPlayer::~QtSoundPlayer() = default;

bool QtSoundPlayer::isLoaded() const {
    // Before the output is opened the sound counts as loaded when the file is a sound.
    return m_sourceExists && (!m_effect || m_effect->status() != QSoundEffect::Error);
}

void QtSoundPlayer::play(int loops) {
    if (!isLoaded()) return;
    QSoundEffect* e = effect();
    m_requestedPlays = 1 + std::max(0, loops);
    e->setLoopCount(m_requestedPlays);
    e->play();
    // Without an audio device the effect fails; the sound is then not reported as playing.
    m_playing = e->status() != QSoundEffect::Error;
}

void QtSoundPlayer::stop() {
    if (m_effect) m_effect->stop();
    m_playing = false;
}

bool QtSoundPlayer::isLoading() const {
    return m_effect && m_effect->status() == QSoundEffect::Loading;
}

bool QtSoundPlayer::isPlaying() const {
    return m_playing;
}

void QtSoundPlayer::vibrate() {
    QApplication::beep();
}

}  // namespace vantro::sound
