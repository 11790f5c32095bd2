// SPDX-License-Identifier: MIT
// Local notifications on the desktop's notification service, alerts as message boxes, the app state.
#pragma once

#include "platform/run_loop.h"
#include "platform/services.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QMessageBox;
class QWidget;

namespace vantro::gui {

class DoNotDisturbSetting;

/// Notifier for the Qt shell.
///
/// A notification presented while the app is active comes straight back to the receiver (the app
/// delegate's didReceiveLocalNotification), as a phone does. Otherwise it goes to
/// org.freedesktop.Notifications on the session bus when that service is there, and comes back when
/// the user clicks it; without the service it is shown inside the app at once, through the receiver.
class QtNotifier : public QObject, public Notifier {
    Q_OBJECT
public:
    enum class Route { None, Receiver, Desktop, InApp };

    explicit QtNotifier(RunLoop& loop, QObject* parent = nullptr);
    ~QtNotifier() override;

    void setReceiver(std::function<void(const LocalNotification&)> receiver) { m_receiver = std::move(receiver); }
    /// Message boxes are centred on this widget (the main window).
    void setDialogParent(QWidget* parent);
    void setAppName(const QString& name) { m_appName = name; }

    void presentLocalNotificationNow(const LocalNotification& n) override;
    /// Closes the desktop's notices of that body (CloseNotification), the message boxes showing it, and
    /// drops it where it is still on its way (a delivery not yet run, a Notify not yet answered).
    void withdrawLocalNotification(const LocalNotification& n) override;
    void showAlert(const std::string& title, const std::string& message, const std::string& button) override;
    AppState applicationState() const override;
    /// The desktop's do-not-disturb (GSettings), read when asked; off where the desktop has none.
    bool doNotDisturb() const override;
    /// Follows the switch from now on (doNotDisturbChanged); the first doNotDisturb() does so too. Left
    /// out of the constructor, so the start does not wait for GSettings.
    void watchDoNotDisturb() const;

    /// Tests and the screenshot tour pin the state instead of asking the window system.
    void setApplicationStateOverride(std::optional<AppState> state) { m_stateOverride = state; }
    /// Whether org.freedesktop.Notifications is running or can be started on the session bus.
    bool desktopServiceAvailable() const;
    Route lastRoute() const { return m_lastRoute; }

signals:
    void alertShown(QMessageBox* box);
    /// The desktop service accepted a notification under this id.
    void desktopNotificationSent(uint id);
    /// The desktop service was asked to close this notification.
    void desktopNotificationWithdrawn(uint id);
    /// The desktop's do-not-disturb was switched.
    void doNotDisturbChanged(bool on);

private slots:
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    void deliver(const LocalNotification& n);
    void sendToDesktop(const LocalNotification& n);
    void closeOnDesktop(uint id);
    /// How often notifications of this body were withdrawn; a delivery compares it with the count it
    /// was made under.
    int withdrawals(const std::string& body) const;

    RunLoop& m_loop;
    std::function<void(const LocalNotification&)> m_receiver;
    QPointer<QWidget> m_dialogParent;
    QString m_appName = QStringLiteral("Vantro");
    std::optional<AppState> m_stateOverride;
    Route m_lastRoute = Route::None;
    std::map<uint, LocalNotification> m_onDesktop;                       // sent and not yet clicked or closed
    std::map<std::string, int> m_withdrawals;                            // by body
    std::vector<std::pair<QPointer<QMessageBox>, std::string>> m_boxes;  // alerts shown, by message
    bool m_signalsConnected = false;
    mutable std::unique_ptr<DoNotDisturbSetting> m_doNotDisturb;
};

}  // namespace vantro::gui
