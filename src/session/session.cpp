// SPDX-License-Identifier: MIT
// The one composition root: the running companion built from the ports and a band source.
#include "session/session.h"

#include "link/audio_player.h"
#include "link/phone_event_relay.h"
#include "platform/paths.h"
#include "settings/json_key_value_store.h"
#include "settings/setting_commands.h"
#include "settings/settings_keys.h"

namespace vantro {

Session::Session(SessionPorts ports, BandSource& source) : m_ports(std::move(ports)), m_source(source) {
    // Whatever starts the companion, the settings it sends are the same: the first start writes the defaults.
    if (m_ports.settings.unavailableReason().empty()) initializeDefaults(m_ports.settings, m_ports.runLoop.wallNow());
    m_state.onChanged = [this](const CompanionState& before) { stateChanged(before); };
    m_app = std::make_unique<VantroAppDelegate>(m_ports, m_state);
    Audio_player::configure({m_ports.sound, m_ports.notifier, &m_ports.log, &m_ports.localizer});
    m_app->didFinishLaunchingWithOptions(&m_source.telephony(), telephonyRelay(*m_app, &m_messages));

    const bool simulated = m_source.simulated();
    m_state.apply(BackendChanged{simulated, m_source.whySimulated()});
    m_state.apply(FindMeChanged{m_ports.settings.integerForKey(kFindMe) == kFindMeOn});
    m_ports.log.log(simulated ? "Wristband: simulated" : "Wristband: Bluetooth through BlueZ");
    m_recordsDir = recordsDirectory(m_ports.dataDir, simulated);
    m_today = std::make_unique<VantroViewController>(
        *m_app, [this] { return m_source.makeCentral(); }, m_recordsDir);
    m_today->onLinkEvent = [this](VantroViewController::LinkEvent e, const BlePeripheralPtr& p) { linkEvent(e, p); };
    m_today->viewDidLoad();
    // Without a window every value the band sends is kept; a window narrows this to its rows on screen.
    std::vector<int> rows(TodayScreen::kRowCount);
    for (int r = 0; r < TodayScreen::kRowCount; ++r) rows[static_cast<size_t>(r)] = r;
    m_today->tableView().setVisibleRows(rows);
    m_today->showKnownValues();
    m_sync = std::make_unique<SettingsSync>(*m_app);
    m_autoSync = std::make_unique<AutoSync>(*m_app, *this);
    m_keeper = std::make_unique<LinkKeeper>(*this, m_ports.sleep);
    m_app->onWatchersChanged = [this] { m_keeper->radioChanged(); };
    m_relay = std::make_unique<NotificationRelay>(*m_app, m_messages, ownAppIds());
    if (DesktopNotificationSource* desktop = m_source.desktopNotifications()) {
        const std::string problem = desktop->start([this](const DesktopNotification& n) { m_relay->notify(n); });
        if (!problem.empty()) m_relay->setMonitorProblem(problem, desktop->problemLogged());
    }
    rememberBandSettings();
    m_autoSyncHours = m_autoSync->hours();
    if (m_ports.settingsWatch) {
        m_ports.settingsWatch->watch(JsonKeyValueStore::pathIn(configDirectory(m_ports.dataDir)), [this] {
            if (m_settingsCheck) return;
            m_settingsCheck = m_ports.runLoop.after(kSettingsSettleSeconds, [this] {
                m_settingsCheck = 0;
                settingsMayHaveChanged();
            });
        });
    }

    m_source.onRealBandUsable = [this] { switchToRealBand(); };
    m_source.onWhySimulatedChanged = [this] {
        m_state.apply(BackendChanged{m_source.simulated(), m_source.whySimulated()});
    };
}

Session::~Session() {
    m_source.onRealBandUsable = nullptr;
    m_source.onWhySimulatedChanged = nullptr;
    if (m_ports.settingsWatch) m_ports.settingsWatch->stop();
    if (m_settingsCheck) m_ports.runLoop.cancel(m_settingsCheck);
    // Add-ons use everything below: they go first, while the link and the delegate still stand.
    while (!m_addOns.empty()) m_addOns.pop_back();
    m_changeListeners.clear();
    m_linkListeners.clear();
    if (m_connectWaiter && m_connectWaiter->deadline) m_ports.runLoop.cancel(m_connectWaiter->deadline);
    m_today->onLinkEvent = nullptr;
    m_app->onWatchersChanged = nullptr;
    m_keeper.reset();
    if (DesktopNotificationSource* desktop = m_source.desktopNotifications()) desktop->stop();
    m_relay.reset();
    m_autoSync.reset();
    // The link goes before the alarm's ports and the delegate: first the controller, which lets go of the
    // central's and the band's callbacks (a central shared with a test outlives it), then the central.
    m_today.reset();
    m_app->manager.reset();
    m_sync.reset();
    Audio_player::resetSharedInstance();
    m_app.reset();
    m_state.onChanged = nullptr;
}

std::vector<std::string> Session::ownAppIds() {
    // The desktop entry, under its old and its new name, and the name the notifier gives.
    return {"org.vantro.Vantro", "vantro", "Vantro"};
}

CompanionState Session::state() const {
    return m_state.state();
}

void Session::stateChanged(const CompanionState& before) {
    if (m_today) m_today->stateChanged(before);
    changed();
}

void Session::switchToRealBand() {
    std::shared_ptr<BleCentral> real = m_source.takeRealCentral();
    if (!real) return;
    m_ports.log.log("Wristband: a Bluetooth adapter is usable now; switching from the simulated band to BlueZ");
    if (m_connectWaiter) finishConnect(false, "Bluetooth changed to the real adapter");
    m_app->syncProgress().interrupt("Bluetooth changed to the real adapter");
    m_state.apply(BackendChanged{false, {}});
    m_recordsDir = recordsDirectory(m_ports.dataDir, false);
    m_today->useCentral(std::move(real), m_recordsDir);
    m_keeper->centralReplaced();
}

void Session::linkEvent(VantroViewController::LinkEvent event, const BlePeripheralPtr& p) {
    using E = VantroViewController::LinkEvent;
    // A caller waiting for a band of its own choice takes precedence over going back to the chosen one.
    if (!(event == E::Discovered && m_connectWaiter)) m_keeper->linkEvent(event, p);
    switch (event) {
        case E::StateChanged:
        case E::Discovered:
            break;
        case E::Ready:
            m_autoSync->bandReady();
            break;
        case E::Connected:
            if (m_app->peripheral) m_ports.settings.setString(kChosenBand, m_app->peripheral->identifier());
            for (auto& [id, l] : std::map(m_linkListeners)) l(true);
            break;
        case E::Disconnected:
            m_autoSync->bandLost();
            for (auto& [id, l] : std::map(m_linkListeners)) l(false);
            break;
        case E::Report:
        case E::Signal:
            break;
    }
    checkConnectWaiter();
    // What the link does to the state is told by the state; the seen bands and Bluetooth's own state are not in it.
    if (event == E::Discovered || event == E::StateChanged) changed();
}

int Session::onChanged(std::function<void()> listener) {
    m_changeListeners.emplace(m_nextListener, std::move(listener));
    return m_nextListener++;
}

int Session::onLink(std::function<void(bool)> listener) {
    m_linkListeners.emplace(m_nextListener, std::move(listener));
    return m_nextListener++;
}

void Session::removeListener(int id) {
    m_changeListeners.erase(id);
    m_linkListeners.erase(id);
}

void Session::changed() {
    // A listener may call back into the session; one round at a time, over a copy it may change.
    if (m_notifying) return;
    m_notifying = true;
    const auto listeners = m_changeListeners;
    for (auto& [id, l] : listeners) {
        if (m_changeListeners.count(id)) l();
    }
    m_notifying = false;
}

std::string Session::chosenBand() const {
    return m_ports.settings.stringForKey(kChosenBand).value_or("");
}

void Session::rememberBandSettings() {
    m_bandSettings.clear();
    const Instant now = m_ports.runLoop.wallNow();
    for (std::string_view key : bandSettingKeys()) {
        if (auto c = commandForSetting(m_ports.settings, key, now)) m_bandSettings[c->type] = *c;
    }
}

void Session::settingsMayHaveChanged() {
    KeyValueStore& store = m_ports.settings;
    store.refresh();
    if (!store.unavailableReason().empty()) return;
    const Instant now = m_ports.runLoop.wallNow();
    bool any = false;
    for (std::string_view key : bandSettingKeys()) {
        const auto c = commandForSetting(store, key, now);
        if (!c) continue;
        auto it = m_bandSettings.find(c->type);
        if (it != m_bandSettings.end() && it->second == *c) continue;
        const bool linked = m_app->isConnected() && m_app->commandCharacteristic();
        // A running batch read the file before this change: send it once the sync is over.
        if (linked && syncing()) continue;
        m_bandSettings[c->type] = *c;
        any = true;
        if (linked) {
            m_ports.log.log("a setting changed in the settings file: " + std::string(key));
            m_app->SendData(*c);
        }
    }
    if (const std::int64_t hours = m_autoSync->hours(); hours != m_autoSyncHours) {
        m_autoSyncHours = hours;
        m_autoSync->settingChanged();
        any = true;
    }
    m_state.apply(FindMeChanged{store.integerForKey(kFindMe) == kFindMeOn});
    m_app->updateSignalTimer();  // find-me may have changed
    if (any) changed();
}

}  // namespace vantro
