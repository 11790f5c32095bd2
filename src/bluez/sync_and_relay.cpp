// SPDX-License-Identifier: MIT
// The companion's two unattended duties put together: automatic sync, and desktop notifications on the band.
#include "bluez/sync_and_relay.h"

#include "app/vantro_app_delegate.h"
#include "link/vantro_view_controller.h"

#include <QDBusConnection>

namespace vantro::bluez {

std::vector<std::string> SyncAndRelay::ownAppIds() {
    // The desktop entry, under its old and its new name, and the name the notifier gives.
    return {"org.vantro.Vantro", "vantro", "Vantro"};
}

SyncAndRelay::SyncAndRelay(VantroAppDelegate& app, MessageBuzzLimit& messages)
    : m_app(app), m_relay(app, messages, ownAppIds()), m_autoSync(app) {}

SyncAndRelay::~SyncAndRelay() {
    m_monitor.reset();
    detach();
}

void SyncAndRelay::attach(VantroViewController& today) {
    detach();
    m_today = &today;
    today.onBandReady = [this] { m_autoSync.bandReady(); };
    today.onBandLost = [this] { m_autoSync.bandLost(); };
    // Already connected (attached late): the band counts as just connected.
    if (m_app.isConnected() && m_app.commandCharacteristic()) m_autoSync.bandReady();
}

void SyncAndRelay::detach() {
    if (!m_today) return;
    m_today->onBandReady = nullptr;
    m_today->onBandLost = nullptr;
    m_today = nullptr;
    m_autoSync.bandLost();
}

void SyncAndRelay::watchDesktop() {
    if (m_monitor) return;
    m_monitor =
        std::make_unique<DesktopNotificationMonitor>([this](const DesktopNotification& n) { m_relay.notify(n); });
    const QDBusConnection own = QDBusConnection::sessionBus();
    const std::string problem = m_monitor->start(own.isConnected() ? own.baseService() : QString());
    if (!problem.empty()) {
        m_monitor.reset();
        // Without the app's own session bus the start-up line has said so, naming the relay too:
        // the missing bus is one log line, not one per duty.
        m_relay.setMonitorProblem(problem, !own.isConnected());
    }
}

}  // namespace vantro::bluez
