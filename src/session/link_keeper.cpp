// SPDX-License-Identifier: MIT
// Keeps the companion on its chosen band through a phone's day: back after every loss, quiet on the
// radio, aware of the machine's sleep.
#include "session/link_keeper.h"

#include "session/session.h"

#include "platform/setting_keys.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"

#include <algorithm>
#include <cmath>

namespace vantro {

LinkKeeper::LinkKeeper(Session& session, SleepWatch* sleep)
    : m_session(session), m_app(session.app()), m_sleep(sleep), m_radio(session.app()) {
    if (m_sleep) m_sleep->onPrepareForSleep = [this](bool sleeping) { prepareForSleep(sleeping); };
}

LinkKeeper::~LinkKeeper() {
    if (m_holdCheck) m_app.runLoop().cancel(m_holdCheck);
    if (m_pauseTimer) m_app.runLoop().cancel(m_pauseTimer);
    if (m_sleep) {
        m_sleep->onPrepareForSleep = nullptr;
        m_sleep->holdSleep(false);
    }
}

bool reportsSubscribed(const VantroAppDelegate& app) {
    if (!app.characteristic || !app.isConnected()) return false;
    const BleUuid report = BleUuid::fromString(kReportCharacteristicUuid);
    return std::any_of(app.characteristic->begin(), app.characteristic->end(),
                       [&](const BleCharacteristicPtr& c) { return c && c->uuid == report && c->isNotifying; });
}

bool LinkKeeper::findMeOn() const {
    return m_app.settings().integerForKey(kFindMe) == kFindMeOn;
}

std::string LinkKeeper::chosenBand() const {
    return m_session.chosenBand();
}

bool LinkKeeper::refused(bool error) const {
    return !m_ready && (!error || m_unreadyLosses >= kLossesBeforeRefusal - 1);
}

double LinkKeeper::pause() const {
    return std::max(0.0, m_notBefore - m_app.runLoop().now());
}

void LinkKeeper::linkEvent(VantroViewController::LinkEvent event, const BlePeripheralPtr& p) {
    using E = VantroViewController::LinkEvent;
    switch (event) {
        case E::StateChanged: {
            const bool on = m_app.manager && m_app.manager->state() == BleCentralState::PoweredOn;
            if (on && !m_wasPoweredOn && !m_held) {
                // Bluetooth came back: every loss it caused is over, so no pause either.
                m_armed = true;
                m_notBefore = 0;
                renewPendingRequest();
            }
            m_wasPoweredOn = on;
            m_radio.centralStateChanged();
            break;
        }
        case E::Discovered:
            sawBand(p);
            break;
        case E::Connected:
            m_held = false;
            m_armed = false;
            m_ready = false;
            break;
        case E::Disconnected:
            lost(p);
            m_ready = false;
            break;
        case E::Ready:
        case E::Report:
        case E::Signal:
            break;
    }
    if (!m_ready && reportsSubscribed(m_app)) {
        m_ready = true;
        m_unreadyLosses = 0;
        m_refusals = 0;
        m_notBefore = 0;
    }
    if (event != E::StateChanged) m_radio.update();
    updateSleepHold();
}

void LinkKeeper::sawBand(const BlePeripheralPtr& p) {
    const std::string chosen = chosenBand();
    if (!m_armed || m_held || m_suspended || !p || chosen.empty() || p->identifier() != chosen || m_app.isConnected())
        return;
    if (m_app.runLoop().now() < m_notBefore) return;
    // A band bluetoothd only remembers (listed without a signal when a scan starts) was not heard.
    if (m_app.bleList) {
        const auto seen = m_app.bleList->find(seenDeviceKey(*p));
        if (seen != m_app.bleList->end() && seen->second.rssi == 0) return;
    }
    // Nor was one listed with the reading it had before the loss: only an advertisement heard since says
    // that the band is near again.
    const auto heard = p->heardAt();
    if (m_lostAt && heard && *heard <= *m_lostAt) return;
    // With find-me on, the lost band's own pending request is under way ("ReConnecting").
    if (findMeOn() && m_app.peripheral && m_app.peripheral->identifier() == chosen) return;
    m_app.log().log("reconnecting to the chosen band " + chosen);
    m_armed = false;
    m_session.startConnecting(p);
}

void LinkKeeper::lost(const BlePeripheralPtr& p) {
    if (m_held) return;
    // Lost to the suspend (or its request cancelled for it): taken up on waking, no refusal.
    if (m_suspended) {
        m_armed = true;
        return;
    }
    const std::string chosen = chosenBand();
    // With find-me on the band the screens say is "ReConnecting" is asked for again, at once or after a pause.
    const bool callBack = findMeOn() && p && p == m_app.peripheral;
    if (!p || chosen.empty() || p->identifier() != chosen) {
        if (callBack && !m_suspended) m_app.connectPeripheral(p);
        return;
    }
    m_lostAt = m_app.runLoop().now();
    const bool refusal = refused(m_session.today().lastLossWasError());
    if (!m_ready) ++m_unreadyLosses;
    if (refusal) {
        // The band took the link but not the subscription, or dropped it at once: do not hammer it.
        ++m_refusals;
        const double pause = std::min(kMaxPauseSeconds, kFirstPauseSeconds * std::pow(2.0, m_refusals - 1));
        m_notBefore = m_app.runLoop().now() + pause;
        m_app.log().log(strprintf("the band %s did not take the link; trying again in %.0f s", chosen.c_str(), pause));
        m_app.setLinkState(LinkState::Refused);
        // With find-me on its request waits out the pause too.
        if (m_pauseTimer) m_app.runLoop().cancel(m_pauseTimer);
        m_pauseTimer = m_app.runLoop().after(pause, [this] {
            m_pauseTimer = 0;
            if (!m_held) renewPendingRequest();
        });
    } else if (callBack) {
        renewPendingRequest();
    }
    m_armed = true;
}

void LinkKeeper::userDisconnected() {
    m_held = true;
    m_armed = false;
}

void LinkKeeper::userConnected() {
    m_held = false;
    m_refusals = 0;
    m_notBefore = 0;
}

void LinkKeeper::centralReplaced() {
    m_armed = !m_held;
    m_wasPoweredOn = false;
    m_radio.centralStateChanged();
}

void LinkKeeper::prepareForSleep(bool sleeping) {
    if (sleeping) {
        m_suspended = true;
        // A sync cannot outlive the suspend: it ends now as interrupted, with what it stored kept, and is
        // taken up once the band is back. The machine may sleep at once: no lock is held or taken.
        m_app.syncProgress().interrupt("the machine is going to sleep");
        updateSleepHold();
        m_radio.setSuspended(true);
        // A pending request would go on asking for the band through the suspend.
        if (m_app.peripheral && !m_app.isConnected()) m_app.disconnectPeripheral(m_app.peripheral);
        return;
    }
    m_suspended = false;
    m_app.log().log("awake: looking for the chosen band again");
    if (!m_held) m_armed = true;
    m_refusals = 0;
    m_notBefore = 0;
    m_radio.setSuspended(false);
    renewPendingRequest();
    m_session.autoSync().woke();
}

void LinkKeeper::renewPendingRequest() {
    // With find-me on the lost band's request stays pending; one that waited out a pause the sleep
    // stretched, or that a central dropped with its power, is asked for again now.
    if (m_app.peripheral && !m_app.isConnected() && findMeOn() && m_app.manager && !m_suspended) {
        m_app.connectPeripheral(m_app.peripheral);
    }
}

void LinkKeeper::updateSleepHold() {
    if (!m_sleep) return;
    const bool want = m_session.syncing() && !m_suspended;
    if (want == m_sleep->holdingSleep()) return;
    m_sleep->holdSleep(want);
    if (m_holdCheck) m_app.runLoop().cancel(m_holdCheck);
    m_holdCheck = 0;
    // A sync ends on a timer as often as on an event: look again while it holds the machine awake.
    if (want) m_holdCheck = m_app.runLoop().every(kSleepHoldCheckSeconds, [this] { updateSleepHold(); });
}

}  // namespace vantro
