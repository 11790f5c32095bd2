// SPDX-License-Identifier: MIT
// The one composition root: the running companion built from the ports and a band source.
#include "session/session.h"

#include "link/audio_player.h"
#include "link/phone_event_relay.h"
#include "platform/paths.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"
#include "settings/settings_keys.h"
#include "store/sqlite_data.h"

#include <algorithm>
#include <array>

namespace vantro {
namespace {

constexpr std::array<std::string_view, 6> kLinkStates = {"Disconnected", "Connected",     "ReConnecting",
                                                         "Connecting",   "Disconnecting", "Researching"};

bool startsWith(const std::string& text, const std::string& prefix) {
    return !prefix.empty() && text.rfind(prefix, 0) == 0;
}

}  // namespace

Session::Session(SessionPorts ports, BandSource& source) : m_ports(std::move(ports)), m_source(source) {
    m_app = std::make_unique<VantroAppDelegate>(m_ports);
    Audio_player::configure({m_ports.sound, m_ports.notifier, &m_ports.log});
    m_app->didFinishLaunchingWithOptions(&m_source.telephony(), telephonyRelay(*m_app, &m_messages));

    const bool simulated = m_source.simulated();
    m_app->simulatedBand = simulated;
    m_app->whySimulated = m_source.whySimulated();
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
    m_sync = std::make_unique<SettingsSync>(*m_app);
    LinkKeeper::Hooks hooks;
    hooks.chosenBand = [this] { return chosenBand(); };
    hooks.connect = [this](const BlePeripheralPtr& band) { startConnecting(band); };
    hooks.syncing = [this] { return syncing() || m_app->syncProgress().running(); };
    hooks.interruptSync = [this](const std::string& why) {
        m_app->syncProgress().linkLost();
        finishSync(false, "the sync was interrupted: " + why);
    };
    hooks.woke = [this] {
        for (auto& [id, l] : std::map(m_wakeListeners)) l();
    };
    m_keeper = std::make_unique<LinkKeeper>(*m_app, m_ports.sleep, std::move(hooks));
    m_app->onWatchersChanged = [this] { m_keeper->radioChanged(); };
    m_today->holdCallBack = [this](const BlePeripheralPtr& p) { return m_keeper->holdsCallBack(p); };

    m_source.onRealBandUsable = [this] { switchToRealBand(); };
    m_source.onWhySimulatedChanged = [this] {
        m_app->whySimulated = m_source.whySimulated();
        changed();
    };
}

Session::~Session() {
    m_source.onRealBandUsable = nullptr;
    m_source.onWhySimulatedChanged = nullptr;
    // Add-ons use everything below; the link goes before the alarm's ports and the delegate.
    while (!m_addOns.empty()) m_addOns.pop_back();
    m_changeListeners.clear();
    m_linkListeners.clear();
    if (m_connectWaiter && m_connectWaiter->deadline) m_ports.runLoop.cancel(m_connectWaiter->deadline);
    if (m_syncWaiter && m_syncWaiter->poll) m_ports.runLoop.cancel(m_syncWaiter->poll);
    m_today->onLinkEvent = nullptr;
    m_today->holdCallBack = nullptr;
    m_app->onWatchersChanged = nullptr;
    m_keeper.reset();
    m_wakeListeners.clear();
    // The source may keep the central (and its queued callbacks) a while longer: it must not call back.
    if (m_app->manager) m_app->manager->setDelegate(nullptr);
    m_app->manager.reset();
    m_today.reset();
    m_sync.reset();
    Audio_player::resetSharedInstance();
    m_app.reset();
}

void Session::switchToRealBand() {
    std::shared_ptr<BleCentral> real = m_source.takeRealCentral();
    if (!real) return;
    m_ports.log.log("Wristband: a Bluetooth adapter is usable now; switching from the simulated band to BlueZ");
    if (m_connectWaiter) finishConnect(false, "Bluetooth changed to the real adapter");
    if (m_syncWaiter) finishSync(false, "Bluetooth changed to the real adapter");
    m_app->simulatedBand = false;
    m_app->whySimulated.clear();
    m_recordsDir = recordsDirectory(m_ports.dataDir, false);
    m_today->useCentral(std::move(real), m_recordsDir);
    m_keeper->centralReplaced();
    changed();
}

void Session::linkEvent(VantroViewController::LinkEvent event, const BlePeripheralPtr& p) {
    using E = VantroViewController::LinkEvent;
    // A caller waiting for a band of its own choice takes precedence over going back to the chosen one.
    if (!(event == E::Discovered && m_connectWaiter)) m_keeper->linkEvent(event, p);
    switch (event) {
        case E::StateChanged:
        case E::Discovered:
        case E::Ready:
            break;
        case E::Connected:
            if (m_app->peripheral) m_ports.settings.setString(kChosenBand, m_app->peripheral->identifier());
            for (auto& [id, l] : std::map(m_linkListeners)) l(true);
            break;
        case E::Disconnected:
            if (m_syncWaiter) finishSync(false, "the band's link ended during the sync");
            for (auto& [id, l] : std::map(m_linkListeners)) l(false);
            break;
        case E::Report:
            if (m_syncWaiter) m_syncWaiter->lastReportAt = m_ports.runLoop.now();
            break;
        case E::Signal:
            break;
    }
    checkConnectWaiter();
    changed();
}

int Session::onChanged(std::function<void()> listener) {
    m_changeListeners.emplace(m_nextListener, std::move(listener));
    return m_nextListener++;
}

int Session::onLink(std::function<void(bool)> listener) {
    m_linkListeners.emplace(m_nextListener, std::move(listener));
    return m_nextListener++;
}

int Session::onWake(std::function<void()> listener) {
    m_wakeListeners.emplace(m_nextListener, std::move(listener));
    return m_nextListener++;
}

void Session::removeListener(int id) {
    m_changeListeners.erase(id);
    m_linkListeners.erase(id);
    m_wakeListeners.erase(id);
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

BlePeripheralPtr Session::findBand(const std::string& identifier) const {
    if (!m_app->bleList) return nullptr;
    const bleDevice* best = nullptr;
    for (const auto& [key, dev] : *m_app->bleList) {
        if (!dev.device) continue;
        if (!identifier.empty()) {
            if (dev.device->identifier() == identifier) return dev.device;
        } else if (!best || dev.rssi > best->rssi) {
            best = &dev;
        }
    }
    return best ? best->device : nullptr;
}

void Session::startConnecting(const BlePeripheralPtr& band) {
    if (m_app->isConnected() && m_app->peripheral != band) {
        m_app->disconnectPeripheral(m_app->peripheral);
        m_app->setStrBlueStatus("Disconnecting");
    }
    m_app->connectPeripheral(band);
    m_app->setStrBlueStatus("Connecting");
}

Session::Outcome Session::connect(const std::string& identifier, Done done, double timeout) {
    if (syncing()) return Outcome::Busy;
    m_keeper->userConnected();
    if (m_connectWaiter) finishConnect(false, "another connection was asked for");
    m_connectWaiter = ConnectWaiter{identifier, std::move(done)};
    m_connectWaiter->deadline = m_ports.runLoop.after(timeout, [this, identifier, timeout] {
        if (!m_connectWaiter) return;
        m_connectWaiter->deadline = 0;
        const bool seen = m_connectWaiter->requested;
        finishConnect(false, seen ? strprintf("the band did not connect within %.0f s", timeout)
                             : identifier.empty()
                                 ? strprintf("no band was seen within %.0f s", timeout)
                                 : strprintf("the band %s was not seen within %.0f s", identifier.c_str(), timeout));
    });
    checkConnectWaiter();
    return Outcome::Started;
}

void Session::checkConnectWaiter() {
    if (!m_connectWaiter) return;
    ConnectWaiter& w = *m_connectWaiter;
    const BlePeripheralPtr current = m_app->peripheral;
    const bool wanted =
        current && (w.identifier.empty() ? w.requested || m_app->isConnected() : current->identifier() == w.identifier);
    if (wanted && reportsSubscribed(*m_app)) {
        finishConnect(true, "connected to " + current->identifier());
        return;
    }
    if (w.requested) return;
    if (BlePeripheralPtr band = findBand(w.identifier)) {
        w.requested = true;
        if (!(m_app->isConnected() && m_app->peripheral == band)) startConnecting(band);
    }
}

void Session::finishConnect(bool ok, const std::string& message) {
    if (!m_connectWaiter) return;
    ConnectWaiter w = std::move(*m_connectWaiter);
    m_connectWaiter.reset();
    if (w.deadline) m_ports.runLoop.cancel(w.deadline);
    if (w.done) w.done(ok, message);
}

Session::Outcome Session::disconnect() {
    if (syncing()) return Outcome::Busy;
    if (m_connectWaiter) finishConnect(false, "a disconnection was asked for");
    m_keeper->userDisconnected();
    if (!m_app->peripheral) return Outcome::NotConnected;
    const bool connected = m_app->isConnected();
    const BlePeripheralPtr band = m_app->peripheral;
    // Forget the band for this run first, so the link-loss rules do not call it back.
    m_app->peripheral = nullptr;
    m_app->disconnectPeripheral(band);
    if (connected) m_app->setStrBlueStatus("Disconnecting");
    changed();
    return connected ? Outcome::Started : Outcome::NotConnected;
}

bool Session::syncing() const {
    if (m_syncWaiter) return true;
    const std::string& status = m_app->strTransmitStatus;
    return m_app->isConnected() &&
           (status == m_app->localized("Syncing") || status == m_app->localized("SyncStarting"));
}

Session::Outcome Session::sync(Done done) {
    if (syncing()) return Outcome::Busy;
    if (!reportsSubscribed(*m_app)) return Outcome::NotConnected;
    const double now = m_ports.runLoop.now();
    m_syncWaiter = SyncWaiter{std::move(done), now, 0, now};
    m_app->setStrTransmitStatus(m_app->localized("SyncStarting"));
    m_sync->SyncData();
    if (m_app->strTransmitStatus != m_app->localized("Syncing")) {
        finishSync(false, "the settings cannot be used: " + m_ports.settings.unavailableReason());
        return Outcome::Started;
    }
    // Polled only while a sync runs: the companion stays idle otherwise.
    m_syncWaiter->poll = m_ports.runLoop.every(0.25, [this] { checkSyncWaiter(); });
    changed();
    return Outcome::Started;
}

void Session::checkSyncWaiter() {
    if (!m_syncWaiter) return;
    const double now = m_ports.runLoop.now();
    const bool complete = startsWith(m_app->strTransmitStatus, m_app->localized("SyncComplete"));
    if (complete && now - m_syncWaiter->lastReportAt >= kSyncQuietSeconds) {
        if (!m_app->m_db->firstFailure().empty()) {
            finishSync(false, "the wristband's records were not all stored: " + m_app->m_db->firstFailure());
        } else {
            finishSync(true, "synced: " + m_app->strTransmitStatus);
        }
    } else if (now - m_syncWaiter->startedAt > kSyncLimitSeconds) {
        finishSync(false, strprintf("the band did not finish its sync within %.0f s", kSyncLimitSeconds));
    }
}

void Session::finishSync(bool ok, const std::string& message) {
    if (!m_syncWaiter) return;
    SyncWaiter w = std::move(*m_syncWaiter);
    m_syncWaiter.reset();
    if (w.poll) m_ports.runLoop.cancel(w.poll);
    if (!ok && m_app->strTransmitStatus == m_app->localized("Syncing")) {
        m_app->setStrTransmitStatus(m_app->localized("NoSync"));
    }
    if (w.done) w.done(ok, message);
    changed();
}

SessionStatus Session::status() const {
    SessionStatus s;
    const VantroAppDelegate& app = *m_app;
    for (std::string_view key : kLinkStates) {
        if (app.strBlueStatus == app.localized(key)) s.state = key;
    }
    if (s.state.empty()) s.state = app.strBlueStatus;
    if (app.peripheral) {
        s.bandId = app.peripheral->identifier();
        s.bandName = app.peripheral->name().value_or("");
    }
    s.simulated = app.simulatedBand;
    s.whySimulated = app.whySimulated.empty() ? std::string() : app.localized(app.whySimulated);
    const TodayScreen& table = m_today->tableView();
    auto text = [&](int row) {
        const std::string t = table.detailText(row).value_or("");
        // Placeholders ("-- steps") are not values.
        return t.rfind("--", 0) == 0 ? std::string() : t;
    };
    s.steps = text(TodayScreen::kSteps);
    s.distance = text(TodayScreen::kDistance);
    s.activeTime = text(TodayScreen::kActiveTime);
    s.calories = text(TodayScreen::kCalories);
    s.battery = text(TodayScreen::kBattery);
    s.signal = app.isConnected() ? text(TodayScreen::kRssi) : std::string();
    s.version = text(TodayScreen::kVersion);
    const std::string complete = app.localized("SyncComplete") + " ";
    if (startsWith(app.strTransmitStatus, complete)) s.lastSync = app.strTransmitStatus.substr(complete.size());
    s.syncing = syncing();
    s.findMe = m_ports.settings.integerForKey(kFindMe) == kFindMeOn;
    return s;
}

std::string Session::chosenBand() const {
    return m_ports.settings.stringForKey(kChosenBand).value_or("");
}

void Session::forgetBand() {
    m_ports.settings.setString(kChosenBand, "");
    m_keeper->userDisconnected();
}

}  // namespace vantro
