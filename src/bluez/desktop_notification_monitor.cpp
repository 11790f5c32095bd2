// SPDX-License-Identifier: MIT
// Watches the session bus for notifications that applications post, without taking part in the call.
#include "bluez/desktop_notification_monitor.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMetaObject>
#include <QPointer>
#include <QVariantMap>

#include <atomic>

namespace vantro::bluez {
namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotifySignature = QStringLiteral("susssasa{sv}i");

bool fits(const QString& s) {
    return s.size() <= DesktopNotificationMonitor::kMaxStringBytes;
}

// A hint's small number, from whichever integer type the app used; absent for anything else.
std::optional<int> smallNumber(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong: {
            bool ok = false;
            const qlonglong n = v.toLongLong(&ok);
            if (ok && n >= 0 && n <= 255) return static_cast<int>(n);
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

// Takes every call that reaches the monitoring connection and answers none: a monitor that sends is
// thrown off the bus.
class DesktopNotificationMonitor::Catcher : public QDBusVirtualObject {
public:
    explicit Catcher(DesktopNotificationMonitor& owner) : m_owner(&owner) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.type() != QDBusMessage::MethodCallMessage || message.interface() != kNotifications ||
            message.member() != QStringLiteral("Notify")) {
            return true;
        }
        if (auto n = parseNotify(message, m_ownSender)) {
            // QtDBus may call from its own thread; the relay runs on the owner's.
            QPointer<DesktopNotificationMonitor> owner = m_owner;
            QMetaObject::invokeMethod(
                m_owner.data(),
                [owner, n = *n] {
                    if (owner) owner->deliver(n);
                },
                Qt::QueuedConnection);
        }
        return true;
    }
    QString m_ownSender;

private:
    QPointer<DesktopNotificationMonitor> m_owner;
};

DesktopNotificationMonitor::DesktopNotificationMonitor(Callback onNotify, QObject* parent)
    : QObject(parent), m_onNotify(std::move(onNotify)) {
    static std::atomic<int> serial{0};
    m_connectionName = QStringLiteral("vantro-notification-monitor-%1").arg(serial++);
}

DesktopNotificationMonitor::~DesktopNotificationMonitor() {
    {
        QDBusConnection bus(m_connectionName);
        if (bus.isConnected()) bus.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
    }
    QDBusConnection::disconnectFromBus(m_connectionName);
}

std::string DesktopNotificationMonitor::start(const QString& ownSender) {
    m_ownSender = ownSender;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!bus.isConnected()) {
        const QString why = bus.lastError().message();
        return "no session bus" + (why.isEmpty() ? std::string{} : " (" + why.toStdString() + ")");
    }
    m_catcher = std::make_unique<Catcher>(*this);
    m_catcher->m_ownSender = ownSender;
    // Every path: apps may call the notification service at any object path.
    if (!bus.registerVirtualObject(QStringLiteral("/"), m_catcher.get(), QDBusConnection::SubPath)) {
        return "the monitoring connection could not take messages";
    }
    const QStringList rules{
        QStringLiteral("type='method_call',interface='org.freedesktop.Notifications',member='Notify'")};
    QDBusMessage become = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Monitoring"), QStringLiteral("BecomeMonitor"));
    become << rules << 0u;
    const QDBusMessage reply = bus.call(become, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        bus.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(m_connectionName);
        return "the session bus refused monitoring (" + reply.errorName().toStdString() + ": " +
               reply.errorMessage().toStdString() + ")";
    }
    return {};
}

std::optional<DesktopNotification> DesktopNotificationMonitor::parseNotify(const QDBusMessage& call,
                                                                           const QString& ownSender) {
    if (call.signature() != kNotifySignature) return std::nullopt;
    const QList<QVariant> args = call.arguments();
    if (args.size() != 8) return std::nullopt;
    // Every string, read or not, must be of sensible size; one that is not marks a malformed call.
    for (int i : {0, 2, 3, 4}) {
        if (args[i].metaType().id() != QMetaType::QString || !fits(args[i].toString())) return std::nullopt;
    }
    DesktopNotification n;
    n.appName = args[0].toString().toStdString();
    n.fromThisProcess = !ownSender.isEmpty() && call.service() == ownSender;

    // The hints arrive as a D-Bus argument that still has to be read as a{sv}.
    if (!args[6].canConvert<QDBusArgument>()) return std::nullopt;
    const QDBusArgument hintsArg = args[6].value<QDBusArgument>();
    if (hintsArg.currentSignature() != QStringLiteral("a{sv}")) return std::nullopt;
    QVariantMap hints;
    hintsArg >> hints;
    for (auto it = hints.cbegin(); it != hints.cend(); ++it) {
        if (!fits(it.key())) return std::nullopt;
        QVariant v = it.value();
        if (v.canConvert<QDBusVariant>() && v.metaType().id() == qMetaTypeId<QDBusVariant>()) {
            v = v.value<QDBusVariant>().variant();
        }
        if (it.key() == QStringLiteral("desktop-entry")) {
            if (v.metaType().id() != QMetaType::QString || !fits(v.toString())) return std::nullopt;
            n.desktopEntry = v.toString().toStdString();
        } else if (it.key() == QStringLiteral("urgency")) {
            const auto u = smallNumber(v);
            if (!u || *u > 2) return std::nullopt;
            n.urgency = *u;
        } else if (it.key() == QStringLiteral("transient")) {
            if (v.metaType().id() == QMetaType::Bool) {
                n.transient = v.toBool();
            } else if (const auto t = smallNumber(v)) {
                n.transient = *t != 0;
            } else {
                return std::nullopt;
            }
        } else if (v.metaType().id() == QMetaType::QString && !fits(v.toString())) {
            return std::nullopt;
        }
    }
    return n;
}

void DesktopNotificationMonitor::deliver(const DesktopNotification& n) {
    if (m_onNotify) m_onNotify(n);
}

BusNotificationSource::~BusNotificationSource() = default;

std::string BusNotificationSource::start(Seen seen) {
    stop();
    m_monitor = std::make_unique<DesktopNotificationMonitor>(std::move(seen));
    const QDBusConnection own = QDBusConnection::sessionBus();
    // Without the app's own session bus the start-up line has said so, naming the relay too:
    // the missing bus is one log line, not one per duty.
    m_noBus = !own.isConnected();
    const std::string problem = m_monitor->start(own.isConnected() ? own.baseService() : QString());
    if (!problem.empty()) m_monitor.reset();
    return problem;
}

void BusNotificationSource::stop() {
    m_monitor.reset();
}

}  // namespace vantro::bluez
