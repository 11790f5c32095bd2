// SPDX-License-Identifier: MIT
// A BlueZ wristband's GATT side: service and characteristic discovery, and the request queue.
#include "bluez/bluez_peripheral.h"

#include "bluez/bluez_central.h"
#include "bluez/bluez_dbus.h"
#include "bluez/bluez_uuid.h"
#include "platform/strprintf.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLowEnergyDescriptor>
#include <QMetaObject>

#include <algorithm>

namespace vantro::bluez {
namespace {

Bytes toBytes(const QByteArray& value) {
    return Bytes(value.begin(), value.end());
}

QByteArray toQt(const Bytes& value) {
    return QByteArray(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size()));
}

bool contains(const std::vector<BleUuid>& filter, const BleUuid& uuid) {
    return filter.empty() || std::find(filter.begin(), filter.end(), uuid) != filter.end();
}

std::string describe(QLowEnergyService::ServiceError error) {
    switch (error) {
        case QLowEnergyService::OperationError:
            return "The operation is not possible in the current state.";
        case QLowEnergyService::CharacteristicWriteError:
            return "Writing the characteristic failed.";
        case QLowEnergyService::DescriptorWriteError:
            return "Writing the descriptor failed.";
        case QLowEnergyService::CharacteristicReadError:
            return "Reading the characteristic failed.";
        case QLowEnergyService::DescriptorReadError:
            return "Reading the descriptor failed.";
        default:
            return "The GATT request failed.";
    }
}

}  // namespace

// ---- discovery

void BluezPeripheral::discoverServices(const std::vector<BleUuid>& filter) {
    if (m_link != Link::Connected || !m_controller) {
        m_log.log("BlueZ cannot discover services of a peripheral that is not connected");
        return;
    }
    m_serviceFilter = filter;
    if (m_controller->state() == QLowEnergyController::DiscoveredState) {
        servicesDiscovered();
        return;
    }
    if (m_discoveringServices) return;
    m_discoveringServices = true;
    m_controller->discoverServices();
}

void BluezPeripheral::servicesDiscovered() {
    m_discoveringServices = false;
    if (!m_controller) return;
    for (const QBluetoothUuid& uuid : m_controller->services()) {
        const BleUuid id = toBleUuid(uuid);
        if (!contains(m_serviceFilter, id)) continue;
        const bool known =
            std::any_of(m_links.begin(), m_links.end(), [&](const auto& link) { return link->service->uuid == id; });
        if (known) continue;
        QLowEnergyService* qs = m_controller->createServiceObject(uuid, this);
        if (!qs) continue;
        auto link = std::make_unique<ServiceLink>();
        link->service = std::make_shared<BleService>();
        link->service->uuid = id;
        link->qt = qs;
        ServiceLink* l = link.get();
        connect(qs, &QLowEnergyService::stateChanged, this,
                [this, l](QLowEnergyService::ServiceState s) { serviceStateChanged(*l, s); });
        connect(qs, &QLowEnergyService::errorOccurred, this,
                [this, l](QLowEnergyService::ServiceError e) { serviceError(*l, e); });
        connect(qs, &QLowEnergyService::characteristicChanged, this,
                [this, l](const QLowEnergyCharacteristic& qc, const QByteArray& v) { notified(*l, qc, v); });
        connect(qs, &QLowEnergyService::characteristicRead, this,
                [this, l](const QLowEnergyCharacteristic& qc, const QByteArray& v) {
                    finishOp(*l, OpKind::Read, qc, {}, v);
                });
        connect(qs, &QLowEnergyService::characteristicWritten, this,
                [this, l](const QLowEnergyCharacteristic& qc, const QByteArray& v) {
                    finishOp(*l, OpKind::Write, qc, {}, v);
                });
        connect(qs, &QLowEnergyService::descriptorWritten, this,
                [this, l](const QLowEnergyDescriptor& d, const QByteArray& v) {
                    for (const auto& [c, qc] : l->characteristics) {
                        if (qc.clientCharacteristicConfiguration() == d) {
                            finishOp(*l, OpKind::Notify, qc, {}, v);
                            return;
                        }
                    }
                });
        m_links.push_back(std::move(link));
    }
    std::vector<BleServicePtr> services;
    for (const auto& link : m_links) services.push_back(link->service);
    post([services](BluezPeripheral& self) {
        self.m_services = services;
        if (self.m_delegate) self.m_delegate->didDiscoverServices(self, {});
    });
}

void BluezPeripheral::discoverCharacteristics(const std::vector<BleUuid>& filter, const BleServicePtr& service) {
    ServiceLink* link = linkFor(service);
    if (!link || !link->qt) {
        m_log.log("BlueZ cannot discover characteristics of a service it does not know");
        return;
    }
    link->filter = filter;
    if (link->qt->state() == QLowEnergyService::RemoteServiceDiscovered) {
        characteristicsDiscovered(*link);
        return;
    }
    if (link->discovering) return;
    link->discovering = true;
    link->qt->discoverDetails(QLowEnergyService::SkipValueDiscovery);
}

void BluezPeripheral::serviceStateChanged(ServiceLink& link, QLowEnergyService::ServiceState state) {
    if (state == QLowEnergyService::RemoteServiceDiscovered && link.discovering) {
        link.discovering = false;
        characteristicsDiscovered(link);
    }
}

void BluezPeripheral::characteristicsDiscovered(ServiceLink& link) {
    std::vector<BleCharacteristicPtr> found;
    for (const QLowEnergyCharacteristic& qc : link.qt->characteristics()) {
        const BleUuid id = toBleUuid(qc.uuid());
        if (!contains(link.filter, id)) continue;
        auto known = std::find_if(link.characteristics.begin(), link.characteristics.end(),
                                  [&](const auto& pair) { return pair.second == qc; });
        if (known != link.characteristics.end()) {
            found.push_back(known->first);
            continue;
        }
        auto c = std::make_shared<BleCharacteristic>();
        c->uuid = id;
        link.characteristics.emplace_back(c, qc);
        found.push_back(c);
    }
    post([service = link.service, found](BluezPeripheral& self) {
        service->characteristics = found;
        if (self.m_delegate) self.m_delegate->didDiscoverCharacteristicsForService(self, service, {});
    });
}

// ---- GATT requests

BluezPeripheral::ServiceLink* BluezPeripheral::linkFor(const BleServicePtr& service) {
    for (auto& link : m_links) {
        if (link->service == service) return link.get();
    }
    return nullptr;
}

BluezPeripheral::ServiceLink* BluezPeripheral::linkFor(const BleCharacteristicPtr& c, QLowEnergyCharacteristic* qc) {
    for (auto& link : m_links) {
        for (const auto& [mine, theirs] : link->characteristics) {
            if (mine == c) {
                *qc = theirs;
                return link.get();
            }
        }
    }
    return nullptr;
}

void BluezPeripheral::call(ServiceLink& link, Op op, const std::function<void()>& request) {
    link.pending.push_back(std::move(op));
    m_callingOp = &link.pending.back();
    request();
    m_callingOp = nullptr;
}

void BluezPeripheral::setNotifyValue(bool enabled, const BleCharacteristicPtr& c) {
    QLowEnergyCharacteristic qc;
    ServiceLink* link = linkFor(c, &qc);
    if (!link || !link->qt) {
        m_log.log("BlueZ cannot change notifications of a characteristic it does not know");
        return;
    }
    const QLowEnergyDescriptor cccd = qc.clientCharacteristicConfiguration();
    if (!cccd.isValid()) {
        post([c](BluezPeripheral& self) {
            if (self.m_delegate) {
                self.m_delegate->didUpdateNotificationStateForCharacteristic(
                    self, c, BleError{"The characteristic has no client characteristic configuration descriptor."});
            }
        });
        return;
    }
    QByteArray value = QLowEnergyCharacteristic::CCCDDisable;
    if (enabled) {
        value = (qc.properties() & QLowEnergyCharacteristic::Notify) ? QLowEnergyCharacteristic::CCCDEnableNotification
                                                                     : QLowEnergyCharacteristic::CCCDEnableIndication;
    }
    QLowEnergyService* qs = link->qt;
    call(*link, Op{OpKind::Notify, c, qc}, [&] { qs->writeDescriptor(cccd, value); });
}

void BluezPeripheral::readValueForCharacteristic(const BleCharacteristicPtr& c) {
    QLowEnergyCharacteristic qc;
    ServiceLink* link = linkFor(c, &qc);
    if (!link || !link->qt) {
        m_log.log("BlueZ cannot read a characteristic it does not know");
        return;
    }
    QLowEnergyService* qs = link->qt;
    call(*link, Op{OpKind::Read, c, qc}, [&] { qs->readCharacteristic(qc); });
}

void BluezPeripheral::writeValue(const Bytes& value, const BleCharacteristicPtr& c, BleWriteType type) {
    QLowEnergyCharacteristic qc;
    ServiceLink* link = linkFor(c, &qc);
    if (!link || !link->qt) {
        m_log.log("BlueZ cannot write a characteristic it does not know");
        return;
    }
    QLowEnergyService* qs = link->qt;
    if (type == BleWriteType::WithoutResponse) {
        qs->writeCharacteristic(qc, toQt(value), QLowEnergyService::WriteWithoutResponse);
        return;
    }
    call(*link, Op{OpKind::Write, c, qc},
         [&] { qs->writeCharacteristic(qc, toQt(value), QLowEnergyService::WriteWithResponse); });
}

void BluezPeripheral::serviceError(ServiceLink& link, QLowEnergyService::ServiceError error) {
    if (error == QLowEnergyService::NoError) return;
    const BleErrorOpt failure = BleError{describe(error)};
    if (m_callingOp) {
        // Refused on the spot: the request being made is the one that failed.
        auto it =
            std::find_if(link.pending.begin(), link.pending.end(), [&](const Op& op) { return &op == m_callingOp; });
        if (it != link.pending.end()) {
            const Op op = *it;
            link.pending.erase(it);
            m_callingOp = nullptr;
            reportOp(op, failure, {});
            return;
        }
    }
    if (link.discovering) {
        link.discovering = false;
        post([service = link.service, failure](BluezPeripheral& self) {
            if (self.m_delegate) self.m_delegate->didDiscoverCharacteristicsForService(self, service, failure);
        });
        return;
    }
    switch (error) {
        case QLowEnergyService::CharacteristicReadError:
            finishOp(link, OpKind::Read, {}, failure, {});
            break;
        case QLowEnergyService::CharacteristicWriteError:
            finishOp(link, OpKind::Write, {}, failure, {});
            break;
        case QLowEnergyService::DescriptorWriteError:
            finishOp(link, OpKind::Notify, {}, failure, {});
            break;
        default:
            m_log.log(strprintf("BlueZ GATT error: %s", describe(error).c_str()));
            break;
    }
}

void BluezPeripheral::finishOp(ServiceLink& link, OpKind kind, const QLowEnergyCharacteristic& qc,
                               const BleErrorOpt& error, const QByteArray& value) {
    // QtBluetooth answers one request at a time in the order they were made; a failure names no
    // characteristic, so it belongs to the oldest request of its kind.
    auto it = std::find_if(link.pending.begin(), link.pending.end(),
                           [&](const Op& op) { return op.kind == kind && (error || op.qt == qc); });
    if (it == link.pending.end()) return;
    const Op op = *it;
    link.pending.erase(it);
    reportOp(op, error, value);
}

void BluezPeripheral::reportOp(const Op& op, const BleErrorOpt& error, const QByteArray& value) {
    const BleCharacteristicPtr c = op.characteristic;
    switch (op.kind) {
        case OpKind::Read:
            post([c, error, bytes = toBytes(value)](BluezPeripheral& self) {
                if (!error) c->value = bytes;
                if (self.m_delegate) self.m_delegate->didUpdateValueForCharacteristic(self, c, error);
            });
            break;
        case OpKind::Write:
            post([c, error](BluezPeripheral& self) {
                if (self.m_delegate) self.m_delegate->didWriteValueForCharacteristic(self, c, error);
            });
            break;
        case OpKind::Notify: {
            const bool on = value.size() >= 1 && (static_cast<unsigned char>(value[0]) & 0x03) != 0;
            post([c, error, on](BluezPeripheral& self) {
                if (!error) c->isNotifying = on;
                if (self.m_delegate) self.m_delegate->didUpdateNotificationStateForCharacteristic(self, c, error);
            });
            break;
        }
    }
}

void BluezPeripheral::notified(ServiceLink& link, const QLowEnergyCharacteristic& qc, const QByteArray& value) {
    for (const auto& [c, theirs] : link.characteristics) {
        if (theirs == qc) {
            // The value is set when the app hears of it, so two quick reports each keep their own bytes.
            post([c = c, bytes = toBytes(value)](BluezPeripheral& self) {
                c->value = bytes;
                if (self.m_delegate) self.m_delegate->didUpdateValueForCharacteristic(self, c, {});
            });
            return;
        }
    }
}

}  // namespace vantro::bluez
