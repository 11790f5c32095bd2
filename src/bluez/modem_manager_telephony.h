// SPDX-License-Identifier: MIT
// Telephony events from ModemManager on the system bus: incoming voice calls and received messages.
#pragma once

#include "platform/debug_log.h"
#include "platform/run_loop.h"
#include "platform/telephony.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

namespace vantro::bluez {

/// Telephony over ModemManager. Modems are followed through its object manager as they come and go;
/// an incoming call added to a modem's Voice interface is delivered as
/// "kCTCallIdentificationChangeNotification", a message added as received to its Messaging interface as
/// "kCTMessageReceivedNotification". Observers are called on run-loop turns.
class ModemManagerTelephony : public QObject, public Telephony {
    Q_OBJECT
public:
    ModemManagerTelephony(RunLoop& loop, DebugLog& log);
    ~ModemManagerTelephony() override;

    void addObserver(TelephonyCallback callback) override { m_observers.push_back(std::move(callback)); }
    /// Object paths of the modems followed now.
    QSet<QString> modems() const { return m_modems; }
    bool serviceRunning() const { return m_running; }

private slots:
    void interfacesAdded(const QDBusMessage& message);
    void interfacesRemoved(const QDBusMessage& message);
    void callAdded(const QDBusMessage& message);
    void messageAdded(const QDBusMessage& message);

private:
    void serviceAppeared();
    void serviceVanished();
    void addModem(const QString& path);
    void removeModem(const QString& path);
    void deliver(const char* name);

    RunLoop& m_loop;
    DebugLog& m_log;
    QDBusServiceWatcher m_watcher;
    bool m_running = false;
    bool m_absenceLogged = false;
    QSet<QString> m_modems;
    std::vector<TelephonyCallback> m_observers;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro::bluez
