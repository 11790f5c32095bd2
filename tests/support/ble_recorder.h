// SPDX-License-Identifier: MIT
// Every callback of a central and its peripherals as one line, in the order they arrive.
#pragma once

#include "platform/ble.h"
#include "platform/strprintf.h"

#include "fake_ble.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vantro::testing {

struct BleRecorder : BleCentralDelegate, BlePeripheralDelegate {
    /// What goes before each line (the virtual time, say), up to a blank; nothing by default.
    std::function<std::string()> stamp;
    std::vector<std::string> events;
    /// The peripherals discovered, by name ("(null)" for none).
    std::map<std::string, BlePeripheralPtr> seen;

    void centralManagerDidUpdateState(BleCentral& c) override {
        add(strprintf("state %d", static_cast<int>(c.state())));
    }
    void didDiscoverPeripheral(BleCentral&, const BlePeripheralPtr& p, double rssi) override {
        seen[p->name().value_or("(null)")] = p;
        add(strprintf("discover %s %.0f", p->name().value_or("(null)").c_str(), rssi));
    }
    void didConnectPeripheral(BleCentral&, const BlePeripheralPtr& p) override {
        p->setDelegate(this);
        add("connect " + p->name().value_or("(null)"));
    }
    void didDisconnectPeripheral(BleCentral&, const BlePeripheralPtr&, const BleErrorOpt& e) override {
        add(e ? "disconnect error" : "disconnect");
    }
    void didDiscoverServices(BlePeripheral& p, const BleErrorOpt& e) override {
        add(e ? "services error" : strprintf("services %zu", p.services().size()));
    }
    void didDiscoverCharacteristicsForService(BlePeripheral&, const BleServicePtr& s, const BleErrorOpt& e) override {
        add(e ? "characteristics error" : strprintf("characteristics %zu", s->characteristics.size()));
    }
    void didUpdateNotificationStateForCharacteristic(BlePeripheral&, const BleCharacteristicPtr& c,
                                                     const BleErrorOpt& e) override {
        add(strprintf("notifying %d%s", c->isNotifying ? 1 : 0, e ? " error" : ""));
    }
    void didUpdateValueForCharacteristic(BlePeripheral&, const BleCharacteristicPtr& c, const BleErrorOpt& e) override {
        add(e ? std::string("value error") : "value " + hex(c->value));
    }
    void didWriteValueForCharacteristic(BlePeripheral&, const BleCharacteristicPtr&, const BleErrorOpt& e) override {
        add(e ? "written error" : "written");
    }
    void peripheralDidUpdateRSSI(BlePeripheral& p, const BleErrorOpt&) override {
        add(strprintf("rssi %.0f", p.rssi().value_or(0)));
    }

    void add(const std::string& line) { events.push_back((stamp ? stamp() + " " : std::string()) + line); }
    /// How many lines, without their stamp, are exactly `line`.
    size_t count(const std::string& line) const {
        return std::count_if(events.begin(), events.end(),
                             [&](const std::string& e) { return e.substr(stamp ? e.find(' ') + 1 : 0) == line; });
    }
    bool has(const std::string& line) const { return count(line) > 0; }
    /// The lines after the first `from`, for checking one stretch of a conversation.
    std::vector<std::string> since(size_t from) const { return {events.begin() + from, events.end()}; }
};

}  // namespace vantro::testing
