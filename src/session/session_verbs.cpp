// SPDX-License-Identifier: MIT
// The companion's verbs: connect, disconnect, sync, apply a setting, find-me, factory reset, forget, rescan.
#include "session/session.h"

#include "link/audio_player.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"
#include "settings/settings_keys.h"
#include "store/sqlite_data.h"

#include <algorithm>
#include <cctype>

namespace vantro {
namespace {

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

/// The band named by `id`: its identifier or its Bluetooth address, in either case.
bool names(const BlePeripheral& band, const std::string& id) {
    const std::string address = band.bluetoothAddress();
    return sameText(band.identifier(), id) || (!address.empty() && sameText(address, id));
}

}  // namespace

BlePeripheralPtr Session::findBand(const std::string& identifier) const {
    if (!m_app->bleList) return nullptr;
    const bleDevice* best = nullptr;
    for (const auto& [key, dev] : *m_app->bleList) {
        if (!dev.device) continue;
        if (!identifier.empty()) {
            if (names(*dev.device, identifier)) return dev.device;
        } else if (!best || dev.rssi > best->rssi) {
            best = &dev;
        }
    }
    return best ? best->device : nullptr;
}

void Session::startConnecting(const BlePeripheralPtr& band) {
    if (m_app->isConnected() && m_app->peripheral != band) {
        m_app->disconnectPeripheral(m_app->peripheral);
        m_app->setLinkState(LinkState::Disconnecting);
    }
    m_app->connectPeripheral(band);
    m_app->setLinkState(LinkState::Connecting);
}

Companion::Outcome Session::connect(const std::string& identifier, Done done, double timeout) {
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
    changed();
    return Outcome::Started;
}

void Session::checkConnectWaiter() {
    if (!m_connectWaiter) return;
    ConnectWaiter& w = *m_connectWaiter;
    const BlePeripheralPtr current = m_app->peripheral;
    const bool wanted =
        current && (w.identifier.empty() ? w.requested || m_app->isConnected() : names(*current, w.identifier));
    if (wanted && reportsSubscribed(*m_app)) {
        // The band asked for by name is the chosen one from now on, also when it was connected already.
        m_ports.settings.setString(kChosenBand, current->identifier());
        finishConnect(true, current->identifier());
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

Companion::Outcome Session::disconnect() {
    if (m_connectWaiter) finishConnect(false, "a disconnection was asked for");
    m_keeper->userDisconnected();
    if (!m_app->peripheral) return Outcome::NotConnected;
    const bool connected = m_app->isConnected();
    const BlePeripheralPtr band = m_app->peripheral;
    // Forget the band for this run first, so the link-loss rules do not call it back.
    m_app->peripheral = nullptr;
    m_app->disconnectPeripheral(band);
    if (connected) m_app->setLinkState(LinkState::Disconnecting);
    // The link's end would say so too, but this band is no longer the one being watched.
    m_app->syncProgress().linkLost();
    changed();
    return connected ? Outcome::Started : Outcome::NotConnected;
}

Companion::Outcome Session::sync(Done done) {
    // Asked again while one runs (the automatic sync a connect started): the answer is that sync's.
    if (syncing()) {
        m_app->syncProgress().ask(std::move(done));
        return Outcome::Started;
    }
    if (!reportsSubscribed(*m_app)) return Outcome::NotConnected;
    // A write that failed in an earlier sync (a file held by another program) is not this sync's failure.
    if (m_app->m_db) m_app->m_db->forgetFailures();
    // Settings that could not be read at start and can be now were never initialised: the band gets
    // the same fourteen commands as after any other start.
    m_ports.settings.refresh();
    if (m_ports.settings.unavailableReason().empty()) initializeDefaults(m_ports.settings, m_ports.runLoop.wallNow());
    m_app->syncProgress().ask(std::move(done));
    if (m_sync->SyncData()) rememberBandSettings();
    return Outcome::Started;
}

bool Session::applySetting(std::string_view key) {
    const bool sent = m_sync->applySetting(key);
    if (sent) rememberBandSettings();
    // What the stored value means for the companion itself (find-me, the automatic sync's plan).
    m_state.apply(FindMeChanged{m_ports.settings.integerForKey(kFindMe) == kFindMeOn});
    if (const std::int64_t hours = m_autoSync->hours(); hours != m_autoSyncHours) {
        m_autoSyncHours = hours;
        m_autoSync->settingChanged();
    }
    m_app->updateSignalTimer();
    changed();
    return sent;
}

void Session::setFindMe(bool on) {
    if (!on) Audio_player::sharedInstance().stopPlayingAlarmSound();
    m_ports.settings.setInteger(kFindMe, on ? kFindMeOn : kFindMeOff);
    applySetting(kFindMe);
}

bool Session::factoryReset() {
    m_app->SendData(factoryResetCommand());
    const bool erased = m_app->m_db && m_app->m_db->clearData();
    changed();
    return erased;
}

void Session::forgetBand() {
    m_ports.settings.setString(kChosenBand, "");
    m_keeper->userDisconnected();
    changed();
}

void Session::rescan() {
    if (m_connectWaiter) finishConnect(false, "the bands are being looked for again");
    // The user looks for bands to pick from: the link they end stays ended until one is picked.
    m_keeper->userDisconnected();
    if (m_app->isConnected()) {
        m_app->disconnectPeripheral(m_app->peripheral);
        m_app->setLinkState(LinkState::Researching);
    }
    if (m_app->bleList) m_app->bleList->clear();
    m_app->startScanning();
    m_app->peripheral = nullptr;
    changed();
}

}  // namespace vantro
