// SPDX-License-Identifier: MIT
// The alarm sound on Qt Multimedia, and the vibration alert as a beep.
#include "gui/qt_sound_player.h"

#include <QApplication>
#include <QFile>
#include <QSoundEffect>

namespace vantro::gui {
namespace {

bool sourceExists(const QUrl& url) {
    if (url.scheme() == QLatin1String("qrc")) return QFile::exists(QLatin1Char(':') + url.path());
    if (url.isLocalFile()) return QFile::exists(url.toLocalFile());
    return url.isValid();
}

}  // namespace

QtSoundPlayer::QtSoundPlayer(QUrl source, QObject* parent)
    : QObject(parent), m_effect(new QSoundEffect(this)), m_sourceExists(sourceExists(source)) {
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
    m_playing = true;
}

void QtSoundPlayer::stop() {
    m_effect->stop();
    m_playing = false;
}

bool QtSoundPlayer::isPlaying() const {
    return m_playing;
}

void QtSoundPlayer::vibrate() {
    QApplication::beep();
    emit vibrated();
}

}  // namespace vantro::gui
