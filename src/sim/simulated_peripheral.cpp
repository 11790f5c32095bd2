// SPDX-License-Identifier: MIT
// One simulated wristband as the central sees it: GATT answers, notifications, signal strength, faults.
#include "sim/simulated_peripheral.h"

#include "protocol/codes.h"
#include "sim/simulated_central.h"

#include <algorithm>

namespace vantro {

std::string SimulatedPeripheral::bluetoothAddress() const {
    const std::string& id = m_config.identifier;
    if (id.size() < 12) return {};
    std::string address;
    for (std::size_t i = id.size() - 12; i < id.size(); i += 2) {
        if (!address.empty()) address += ':';
        address += id.substr(i, 2);
    }
    return address;
}
namespace {

const char* kDeviceInformationService = "180A";
const char* kManufacturerNameCharacteristic = "2A29";

BleCharacteristicPtr makeCharacteristic(const char* uuid, Bytes value = {}) {
    auto c = std::make_shared<BleCharacteristic>();
    c->uuid = BleUuid::fromString(uuid);
    c->value = std::move(value);
    return c;
}

bool passes(const std::vector<BleUuid>& filter, const BleUuid& uuid) {
    return filter.empty() || std::find(filter.begin(), filter.end(), uuid) != filter.end();
}

}  // namespace

SimulatedPeripheral::SimulatedPeripheral(RunLoop& loop, SimBandConfig config, SimOptions options)
    : m_loop(loop),
      m_config(std::move(config)),
      m_options(options),
      m_firmware(m_config.firmware),
      m_distance(m_config.distance) {}

SimulatedPeripheral::~SimulatedPeripheral() {
    if (m_pushTimer) m_loop.cancel(m_pushTimer);
}

void SimulatedPeripheral::start(SimulatedCentral* central) {
    m_central = central;
    if (m_options.currentDataInterval > 0 && !m_pushTimer) {
        const double interval = m_options.currentDataInterval;
        std::weak_ptr<SimulatedPeripheral> weak = weak_from_this();
        m_pushTimer = m_loop.every(interval, [weak, interval] {
            auto self = weak.lock();
            if (!self) return;
            self->m_firmware.advance(interval);
            if (self->m_connected && self->m_reportCharacteristic && self->m_reportCharacteristic->isNotifying) {
                self->queueNotification(self->m_firmware.currentDataReport());
            }
        });
    }
}

void SimulatedPeripheral::linkUp() {
    m_connected = true;
    m_airFreeAt = m_loop.now();
}

void SimulatedPeripheral::linkDown() {
    m_connected = false;
    ++m_generation;
    m_inFlight = 0;
    m_services.clear();
    if (m_reportCharacteristic) m_reportCharacteristic->isNotifying = false;
    m_reportCharacteristic.reset();
    m_commandCharacteristic.reset();
}

void SimulatedPeripheral::onAir(double cost, std::function<void(SimulatedPeripheral&)> fn) {
    const double now = m_loop.now();
    const double at = std::max(now, m_airFreeAt) + std::max(cost, 0.0);
    m_airFreeAt = at;
    std::weak_ptr<SimulatedPeripheral> weak = weak_from_this();
    auto task = [weak, generation = m_generation, fn = std::move(fn)] {
        auto self = weak.lock();
        if (!self || self->m_generation != generation || !self->m_connected) return;
        fn(*self);
    };
    if (at <= now) {
        m_loop.post(std::move(task));
    } else {
        m_loop.after(at - now, std::move(task));
    }
}

bool SimulatedPeripheral::isOwn(const BleCharacteristicPtr& c) const {
    for (const auto& s : m_services) {
        if (std::find(s->characteristics.begin(), s->characteristics.end(), c) != s->characteristics.end()) {
            return true;
        }
    }
    return false;
}

void SimulatedPeripheral::discoverServices(const std::vector<BleUuid>& filter) {
    if (!m_connected) return;
    onAir(m_options.responseDelay, [filter](SimulatedPeripheral& self) {
        // Every discovery hands out fresh objects, as the platform does for each connection.
        std::vector<BleServicePtr> found;
        for (const char* uuid : {kWristbandServiceUuid, kDeviceInformationService}) {
            if (self.m_hideWristbandService && uuid == kWristbandServiceUuid) continue;
            auto s = std::make_shared<BleService>();
            s->uuid = BleUuid::fromString(uuid);
            if (passes(filter, s->uuid)) found.push_back(s);
        }
        self.m_services = std::move(found);
        self.m_reportCharacteristic.reset();
        self.m_commandCharacteristic.reset();
        if (self.m_delegate) self.m_delegate->didDiscoverServices(self, std::nullopt);
    });
}

void SimulatedPeripheral::discoverCharacteristics(const std::vector<BleUuid>& filter, const BleServicePtr& service) {
    if (!m_connected) return;
    onAir(m_options.responseDelay, [filter, service](SimulatedPeripheral& self) {
        if (!service || std::find(self.m_services.begin(), self.m_services.end(), service) == self.m_services.end()) {
            if (self.m_delegate) {
                self.m_delegate->didDiscoverCharacteristicsForService(
                    self, service, BleError{"The service was not found on the device."});
            }
            return;
        }
        std::vector<BleCharacteristicPtr> found;
        if (service->uuid == BleUuid::fromString(kWristbandServiceUuid)) {
            self.m_reportCharacteristic = makeCharacteristic(kReportCharacteristicUuid);
            self.m_commandCharacteristic = makeCharacteristic(kCommandCharacteristicUuid);
            found = {self.m_reportCharacteristic, self.m_commandCharacteristic};
        } else {
            const std::string maker = "Vantro";
            found = {makeCharacteristic(kManufacturerNameCharacteristic, Bytes(maker.begin(), maker.end()))};
        }
        service->characteristics.clear();
        for (auto& c : found) {
            if (passes(filter, c->uuid)) service->characteristics.push_back(c);
        }
        if (self.m_delegate) self.m_delegate->didDiscoverCharacteristicsForService(self, service, std::nullopt);
    });
}

void SimulatedPeripheral::setNotifyValue(bool enabled, const BleCharacteristicPtr& c) {
    if (!m_connected || !c) return;
    onAir(m_options.responseDelay, [enabled, c](SimulatedPeripheral& self) {
        BleErrorOpt error;
        if (c != self.m_reportCharacteristic) {
            c->isNotifying = false;
            error = BleError{"The request is not supported."};
        } else if (enabled && self.m_refuseNotifications) {
            c->isNotifying = false;
            error = BleError{"The attribute could not be written."};
        } else {
            c->isNotifying = enabled;
        }
        if (self.m_delegate) self.m_delegate->didUpdateNotificationStateForCharacteristic(self, c, error);
    });
}

void SimulatedPeripheral::readValueForCharacteristic(const BleCharacteristicPtr& c) {
    if (!m_connected || !c) return;
    onAir(m_options.responseDelay, [c](SimulatedPeripheral& self) {
        BleErrorOpt error;
        if (c == self.m_reportCharacteristic) {
            c->value = self.m_firmware.currentDataReport();
        } else if (c == self.m_commandCharacteristic || !self.isOwn(c)) {
            error = BleError{"Reading is not permitted."};
        }
        if (self.m_delegate) self.m_delegate->didUpdateValueForCharacteristic(self, c, error);
    });
}

void SimulatedPeripheral::writeValue(const Bytes& value, const BleCharacteristicPtr& c, BleWriteType type) {
    if (!m_connected || !c) return;
    const bool accepted = c == m_commandCharacteristic;
    std::vector<Bytes> reports;
    if (accepted) reports = m_firmware.receive(value);
    if (type == BleWriteType::WithResponse) {
        onAir(m_options.responseDelay, [c, accepted](SimulatedPeripheral& self) {
            BleErrorOpt error;
            if (!accepted) error = BleError{"Writing is not permitted."};
            if (self.m_delegate) self.m_delegate->didWriteValueForCharacteristic(self, c, error);
        });
    }
    for (auto& r : reports) queueNotification(std::move(r));
}

void SimulatedPeripheral::readRSSI() {
    if (!m_connected) return;
    // The signal is measured by the phone's own radio, so the answer does not wait for the air.
    std::weak_ptr<SimulatedPeripheral> weak = weak_from_this();
    m_loop.post([weak, generation = m_generation] {
        auto self = weak.lock();
        if (!self || self->m_generation != generation || !self->m_connected) return;
        self->m_rssi = simRssiAtDistance(self->m_distance);
        if (self->m_delegate) self->m_delegate->peripheralDidUpdateRSSI(*self, std::nullopt);
    });
}

void SimulatedPeripheral::queueNotification(Bytes value) {
    if (!m_connected || !m_reportCharacteristic || !m_reportCharacteristic->isNotifying) {
        ++m_dropped;
        return;
    }
    ++m_inFlight;
    onAir(m_options.notificationDelay, [value = std::move(value)](SimulatedPeripheral& self) {
        --self.m_inFlight;
        const auto c = self.m_reportCharacteristic;
        if (!c || !c->isNotifying) {
            ++self.m_dropped;
            return;
        }
        c->value = value;
        if (self.m_delegate) self.m_delegate->didUpdateValueForCharacteristic(self, c, std::nullopt);
    });
}

void SimulatedPeripheral::setDistance(double metres) {
    const bool wasInRange = inRange();
    m_distance = metres;
    if (!m_central) return;
    if (wasInRange && !inRange()) m_central->linkLost(*this);
    if (!wasInRange && inRange()) m_central->cameInReach(*this);
}

void SimulatedPeripheral::dropLink() {
    if (m_central) m_central->linkLost(*this);
}

void SimulatedPeripheral::pressEmergencyButton() {
    queueNotification(WristbandFirmware::emergencyCallReport());
}

void SimulatedPeripheral::notifyValue(const Bytes& value) {
    queueNotification(value);
}

}  // namespace vantro
