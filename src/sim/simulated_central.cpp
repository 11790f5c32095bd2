// SPDX-License-Identifier: MIT
// The simulated Bluetooth central: the built-in stand-in wherever no Bluetooth is available.
#include "sim/simulated_central.h"

#include "protocol/codes.h"

#include <algorithm>

namespace vantro {

SimulatedCentral::SimulatedCentral(RunLoop& loop, SimOptions options) : m_loop(loop), m_options(options) {}

SimulatedCentral::~SimulatedCentral() {
    if (m_advertTimer) m_loop.cancel(m_advertTimer);
    for (auto& band : m_bands) band->m_central = nullptr;
}

std::shared_ptr<SimulatedPeripheral> SimulatedCentral::addWristband(SimBandConfig config) {
    if (config.identifier.empty()) config.identifier = simWristbandIdentifier(static_cast<int>(m_bands.size()) + 1);
    auto band = std::make_shared<SimulatedPeripheral>(m_loop, std::move(config), m_options);
    band->start(this);
    m_bands.push_back(band);
    return band;
}

std::shared_ptr<SimulatedPeripheral> SimulatedCentral::find(const BlePeripheralPtr& p) const {
    for (const auto& band : m_bands) {
        if (band == p) return band;
    }
    return nullptr;
}

void SimulatedCentral::setDelegate(BleCentralDelegate* delegate) {
    m_delegate = delegate;
    if (!delegate) return;
    std::weak_ptr<int> alive = m_alive;
    m_loop.post([this, alive] {
        if (alive.expired()) return;
        if (m_powerUpPending) {
            m_powerUpPending = false;
            m_state = m_options.initialState;
        }
        if (m_delegate) m_delegate->centralManagerDidUpdateState(*this);
    });
}

void SimulatedCentral::setState(BleCentralState state) {
    m_powerUpPending = false;
    m_state = state;
    if (state != BleCentralState::PoweredOn) {
        stopScan();
        for (auto& band : m_bands) {
            if (band->m_connected) band->linkDown();
            band->m_connectPending = false;
        }
    }
    std::weak_ptr<int> alive = m_alive;
    m_loop.post([this, alive] {
        if (!alive.expired() && m_delegate) m_delegate->centralManagerDidUpdateState(*this);
    });
}

void SimulatedCentral::scanForPeripheralsWithServices(const std::vector<BleUuid>& services, bool allowDuplicates) {
    ++m_scanRequests;
    if (m_state != BleCentralState::PoweredOn) return;
    m_scanning = true;
    m_scanFilter = services;
    m_allowDuplicates = allowDuplicates;
    m_reported.clear();
    std::weak_ptr<int> alive = m_alive;
    m_loop.post([this, alive] {
        if (alive.expired()) return;
        if (m_remembersBands) reportRemembered();
        advertise();
    });
    if (!m_advertTimer) {
        m_advertTimer = m_loop.every(m_options.advertisementInterval, [this, alive] {
            if (!alive.expired()) advertise();
        });
    }
}

void SimulatedCentral::stopScan() {
    m_scanning = false;
    if (m_advertTimer) m_loop.cancel(m_advertTimer);
    m_advertTimer = 0;
}

void SimulatedCentral::reportRemembered() {
    if (!m_scanning || m_state != BleCentralState::PoweredOn) return;
    const auto bands = m_bands;
    for (const auto& band : bands) {
        if (band->m_connected || !band->m_heardAt) continue;
        if (m_delegate) m_delegate->didDiscoverPeripheral(*this, band, band->advertisementRssi());
    }
}

void SimulatedCentral::advertise() {
    if (!m_scanning || m_state != BleCentralState::PoweredOn) return;
    const BleUuid service = BleUuid::fromString(kWristbandServiceUuid);
    const bool wanted =
        m_scanFilter.empty() || std::find(m_scanFilter.begin(), m_scanFilter.end(), service) != m_scanFilter.end();
    if (!wanted) return;
    // Copy: a delegate may add or connect bands while hearing of one.
    const auto bands = m_bands;
    for (const auto& band : bands) {
        // A connected band stops advertising; one out of reach is not heard.
        if (band->m_connected || !band->inRange()) continue;
        band->m_heardAt = m_loop.now();
        if (!m_allowDuplicates && !m_reported.insert(band->identifier()).second) continue;
        if (m_delegate) m_delegate->didDiscoverPeripheral(*this, band, band->advertisementRssi());
    }
}

void SimulatedCentral::connectPeripheral(const BlePeripheralPtr& p, bool /*notifyOnConnection*/) {
    ++m_connectRequests;
    auto band = find(p);
    if (!band || m_state != BleCentralState::PoweredOn) return;
    if (band->m_connected) {
        // A real central reports the existing link again, so a caller waiting for it is not left hanging.
        std::weak_ptr<int> alive = m_alive;
        m_loop.post([this, alive, band] {
            if (!alive.expired() && band->m_connected && m_delegate) m_delegate->didConnectPeripheral(*this, band);
        });
        return;
    }
    band->m_connectPending = true;
    if (band->inRange()) scheduleConnection(band);
}

void SimulatedCentral::scheduleConnection(const std::shared_ptr<SimulatedPeripheral>& band) {
    std::weak_ptr<int> alive = m_alive;
    std::weak_ptr<SimulatedPeripheral> weak = band;
    m_loop.after(m_options.connectionDelay, [this, alive, weak] {
        auto b = weak.lock();
        if (alive.expired() || !b) return;
        if (!b->m_connectPending || b->m_connected || !b->inRange() || m_state != BleCentralState::PoweredOn) return;
        b->m_connectPending = false;
        b->linkUp();
        if (m_delegate) m_delegate->didConnectPeripheral(*this, b);
    });
}

void SimulatedCentral::cancelPeripheralConnection(const BlePeripheralPtr& p) {
    auto band = find(p);
    if (!band) return;
    if (band->m_connected) {
        band->linkDown();
    } else if (band->m_connectPending) {
        band->m_connectPending = false;
    } else {
        return;
    }
    postDisconnection(band, std::nullopt);
}

void SimulatedCentral::postDisconnection(const std::shared_ptr<SimulatedPeripheral>& band, BleErrorOpt error) {
    std::weak_ptr<int> alive = m_alive;
    m_loop.post([this, alive, band, error] {
        if (!alive.expired() && m_delegate) m_delegate->didDisconnectPeripheral(*this, band, error);
    });
}

void SimulatedCentral::linkLost(SimulatedPeripheral& band) {
    if (!band.m_connected) return;
    band.linkDown();
    postDisconnection(band.shared_from_this(), BleError{"The connection has timed out unexpectedly."});
}

void SimulatedCentral::cameInReach(SimulatedPeripheral& band) {
    if (band.m_connectPending) scheduleConnection(band.shared_from_this());
}

}  // namespace vantro
