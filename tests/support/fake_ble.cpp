// SPDX-License-Identifier: MIT
// Scripted Bluetooth doubles.
#include "fake_ble.h"

#include "platform/strprintf.h"
#include "protocol/codes.h"

namespace vantro::testing {

BleServicePtr FakePeripheral::addWristbandService() {
    auto service = std::make_shared<BleService>();
    service->uuid = BleUuid::fromString(kWristbandServiceUuid);
    for (const char* uuid : {kReportCharacteristicUuid, kCommandCharacteristicUuid}) {
        auto c = std::make_shared<BleCharacteristic>();
        c->uuid = BleUuid::fromString(uuid);
        service->characteristics.push_back(c);
    }
    serviceList.push_back(service);
    return service;
}

BleCharacteristicPtr findCharacteristic(const BlePeripheral& p, const char* uuid) {
    const BleUuid wanted = BleUuid::fromString(uuid);
    for (const auto& s : p.services()) {
        for (const auto& c : s->characteristics) {
            if (c->uuid == wanted) return c;
        }
    }
    return nullptr;
}

std::vector<std::string> FakePeripheral::writtenFrames() const {
    std::vector<std::string> out;
    for (const auto& w : writes) out.push_back(hex(w.value));
    return out;
}

std::string hex(const Bytes& b) {
    std::string out;
    for (auto v : b) {
        if (!out.empty()) out += ' ';
        out += strprintf("%02X", v);
    }
    return out;
}

}  // namespace vantro::testing
