// SPDX-License-Identifier: MIT
// The alarm sound on Qt Multimedia, and the vibration alert as a beep.
#include "gui/qt_sound_player.h"

#include <QApplication>
#include <QFile>
#include <QSoundEffect>

namespace vantro::gui {
namespace {

/// Whether the source is a readable RIFF/WAVE file. Decided here, so that a machine without an audio
/// device (where the effect itself reports an error) still counts the sound as loaded.
bool isWave(const QUrl& url) {
    QString path;
    if (url.scheme() == QLatin1String("qrc"))
        path = QLatin1Char(':') + url.path();
    else if (url.isLocalFile())
        path = url.toLocalFile();
    else
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray header = f.read(12);
    return header.size() == 12 && header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
}

}  // namespace

QtSoundPlayer::QtSoundPlayer(QUrl source, QObject* parent)
    : QObject(parent), m_effect(new QSoundEffect(this)), m_sourceExists(isWave(source)) {
    if (m_sourceExists) m_effect->setSource(source);
    connect(m_effect, &QSoundEffect::playingChanged, this, [this] {
        // A sound that finished its loops stops by itself.
        if (!m_effect->isPlaying() && m_effect->status() == QSoundEffect::Ready) m_playing = false;
    });
    connect(m_effect, &QSoundEffect::statusChanged, this, [this] {
        if (m_effect->status() == QSoundEffect::Error) m_playing = false;
    });
}

QtSoundPlayer::~QtSoundPlayer() = default;

bool QtSoundPlayer::isLoaded() const {
    return m_sourceExists && m_effect->status() != QSoundEffect::Error;
}

void QtSoundPlayer::play(int loops) {
    if (!isLoaded()) return;
    m_requestedPlays = 1 + std::max(0, loops);
    m_effect->setLoopCount(m_requestedPlays);
    m_effect->play();
    // Without an audio device the effect fails; the sound is then not reported as playing.
    m_playing = m_effect->status() != QSoundEffect::Error;
}

void QtSoundPlayer::stop() {
    m_effect->stop();
    m_playing = false;
}

bool QtSoundPlayer::isLoading() const {
    return m_sourceExists && m_effect->status() == QSoundEffect::Loading;
}

bool QtSoundPlayer::isPlaying() const {
    return m_playing;
}

void QtSoundPlayer::vibrate() {
    QApplication::beep();
    emit vibrated();
}

}  // namespace vantro::gui
