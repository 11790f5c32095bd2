// SPDX-License-Identifier: MIT
// The alarm sound, played by the sound module the app opens when the alarm first sounds.
#include "gui/alarm_sound.h"

#include "platform/paths.h"
#include "qt/qt_log.h"
#include "sound/sound_module.h"
#include "sound/wave_file.h"

#include <QApplication>
#include <QLibrary>

#include <algorithm>

namespace vantro::gui {

namespace {
const QString kNotificationOnly = QStringLiteral("the alarm shows only its notification");
}  // namespace

AlarmSound::AlarmSound(QUrl source, QString modulePath, QObject* parent)
    : QObject(parent),
      m_source(std::move(source)),
      m_modulePath(std::move(modulePath)),
      m_sourceIsWave(sound::isWave(m_source)) {}

// The module stays loaded: Qt Multimedia keeps threads and objects of its own until the process ends.
AlarmSound::~AlarmSound() = default;

QString AlarmSound::defaultModulePath() {
    return QString::fromStdString(moduleFile("vantro-sound.so"));
}

bool AlarmSound::openModule() {
    if (m_player) return true;
    if (m_moduleFailed) return false;
    m_module = std::make_unique<QLibrary>(m_modulePath);
    auto newPlayer =
        m_module->load() ? reinterpret_cast<VantroNewSoundPlayer>(m_module->resolve(sound::kNewPlayerSymbol)) : nullptr;
    if (!newPlayer) {
        m_moduleFailed = true;
        qCWarning(qt::logCategory).noquote()
            << QStringLiteral("alarm sound: no sound module (%1); %2").arg(m_module->errorString(), kNotificationOnly);
        return false;
    }
    m_player.reset(newPlayer(&m_source));
    return true;
}

QString AlarmSound::outputDescription() {
    if (!openModule()) return QStringLiteral("alarm sound: no sound module; %1").arg(kNotificationOnly);
    auto describe = reinterpret_cast<VantroDescribeAudioOutput>(m_module->resolve(sound::kDescribeOutputSymbol));
    QString line;
    if (describe) describe(&line);
    return line;
}

bool AlarmSound::isLoaded() const {
    if (m_moduleFailed) return false;
    return m_player ? m_player->isLoaded() : m_sourceIsWave;
}

void AlarmSound::play(int loops) {
    if (!isLoaded() || !openModule()) return;
    m_requestedPlays = 1 + std::max(0, loops);
    m_player->play(loops);
}

void AlarmSound::stop() {
    if (m_player) m_player->stop();
}

bool AlarmSound::isPlaying() const {
    return m_player && m_player->isPlaying();
}

void AlarmSound::vibrate() {
    QApplication::beep();
    emit vibrated();
}

}  // namespace vantro::gui
