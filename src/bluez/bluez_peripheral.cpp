// SPDX-License-Identifier: MIT
// One wristband seen by the BlueZ central: its link (QLowEnergyController) with retries.
#include "bluez/bluez_peripheral.h"

#include "bluez/bluez_central.h"
#include "bluez/bluez_dbus.h"
#include "platform/strprintf.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLowEnergyDescriptor>
#include <QMetaObject>

#include <algorithm>

namespace vantro::bluez {

BluezPeripheral::BluezPeripheral(const std::shared_ptr<BluezCentral>& central, const QBluetoothDeviceInfo& info)
    : m_loop(central->runLoop()),
      m_log(central->log()),
      m_central(central),
      m_adapterPath(central->adapterPath()),
      m_info(info),
      m_address(info.address().toString()),
      m_identifier(identifierForAddress(m_address)) {
    // Every advertisement that bluetoothd hears during a filtered scan updates RSSI; that is how we know
    // whether its value is current.
    QDBusConnection::systemBus().connect(kBluezService, devicePath(), kPropertiesInterface,
                                         QStringLiteral("PropertiesChanged"), this,
                                         SLOT(devicePropertiesChanged(QString, QVariantMap, QStringList)));
}

BluezPeripheral::~BluezPeripheral() {
    if (m_retryTimer) m_loop.cancel(m_retryTimer);
    if (m_link == Link::Connecting || m_link == Link::Connected || m_link == Link::Closing) {
        // bluetoothd keeps a link its client left behind, and a connected band does not advertise: let it
        // go on the way out, so a companion started next finds it. Waited for, since the process may end.
        QDBusMessage disconnect =
            QDBusMessage::createMethodCall(kBluezService, devicePath(), kDeviceInterface, QStringLiteral("Disconnect"));
        QDBusConnection::systemBus().call(disconnect, QDBus::Block, 1000);
    }
    QDBusConnection::systemBus().disconnect(kBluezService, devicePath(), kPropertiesInterface,
                                            QStringLiteral("PropertiesChanged"), this,
                                            SLOT(devicePropertiesChanged(QString, QVariantMap, QStringList)));
    dropController();
}

QString BluezPeripheral::devicePath() const {
    return m_adapterPath + QStringLiteral("/dev_") + QString(m_address).replace(QLatin1Char(':'), QLatin1Char('_'));
}

void BluezPeripheral::post(std::function<void(BluezPeripheral&)> fn) {
    std::weak_ptr<BluezPeripheral> weak = weak_from_this();
    m_loop.post([weak, fn = std::move(fn)] {
        if (auto self = weak.lock()) fn(*self);
    });
}

// ---- link

void BluezPeripheral::requestConnection() {
    m_wanted = true;
    switch (m_link) {
        case Link::Idle:
            m_retryDelay = kRetrySeconds;
            startAttempt();
            break;
        case Link::Connected:
            // Asking again for a link that is up is answered like the first time.
            post([](BluezPeripheral& self) {
                if (auto central = self.m_central.lock()) central->reportConnected(self.shared_from_this());
            });
            break;
        case Link::Waiting:
            // Asked again (the machine woke, the user insists): the pause is over.
            bluetoothBack();
            break;
        case Link::Connecting:
        case Link::Closing:  // the request is taken up once the link is down
            break;
    }
}

void BluezPeripheral::cancelConnection() {
    m_wanted = false;
    switch (m_link) {
        case Link::Idle:
        case Link::Closing:
            break;
        case Link::Waiting:
            // A pending request between two attempts: it ends like a disconnection the app asked for.
            m_loop.cancel(m_retryTimer);
            m_retryTimer = 0;
            m_link = Link::Idle;
            post([](BluezPeripheral& self) {
                if (auto central = self.m_central.lock()) central->reportDisconnected(self.shared_from_this(), {});
            });
            break;
        case Link::Connecting:
        case Link::Connected:
            m_closeRequested = true;
            if (m_link == Link::Connected) m_link = Link::Closing;
            if (m_controller) m_controller->disconnectFromDevice();
            break;
    }
}

void BluezPeripheral::bluetoothGone() {
    if (m_link != Link::Connecting && m_link != Link::Connected && m_link != Link::Closing) return;
    m_lastError = QStringLiteral("Bluetooth stopped");
    controllerUnconnected();
}

void BluezPeripheral::bluetoothBack() {
    if (m_link != Link::Waiting || !m_wanted) return;
    if (m_retryTimer) m_loop.cancel(m_retryTimer);
    m_retryTimer = 0;
    m_retryDelay = kRetrySeconds;
    startAttempt();
}

void BluezPeripheral::heard() {
    m_heardAt = m_loop.now();
    if (m_link != Link::Waiting || !m_wanted || m_failedWhileHeard) return;
    auto central = m_central.lock();
    if (!central || !central->usable()) return;
    if (m_retryTimer) m_loop.cancel(m_retryTimer);
    m_retryTimer = 0;
    startAttempt();
}

void BluezPeripheral::startAttempt() {
    auto central = m_central.lock();
    if (!central) return;
    if (!central->usable()) {
        // Nothing to ask bluetoothd while it or the adapter is away: the central calls bluetoothBack().
        m_link = Link::Waiting;
        return;
    }
    ++m_attempts;
    m_link = Link::Connecting;
    m_closeRequested = false;
    m_controller = QLowEnergyController::createCentral(m_info, central->adapterAddress(), this);
    QLowEnergyController* controller = m_controller;
    connect(controller, &QLowEnergyController::connected, this, &BluezPeripheral::controllerConnected);
    connect(controller, &QLowEnergyController::stateChanged, this, [this](QLowEnergyController::ControllerState s) {
        if (s == QLowEnergyController::UnconnectedState) controllerUnconnected();
    });
    connect(controller, &QLowEnergyController::errorOccurred, this, &BluezPeripheral::controllerError);
    connect(controller, &QLowEnergyController::discoveryFinished, this, &BluezPeripheral::servicesDiscovered);
    controller->connectToDevice();
}

void BluezPeripheral::controllerConnected() {
    if (m_link != Link::Connecting) return;
    m_link = Link::Connected;
    m_lastFailure.clear();
    m_retryDelay = kRetrySeconds;
    m_failedWhileHeard = false;
    post([](BluezPeripheral& self) {
        self.m_connected = true;
        if (auto central = self.m_central.lock()) central->reportConnected(self.shared_from_this());
    });
}

void BluezPeripheral::controllerError(QLowEnergyController::Error error) {
    if (error == QLowEnergyController::NoError || !m_controller) return;
    const QString reason = m_controller->errorString();
    if (m_discoveringServices) {
        m_discoveringServices = false;
        post([reason](BluezPeripheral& self) {
            if (self.m_delegate) self.m_delegate->didDiscoverServices(self, BleError{reason.toStdString()});
        });
        return;
    }
    if (m_link == Link::Connecting) {
        m_lastError = reason;
        // Some failures come without a state change, since the controller never left "unconnected".
        QMetaObject::invokeMethod(
            this,
            [this, controller = QPointer<QLowEnergyController>(m_controller)] {
                if (controller && controller == m_controller && m_link == Link::Connecting &&
                    controller->state() == QLowEnergyController::UnconnectedState) {
                    controllerUnconnected();
                }
            },
            Qt::QueuedConnection);
    }
}

void BluezPeripheral::controllerUnconnected() {
    const Link was = m_link;
    if (was != Link::Connecting && was != Link::Connected && was != Link::Closing) return;
    const QString reason = m_lastError.isEmpty() ? QStringLiteral("no connection") : m_lastError;
    m_lastError.clear();
    dropController();
    m_link = Link::Idle;
    const bool requested = m_closeRequested;
    m_closeRequested = false;

    if (was == Link::Connecting && !requested) {
        attemptFailed(reason);
        return;
    }
    // A link that was up, or a pending request the app cancelled.
    BleErrorOpt error;
    if (!requested) error = BleError{"The connection to the peripheral was lost."};
    post([error](BluezPeripheral& self) {
        self.m_connected = false;
        self.m_services.clear();
        if (auto central = self.m_central.lock()) central->reportDisconnected(self.shared_from_this(), error);
    });
    // The app asked for the link again while it was closing.
    if (requested && m_wanted)
        startAttempt();
    else
        m_wanted = false;
}

void BluezPeripheral::attemptFailed(const QString& reason) {
    if (!m_wanted) return;
    if (reason != m_lastFailure) {
        m_log.log(strprintf("BlueZ could not connect to %s (%s); trying again", m_identifier.c_str(),
                            reason.toStdString().c_str()));
        m_lastFailure = reason;
    }
    m_link = Link::Waiting;
    // A band heard just now that still fails refuses: only the growing pause brings the next attempt.
    m_failedWhileHeard = m_heardRssi && m_loop.now() - m_heardAt <= kHeardRecentlySeconds;
    auto central = m_central.lock();
    if (!central || !central->usable()) return;  // bluetoothBack() takes it up
    const double delay = m_retryDelay;
    m_retryDelay = std::min(m_retryDelay * 2, kMaxRetrySeconds);
    std::weak_ptr<BluezPeripheral> weak = weak_from_this();
    m_retryTimer = m_loop.after(delay, [weak] {
        auto self = weak.lock();
        if (!self) return;
        self->m_retryTimer = 0;
        if (self->m_link == Link::Waiting && self->m_wanted) self->startAttempt();
    });
}

void BluezPeripheral::dropController() {
    for (auto& link : m_links) {
        if (link->qt) {
            link->qt->disconnect(this);
            link->qt->deleteLater();
        }
    }
    m_links.clear();
    m_discoveringServices = false;
    if (m_controller) {
        m_controller->disconnect(this);
        m_controller->deleteLater();
        m_controller = nullptr;
    }
}

}  // namespace vantro::bluez
