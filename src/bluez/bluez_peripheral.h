// SPDX-License-Identifier: MIT
// One wristband seen by the BlueZ central: its link (QLowEnergyController) and GATT requests.
#pragma once

#include "bluez/mgmt_connection_info.h"
#include "platform/ble.h"
#include "platform/debug_log.h"
#include "platform/run_loop.h"

#include <QBluetoothDeviceInfo>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace vantro::bluez {

class BluezCentral;

/// BlePeripheral on BlueZ. A connection request has no time-out: failed attempts are retried until it
/// is cancelled, with a growing pause while the band stays away or refuses, at once when a band that
/// was away is heard again, and never while the adapter is off or bluetoothd is gone. The signal strength is the
/// link's, read from the kernel, or where the process may not ask the kernel, bluetoothd's Device1.RSSI while it is
/// fresh.
class BluezPeripheral : public QObject, public BlePeripheral, public std::enable_shared_from_this<BluezPeripheral> {
    Q_OBJECT
public:
    /// A reading older than this is not the current signal any more.
    static constexpr double kRssiFreshSeconds = 10.0;
    /// First pause between two attempts of a pending connection request; it doubles after each failed
    /// attempt up to kMaxRetrySeconds.
    static constexpr double kRetrySeconds = 2.0;
    static constexpr double kMaxRetrySeconds = 30.0;
    /// An advertisement this recent means the band was in reach when an attempt failed: it refuses,
    /// and hearing it again does not bring the next attempt forward.
    static constexpr double kHeardRecentlySeconds = 3.0;

    BluezPeripheral(const std::shared_ptr<BluezCentral>& central, const QBluetoothDeviceInfo& info);
    ~BluezPeripheral() override;

    std::string identifier() const override { return m_identifier; }
    std::string bluetoothAddress() const override { return m_address.toStdString(); }
    std::optional<std::string> name() const override { return m_name; }
    bool isConnected() const override { return m_connected; }
    std::optional<double> rssi() const override { return m_rssi; }
    std::optional<double> heardAt() const override;
    void setDelegate(BlePeripheralDelegate* delegate) override { m_delegate = delegate; }
    const std::vector<BleServicePtr>& services() const override { return m_services; }

    void discoverServices(const std::vector<BleUuid>& filter) override;
    void discoverCharacteristics(const std::vector<BleUuid>& filter, const BleServicePtr& service) override;
    void setNotifyValue(bool enabled, const BleCharacteristicPtr& c) override;
    void readValueForCharacteristic(const BleCharacteristicPtr& c) override;
    void writeValue(const Bytes& value, const BleCharacteristicPtr& c, BleWriteType type) override;
    void readRSSI() override;

    // For the central.
    const QString& address() const { return m_address; }
    /// A new advertisement: keeps the latest device info for connecting and notes the strength heard.
    void advertised(const QBluetoothDeviceInfo& info);
    /// The name as last advertised; applied when the advertisement is handed to the app.
    void setName(std::optional<std::string> name) { m_name = std::move(name); }
    /// Heard just now (the advertisement monitor found it).
    void markHeard() { heard(); }
    /// bluetoothd went: the strength it held is no reading of ours any more.
    void forgetHeard() { m_heardRssi.reset(); }
    void requestConnection();
    void cancelConnection();
    /// bluetoothd, the adapter or its power went away: a link that was up or being made is over, and
    /// a pending request waits for bluetoothBack().
    void bluetoothGone();
    /// The adapter is usable again: a pending request is tried at once.
    void bluetoothBack();
    /// Connection attempts made since this peripheral was seen (for tests and the radio figures).
    int attempts() const { return m_attempts; }

private slots:
    void devicePropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    enum class Link { Idle, Waiting, Connecting, Connected, Closing };
    enum class OpKind { Notify, Read, Write };
    struct Op {
        OpKind kind;
        BleCharacteristicPtr characteristic;
        QLowEnergyCharacteristic qt;
    };
    struct ServiceLink {
        BleServicePtr service;
        QPointer<QLowEnergyService> qt;
        std::vector<BleUuid> filter;
        bool discovering = false;
        std::vector<std::pair<BleCharacteristicPtr, QLowEnergyCharacteristic>> characteristics;
        std::deque<Op> pending;
    };

    void startAttempt();
    void attemptFailed(const QString& reason);
    /// The band was heard (an advertisement): a request waiting out a pause for a band that was away
    /// is tried now.
    void heard();
    void controllerConnected();
    void controllerUnconnected();
    void controllerError(QLowEnergyController::Error error);
    void servicesDiscovered();
    void serviceStateChanged(ServiceLink& link, QLowEnergyService::ServiceState state);
    void serviceError(ServiceLink& link, QLowEnergyService::ServiceError error);
    void characteristicsDiscovered(ServiceLink& link);
    void call(ServiceLink& link, Op op, const std::function<void()>& request);
    void finishOp(ServiceLink& link, OpKind kind, const QLowEnergyCharacteristic& qc, const BleErrorOpt& error,
                  const QByteArray& value);
    void reportOp(const Op& op, const BleErrorOpt& error, const QByteArray& value);
    void notified(ServiceLink& link, const QLowEnergyCharacteristic& qc, const QByteArray& value);
    void dropController();
    ServiceLink* linkFor(const BleServicePtr& service);
    ServiceLink* linkFor(const BleCharacteristicPtr& c, QLowEnergyCharacteristic* qc);
    void post(std::function<void(BluezPeripheral&)> fn);
    QString devicePath() const;
    LeAddressType addressType();
    void readAdvertisedRssi();

    RunLoop& m_loop;
    DebugLog& m_log;
    std::weak_ptr<BluezCentral> m_central;
    QString m_adapterPath;
    QBluetoothDeviceInfo m_info;
    QString m_address;
    std::string m_identifier;
    std::optional<std::string> m_name;
    BlePeripheralDelegate* m_delegate = nullptr;

    Link m_link = Link::Idle;
    bool m_wanted = false;          // a connection request is pending or fulfilled
    bool m_closeRequested = false;  // the app asked to close this link or drop its pending request
    bool m_connected = false;       // as the app has been told
    bool m_discoveringServices = false;
    std::vector<BleUuid> m_serviceFilter;
    TimerId m_retryTimer = 0;
    double m_retryDelay = kRetrySeconds;
    bool m_failedWhileHeard = false;  // the last attempt failed although the band was advertising
    int m_attempts = 0;
    QString m_lastFailure;  // logged once per kind of failure while retrying
    QString m_lastError;
    QPointer<QLowEnergyController> m_controller;
    std::vector<std::unique_ptr<ServiceLink>> m_links;
    std::vector<BleServicePtr> m_services;
    const Op* m_callingOp = nullptr;  // the request being handed to QtBluetooth, for errors it raises at once

    std::optional<LeAddressType> m_addressType;
    std::optional<double> m_rssi;
    std::optional<double> m_heardRssi;  // latest strength bluetoothd reported, and when
    double m_heardAt = 0;
    bool m_staleLogged = false;
};

}  // namespace vantro::bluez
