// SPDX-License-Identifier: MIT
// Watches the session bus for notifications that applications post, without taking part in the call.
#pragma once

#include "platform/desktop_notification.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QDBusMessage;

namespace vantro::bluez {

/// Becomes a monitor of org.freedesktop.Notifications.Notify on a connection of its own (a monitor
/// may not send, so the app's own connection stays as it is) and hands each well-formed call to
/// `onNotify` on the thread that made the monitor.
class DesktopNotificationMonitor : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const DesktopNotification&)>;
    /// Strings longer than this make the call malformed: no app needs them, and they are not read.
    static constexpr int kMaxStringBytes = 64 * 1024;

    explicit DesktopNotificationMonitor(Callback onNotify, QObject* parent = nullptr);
    ~DesktopNotificationMonitor() override;

    /// Starts watching the session bus. Empty when it watches; otherwise why it cannot, in a few words.
    /// Calls sent from `ownSender` (this process's unique name on the session bus) are marked as ours.
    std::string start(const QString& ownSender);

    /// The notification of one Notify call (signature susssasa{sv}i), or nothing when the call is malformed.
    static std::optional<DesktopNotification> parseNotify(const QDBusMessage& call, const QString& ownSender);

private:
    class Catcher;
    void deliver(const DesktopNotification& n);

    Callback m_onNotify;
    QString m_connectionName;
    QString m_ownSender;
    std::unique_ptr<Catcher> m_catcher;
};

/// The desktop-notification port over the session bus.
class BusNotificationSource : public DesktopNotificationSource {
public:
    ~BusNotificationSource() override;
    std::string start(Seen seen) override;
    void stop() override;
    bool problemLogged() const override { return m_noBus; }

private:
    std::unique_ptr<DesktopNotificationMonitor> m_monitor;
    bool m_noBus = false;
};

}  // namespace vantro::bluez
