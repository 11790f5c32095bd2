// SPDX-License-Identifier: MIT
// The alarm sound: the phone's feedback daemon where it runs, else the sound module opened at the first alarm.
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
    if (m_feedbackd.available()) {
        return QStringLiteral(
                   "alarm: through feedbackd (org.sigxcpu.Feedback), event %1; the phone's profile "
                   "decides between sound, vibration and light")
            .arg(QString::fromLatin1(FeedbackdAlarm::kEvent));
    }
    if (!openModule()) return QStringLiteral("alarm sound: no sound module; %1").arg(kNotificationOnly);
    auto describe = reinterpret_cast<VantroDescribeAudioOutput>(m_module->resolve(sound::kDescribeOutputSymbol));
    QString line;
    if (describe) describe(&line);
    return line;
}

bool AlarmSound::isLoaded() const {
    if (m_feedbackd.available()) return true;
    if (m_moduleFailed) return false;
    return m_player ? m_player->isLoaded() : m_sourceIsWave;
}

void AlarmSound::play(int loops) {
    // feedbackd loops the event until the alarm ends: the profile, not a count of ours, decides how long
    // a phone rings or buzzes.
    m_throughFeedbackd = m_feedbackd.start([this, loops](const QString&) {
        m_throughFeedbackd = false;
        playOwnSound(loops);
    });
    if (!m_throughFeedbackd) playOwnSound(loops);
}

void AlarmSound::playOwnSound(int loops) {
    const bool loaded = !m_moduleFailed && (m_player ? m_player->isLoaded() : m_sourceIsWave);
    if (!loaded || !openModule()) return;
    m_requestedPlays = 1 + std::max(0, loops);
    m_player->play(loops);
}

void AlarmSound::stop() {
    m_feedbackd.end();
    if (m_player) m_player->stop();
}

bool AlarmSound::isPlaying() const {
    return m_feedbackd.running() || (m_player && m_player->isPlaying());
}

void AlarmSound::vibrate() {
    QApplication::beep();
    emit vibrated();
}

}  // namespace vantro::gui
