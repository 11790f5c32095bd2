// SPDX-License-Identifier: MIT
// A passive watch for the band's advertisements through bluetoothd's advertisement monitor.
#pragma once

#include "platform/ble.h"
#include "platform/debug_log.h"

#include <QDBusVirtualObject>
#include <QString>

#include <functional>
#include <vector>

namespace vantro::bluez {

/// Registers one "or_patterns" monitor for the advertised service UUIDs with the adapter's
/// AdvertisementMonitorManager1, where bluetoothd offers it. bluetoothd then scans passively (offloaded to
/// the controller where it can) and calls DeviceFound for a device whose advertisement matches; no
/// discovery is needed for that. The monitor is registered again whenever the adapter or bluetoothd is.
class AdvertisementMonitor : public QDBusVirtualObject {
    Q_OBJECT
public:
    /// `found` gets the device's object path.
    AdvertisementMonitor(DebugLog& log, std::function<void(const QString&)> found);
    ~AdvertisementMonitor() override;

    /// The services to watch for; an empty list ends the watch.
    void setServices(const std::vector<BleUuid>& services);
    /// The adapter to watch on (empty: none); registers again when it changes or came back.
    void setAdapter(const QString& adapterPath);
    /// bluetoothd activated the monitor: it is watching.
    bool active() const { return m_active; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    void update();
    void unregister();
    /// The monitor's properties: its type and one pattern per watched service and UUID list type.
    QVariantMap properties() const;

    DebugLog& m_log;
    std::function<void(const QString&)> m_found;
    QString m_root;
    QString m_monitorPath;
    QString m_adapterPath;
    QString m_registeredOn;  // the adapter the monitor is registered with, empty when none
    std::vector<BleUuid> m_services;
    int m_registration = 0;  // counts registrations, so a late answer is matched to its own
    bool m_exported = false;
    bool m_active = false;
};

}  // namespace vantro::bluez
