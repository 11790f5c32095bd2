// SPDX-License-Identifier: MIT
// Scripted Bluetooth doubles: a central and peripherals that record every request and
// deliver callbacks only when the test says so.
#pragma once

#include "platform/ble.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantro::testing {

/// The first characteristic with `uuid` among the peripheral's services.
BleCharacteristicPtr findCharacteristic(const BlePeripheral& p, const char* uuid);

/// A peripheral whose services are set up by the test; requests are recorded, never answered by itself.
class FakePeripheral : public BlePeripheral {
public:
    FakePeripheral(std::string identifier, std::optional<std::string> name)
        : m_identifier(std::move(identifier)), m_name(std::move(name)) {}

    std::string identifier() const override { return m_identifier; }
    std::optional<std::string> name() const override { return m_name; }
    bool isConnected() const override { return connected; }
    std::optional<double> rssi() const override { return currentRssi; }
    void setDelegate(BlePeripheralDelegate* d) override { delegate = d; }
    const std::vector<BleServicePtr>& services() const override { return serviceList; }

    void discoverServices(const std::vector<BleUuid>& filter) override { serviceDiscoveries.push_back(filter); }
    void discoverCharacteristics(const std::vector<BleUuid>&, const BleServicePtr& s) override {
        characteristicDiscoveries.push_back(s);
    }
    void setNotifyValue(bool enabled, const BleCharacteristicPtr& c) override {
        notifyRequests.push_back({enabled, c});
    }
    void readValueForCharacteristic(const BleCharacteristicPtr& c) override { reads.push_back(c); }
    void writeValue(const Bytes& value, const BleCharacteristicPtr& c, BleWriteType type) override {
        writes.push_back({value, c, type});
    }
    void readRSSI() override { ++rssiReads; }

    /// Adds the wristband service with the command and report characteristics (plus any extra).
    BleServicePtr addWristbandService();
    BleCharacteristicPtr characteristic(const char* uuid) const { return findCharacteristic(*this, uuid); }
    /// Every value written so far, as hex.
    std::vector<std::string> writtenFrames() const;

    struct Write {
        Bytes value;
        BleCharacteristicPtr characteristic;
        BleWriteType type;
    };
    struct NotifyRequest {
        bool enabled;
        BleCharacteristicPtr characteristic;
    };

    std::string m_identifier;
    std::optional<std::string> m_name;
    bool connected = false;
    std::optional<double> currentRssi;
    BlePeripheralDelegate* delegate = nullptr;
    std::vector<BleServicePtr> serviceList;
    std::vector<std::vector<BleUuid>> serviceDiscoveries;
    std::vector<BleServicePtr> characteristicDiscoveries;
    std::vector<NotifyRequest> notifyRequests;
    std::vector<BleCharacteristicPtr> reads;
    std::vector<Write> writes;
    int rssiReads = 0;
};

/// A central that records scan, connect and cancel requests.
class FakeCentral : public BleCentral {
public:
    BleCentralState state() const override { return currentState; }
    void setDelegate(BleCentralDelegate* d) override { delegate = d; }
    void scanForPeripheralsWithServices(const std::vector<BleUuid>& services, bool allowDuplicates) override {
        scans.push_back({services, allowDuplicates});
    }
    void stopScan() override { ++stopScans; }
    void connectPeripheral(const BlePeripheralPtr& p, bool notify) override { connects.push_back({p, notify}); }
    void cancelPeripheralConnection(const BlePeripheralPtr& p) override { cancels.push_back(p); }
    std::string unavailableReason() const override { return reason; }
    std::string signalSource() const override { return source; }
    void watchForPeripheralsWithServices(const std::vector<BleUuid>& services) override { watches.push_back(services); }
    bool watching() const override { return watchActive && !watches.empty() && !watches.back().empty(); }

    struct Scan {
        std::vector<BleUuid> services;
        bool allowDuplicates;
    };
    struct Connect {
        BlePeripheralPtr peripheral;
        bool notifyOnConnection;
    };
    BleCentralState currentState = BleCentralState::Unknown;
    std::string reason, source;
    BleCentralDelegate* delegate = nullptr;
    std::vector<Scan> scans;
    int stopScans = 0;
    std::vector<Connect> connects;
    std::vector<BlePeripheralPtr> cancels;
    std::vector<std::vector<BleUuid>> watches;  // every watch asked for; empty ends it
    bool watchActive = false;                   // the platform has the watch in place once asked
};

/// The scripted band of the tests on a scripted central.
inline std::shared_ptr<FakePeripheral> scriptedBand() {
    return std::make_shared<FakePeripheral>("8A7C2E1F-0000-4000-8000-00000000A001", "Vantro");
}

/// "08 07 DE" for tests' messages.
std::string hex(const Bytes& b);

}  // namespace vantro::testing
