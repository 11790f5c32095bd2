// SPDX-License-Identifier: MIT
// The machine's suspend from logind on the system bus: PrepareForSleep and a delay inhibitor lock.
#include "bluez/logind_sleep_watch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vantro::bluez {
namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

}  // namespace

LogindSleepWatch::LogindSleepWatch(RunLoop& loop, DebugLog& log)
    : m_loop(loop),
      m_log(log),
      m_watcher(kLogind, QDBusConnection::systemBus(), QDBusServiceWatcher::WatchForOwnerChange) {
    QDBusConnection bus = QDBusConnection::systemBus();
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { serviceAppeared(); });
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { serviceVanished(); });
    bus.connect(kLogind, kLogindPath, kManager, QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    if (bus.isConnected() && bus.interface()->isServiceRegistered(kLogind).value()) {
        serviceAppeared();
    } else {
        serviceVanished();
    }
}

LogindSleepWatch::~LogindSleepWatch() {
    QDBusConnection::systemBus().disconnect(kLogind, kLogindPath, kManager, QStringLiteral("PrepareForSleep"), this,
                                            SLOT(prepareForSleep(bool)));
}

void LogindSleepWatch::serviceAppeared() {
    m_running = true;
    m_absenceLogged = false;
    m_log.log("logind is running: suspends are followed");
    if (m_wanted) takeLock();
}

void LogindSleepWatch::serviceVanished() {
    m_running = false;
    m_lock = QDBusUnixFileDescriptor();
    if (!m_absenceLogged) {
        m_log.log("logind is not running: suspends are not followed and a sync cannot delay one");
        m_absenceLogged = true;
    }
}

void LogindSleepWatch::prepareForSleep(bool sleeping) {
    m_log.log(sleeping ? "logind: the machine is going to sleep" : "logind: the machine woke up");
    std::weak_ptr<int> alive = m_alive;
    m_loop.post([this, alive, sleeping] {
        if (alive.lock() && onPrepareForSleep) onPrepareForSleep(sleeping);
    });
}

void LogindSleepWatch::holdSleep(bool hold) {
    if (hold == m_wanted) return;
    m_wanted = hold;
    if (!hold) {
        // Closing our copy of the descriptor is what lets a waiting suspend go on.
        m_lock = QDBusUnixFileDescriptor();
        return;
    }
    if (m_running) takeLock();
}

void LogindSleepWatch::takeLock() {
    if (m_asking || m_lock.isValid()) return;
    m_asking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kLogindPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Vantro") << QStringLiteral("Syncing the wristband")
         << QStringLiteral("delay");
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_asking = false;
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError()) {
            m_log.log("logind refused a delay of the suspend: " + reply.error().message().toStdString());
            return;
        }
        // Let go at once when the sync ended while logind was answering.
        if (m_wanted) m_lock = reply.value();
    });
}

}  // namespace vantro::bluez
