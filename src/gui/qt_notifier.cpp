// SPDX-License-Identifier: MIT
// Local notifications on the desktop's notification service, alerts as message boxes, the app state.
#include "gui/qt_notifier.h"

#include "gui/do_not_disturb_setting.h"
#include "gui/message_box.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>
#include <QWidget>

namespace vantro::gui {
namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
// The installed desktop file (org.vantro.Vantro.desktop, the app's bus name) and the theme icon.
const QString kDesktopId = QStringLiteral("org.vantro.Vantro");
const QString kIconName = QStringLiteral("vantro");
}  // namespace

QtNotifier::QtNotifier(RunLoop& loop, QObject* parent) : QObject(parent), m_loop(loop) {}

void QtNotifier::watchDoNotDisturb() const {
    if (!m_doNotDisturb) {
        auto* self = const_cast<QtNotifier*>(this);
        m_doNotDisturb = std::make_unique<DoNotDisturbSetting>([self](bool on) { emit self->doNotDisturbChanged(on); });
    }
}

bool QtNotifier::doNotDisturb() const {
    watchDoNotDisturb();
    return m_doNotDisturb->on();
}

QtNotifier::~QtNotifier() = default;

void QtNotifier::setDialogParent(QWidget* parent) {
    m_dialogParent = parent;
}

AppState QtNotifier::applicationState() const {
    if (m_stateOverride) return *m_stateOverride;
    switch (QGuiApplication::applicationState()) {
        case Qt::ApplicationActive:
            return AppState::Active;
        case Qt::ApplicationInactive:
            return AppState::Inactive;
        default:
            // Hidden and suspended: the user cannot see the app.
            return AppState::Background;
    }
}

bool QtNotifier::desktopServiceAvailable() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    if (bus.interface()->isServiceRegistered(kService)) return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(kService);
}

void QtNotifier::presentLocalNotificationNow(const LocalNotification& n) {
    const int withdrawn = withdrawals(n.alertBody);
    // Off the caller's stack, as a notification arriving from the system would be; one withdrawn in the
    // meantime is not shown at all.
    const auto later = [this, n, withdrawn] {
        if (withdrawals(n.alertBody) == withdrawn) deliver(n);
    };
    if (applicationState() == AppState::Active) {
        m_lastRoute = Route::Receiver;
        m_loop.post(later);
        return;
    }
    if (desktopServiceAvailable()) {
        m_lastRoute = Route::Desktop;
        sendToDesktop(n);
        return;
    }
    m_lastRoute = Route::InApp;
    m_loop.post(later);
}

int QtNotifier::withdrawals(const std::string& body) const {
    const auto it = m_withdrawals.find(body);
    return it == m_withdrawals.end() ? 0 : it->second;
}

void QtNotifier::withdrawLocalNotification(const LocalNotification& n) {
    ++m_withdrawals[n.alertBody];
    std::vector<uint> ids;
    for (const auto& [id, shown] : m_onDesktop)
        if (shown.alertBody == n.alertBody) ids.push_back(id);
    for (uint id : ids) closeOnDesktop(id);
    // Closing a box deletes it; the list is rebuilt first so that nothing reads a closed entry.
    auto boxes = std::move(m_boxes);
    m_boxes.clear();
    for (auto& [box, message] : boxes) {
        if (!box) continue;
        if (message == n.alertBody) {
            box->close();
        } else {
            m_boxes.emplace_back(box, message);
        }
    }
}

void QtNotifier::closeOnDesktop(uint id) {
    m_onDesktop.erase(id);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
    call << id;
    // Fire and forget: a notice the user closed already is no failure.
    QDBusConnection::sessionBus().asyncCall(call);
    emit desktopNotificationWithdrawn(id);
}

void QtNotifier::deliver(const LocalNotification& n) {
    if (m_receiver) {
        m_receiver(n);
    } else {
        showAlert(m_appName.toStdString(), n.alertBody, n.alertAction);
    }
}

void QtNotifier::sendToDesktop(const LocalNotification& n) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_signalsConnected) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(onActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(onNotificationClosed(uint, uint)));
        m_signalsConnected = true;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QString action = QString::fromStdString(n.alertAction.empty() ? std::string("OK") : n.alertAction);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), kDesktopId);
    // Only the alarm is critical: a phone keeps critical notices on screen and lets them through
    // do-not-disturb. Its category is the standard one for a device in trouble; a notice is normal.
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(n.alarm ? 2 : 1));
    if (n.alarm) hints.insert(QStringLiteral("category"), QStringLiteral("device.error"));
    call << m_appName << uint(0) << kIconName << m_appName << QString::fromStdString(n.alertBody)
         << QStringList{kDefaultAction, action} << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    const int withdrawn = withdrawals(n.alertBody);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, n, withdrawn] {
        watcher->deleteLater();
        QDBusPendingReply<uint> reply = *watcher;
        const bool stillWanted = withdrawals(n.alertBody) == withdrawn;
        if (reply.isError()) {
            // The service went away between the check and the call: show it here instead.
            m_lastRoute = Route::InApp;
            if (stillWanted) deliver(n);
            return;
        }
        m_onDesktop[reply.value()] = n;
        if (!stillWanted) {
            // Withdrawn while the service was still taking it.
            closeOnDesktop(reply.value());
            return;
        }
        emit desktopNotificationSent(reply.value());
    });
}

void QtNotifier::onActionInvoked(uint id, const QString& /*actionKey*/) {
    auto it = m_onDesktop.find(id);
    if (it == m_onDesktop.end()) return;  // someone else's notification
    const LocalNotification n = it->second;
    m_onDesktop.erase(it);
    if (m_dialogParent) {
        m_dialogParent->raise();
        m_dialogParent->activateWindow();
    }
    deliver(n);
}

void QtNotifier::onNotificationClosed(uint id, uint /*reason*/) {
    m_onDesktop.erase(id);
}

void QtNotifier::showAlert(const std::string& title, const std::string& message, const std::string& button) {
    QMessageBox* box = showMessageBox(m_dialogParent, QString::fromStdString(title), QString::fromStdString(message),
                                      {QString::fromStdString(button)}, -1, nullptr);
    std::erase_if(m_boxes, [](const auto& shown) { return shown.first.isNull(); });  // closed by the user
    m_boxes.emplace_back(box, message);
    emit alertShown(box);
}

}  // namespace vantro::gui
