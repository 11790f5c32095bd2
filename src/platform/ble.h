// SPDX-License-Identifier: MIT
// The Bluetooth Low Energy central role as the app uses it: scan, connect, GATT, signal strength.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

using Bytes = std::vector<std::uint8_t>;

/// A 16-bit or 128-bit GATT identifier, kept as its bytes (most significant first).
class BleUuid {
public:
    BleUuid() = default;
    /// Accepts "2902" or "14701820-620A-3973-7C78-9CFFF0876ABD" (any case); anything else gives an empty uuid.
    static BleUuid fromString(std::string_view text);
    static BleUuid fromBytes(Bytes data) {
        BleUuid u;
        u.m_data = std::move(data);
        return u;
    }
    const Bytes& data() const { return m_data; }
    bool empty() const { return m_data.empty(); }
    /// "2902" for 16-bit ids, else the canonical upper-case form with hyphens.
    std::string toString() const;
    bool operator==(const BleUuid& other) const { return m_data == other.m_data; }

private:
    Bytes m_data;
};

/// An error of a platform request, with its localized description.
struct BleError {
    std::string localizedDescription;
};
using BleErrorOpt = std::optional<BleError>;

/// One characteristic of a discovered service; identity is the object.
struct BleCharacteristic {
    BleUuid uuid;
    Bytes value;
    bool isNotifying = false;
};
using BleCharacteristicPtr = std::shared_ptr<BleCharacteristic>;

/// One discovered service with the characteristics discovered so far.
struct BleService {
    BleUuid uuid;
    std::vector<BleCharacteristicPtr> characteristics;
};
using BleServicePtr = std::shared_ptr<BleService>;

enum class BleWriteType { WithResponse = 0, WithoutResponse = 1 };

class BlePeripheral;

/// Receives the answers of one peripheral, in the platform's order, on the run loop.
class BlePeripheralDelegate {
public:
    virtual ~BlePeripheralDelegate() = default;
    virtual void didDiscoverServices(BlePeripheral& p, const BleErrorOpt& error) = 0;
    virtual void didDiscoverCharacteristicsForService(BlePeripheral& p, const BleServicePtr& service,
                                                      const BleErrorOpt& error) = 0;
    virtual void didUpdateNotificationStateForCharacteristic(BlePeripheral& p, const BleCharacteristicPtr& c,
                                                             const BleErrorOpt& error) = 0;
    virtual void didUpdateValueForCharacteristic(BlePeripheral& p, const BleCharacteristicPtr& c,
                                                 const BleErrorOpt& error) = 0;
    virtual void didWriteValueForCharacteristic(BlePeripheral& p, const BleCharacteristicPtr& c,
                                                const BleErrorOpt& error) = 0;
    virtual void peripheralDidUpdateRSSI(BlePeripheral& p, const BleErrorOpt& error) = 0;
};

/// A remote wristband as the central sees it.
class BlePeripheral {
public:
    virtual ~BlePeripheral() = default;
    /// Stable 36-character upper-case UUID text.
    virtual std::string identifier() const = 0;
    /// The Bluetooth address as bluetoothctl shows it ("C0:FF:EE:12:34:56"); empty where the platform has none.
    virtual std::string bluetoothAddress() const { return {}; }
    /// Absent when the peripheral advertised no name.
    virtual std::optional<std::string> name() const = 0;
    virtual bool isConnected() const = 0;
    /// Last read signal strength in dBm; absent before the first reading.
    virtual std::optional<double> rssi() const = 0;
    /// When an advertisement of it was last heard (run-loop seconds); absent where the platform reports
    /// only what it hears now. A reading a central remembers from before is no sign that the band is near.
    virtual std::optional<double> heardAt() const { return std::nullopt; }
    virtual void setDelegate(BlePeripheralDelegate* delegate) = 0;
    virtual const std::vector<BleServicePtr>& services() const = 0;

    /// An empty filter discovers everything.
    virtual void discoverServices(const std::vector<BleUuid>& filter) = 0;
    virtual void discoverCharacteristics(const std::vector<BleUuid>& filter, const BleServicePtr& service) = 0;
    virtual void setNotifyValue(bool enabled, const BleCharacteristicPtr& c) = 0;
    virtual void readValueForCharacteristic(const BleCharacteristicPtr& c) = 0;
    virtual void writeValue(const Bytes& value, const BleCharacteristicPtr& c, BleWriteType type) = 0;
    virtual void readRSSI() = 0;
};
using BlePeripheralPtr = std::shared_ptr<BlePeripheral>;

/// Central manager states, numbered as the app's log table expects.
enum class BleCentralState {
    Unknown = 0,
    Resetting = 1,
    Unsupported = 2,
    Unauthorized = 3,
    PoweredOff = 4,
    PoweredOn = 5
};

class BleCentral;

/// Receives the central's events, in the platform's order, on the run loop.
class BleCentralDelegate {
public:
    virtual ~BleCentralDelegate() = default;
    virtual void centralManagerDidUpdateState(BleCentral& central) = 0;
    virtual void didDiscoverPeripheral(BleCentral& central, const BlePeripheralPtr& p, double rssi) = 0;
    virtual void didConnectPeripheral(BleCentral& central, const BlePeripheralPtr& p) = 0;
    virtual void didDisconnectPeripheral(BleCentral& central, const BlePeripheralPtr& p, const BleErrorOpt& error) = 0;
};

/// Port: the central role.
class BleCentral {
public:
    virtual ~BleCentral() = default;
    virtual BleCentralState state() const = 0;
    virtual void setDelegate(BleCentralDelegate* delegate) = 0;
    virtual void scanForPeripheralsWithServices(const std::vector<BleUuid>& services, bool allowDuplicates) = 0;
    virtual void stopScan() = 0;
    /// No time-out: the request stays pending until the peripheral is in reach or it is cancelled.
    virtual void connectPeripheral(const BlePeripheralPtr& p, bool notifyOnConnection) = 0;
    /// Also cancels a pending connection request.
    virtual void cancelPeripheralConnection(const BlePeripheralPtr& p) = 0;

    /// Why the central cannot scan, as a localisation key in plain words ("BluetoothOff"...); empty
    /// when it can or when its state says all there is to say.
    virtual std::string unavailableReason() const { return {}; }
    /// Where the signal strength of a connected band comes from, as a localisation key; empty when
    /// the platform has nothing to say about it.
    virtual std::string signalSource() const { return {}; }

    /// Asks the platform to watch, without scanning, for advertisements of `services` (an empty list
    /// ends the watch): each peripheral it hears is reported through didDiscoverPeripheral, as a scan
    /// would. A platform without such a watch ignores it.
    virtual void watchForPeripheralsWithServices(const std::vector<BleUuid>& /*services*/) {}
    /// The watch asked for is in place now: no scan is needed to hear the band come back.
    virtual bool watching() const { return false; }
};

}  // namespace vantro
