// SPDX-License-Identifier: MIT
// The out-of-range alarm: a sound played once with one repeat, and a local notification.
#include "link/audio_player.h"

#include "platform/strprintf.h"

#include <memory>

namespace vantro {
namespace {

// Process-wide state, kept outside the instance as the alarm's flags are.
std::unique_ptr<Audio_player>& sharedSlot() {
    static std::unique_ptr<Audio_player> instance;
    return instance;
}
Audio_player::Ports& configuredPorts() {
    static Audio_player::Ports ports;
    return ports;
}
bool g_alarmActive = false;
bool g_alertEnabled = true;

constexpr int kAlarmLoops = 1;  // the sound plays twice, then stops by itself

}  // namespace

void Audio_player::configure(Ports ports) {
    configuredPorts() = ports;
    if (sharedSlot()) sharedSlot()->m_ports = ports;
}

Audio_player& Audio_player::sharedInstance() {
    auto& slot = sharedSlot();
    if (!slot) {
        slot.reset(new Audio_player(configuredPorts()));
        g_alarmActive = false;
        g_alertEnabled = true;
    }
    return *slot;
}

void Audio_player::resetSharedInstance() {
    sharedSlot().reset();
    configuredPorts() = Ports{};
    g_alarmActive = false;
    g_alertEnabled = true;
}

void Audio_player::setAlert() {
    if (!g_alarmActive) {
        startPlayingAlarmSound();
        showOutOfRangeDialog();
    }
    g_alarmActive = true;
}

void Audio_player::clearAlert() {
    if (g_alarmActive) stopPlayingAlarmSound();
    g_alarmActive = false;
}

void Audio_player::startPlayingAlarmSound() {
    SoundPlayer* p = player();
    if (p) p->play(kAlarmLoops);
    log(strprintf("Alarm-sound played, is it playing: %d", p && p->isPlaying() ? 1 : 0));
}

void Audio_player::stopPlayingAlarmSound() {
    SoundPlayer* p = player();
    if (p && p->isPlaying()) p->stop();
    withdrawOutOfRangeDialog();
}

void Audio_player::showOutOfRangeDialog() {
    if (!m_ports.notifier) return;
    const std::string body = m_ports.localizer ? m_ports.localizer->localizedString(kOutOfRangeKey) : kOutOfRangeKey;
    m_shown = LocalNotification{body, "OK", "alarm-sound.wav", true};
    m_ports.notifier->presentLocalNotificationNow(*m_shown);
}

void Audio_player::withdrawOutOfRangeDialog() {
    if (!m_shown) return;
    const LocalNotification shown = *m_shown;
    m_shown.reset();
    if (m_ports.notifier) m_ports.notifier->withdrawLocalNotification(shown);
}

void Audio_player::turnOnAlert(bool on) {
    g_alertEnabled = on;
}

bool Audio_player::isOnAlert() {
    return g_alertEnabled;
}

bool Audio_player::isAlarmActive() {
    return g_alarmActive;
}

SoundPlayer* Audio_player::player() const {
    return m_ports.sound && m_ports.sound->isLoaded() ? m_ports.sound : nullptr;
}

void Audio_player::log(const std::string& line) const {
    if (m_ports.log) m_ports.log->log(line);
}

}  // namespace vantro
