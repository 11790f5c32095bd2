// SPDX-License-Identifier: MIT
// The machine's suspend from logind on the system bus: PrepareForSleep and a delay inhibitor lock.
#pragma once

#include "platform/debug_log.h"
#include "platform/run_loop.h"
#include "platform/sleep_watch.h"

#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <memory>

namespace vantro::bluez {

/// SleepWatch over org.freedesktop.login1. The delay lock is the file descriptor logind hands out for
/// Inhibit("sleep", ..., "delay"); closing it lets the suspend go on. Without logind it says so once.
class LogindSleepWatch : public QObject, public SleepWatch {
    Q_OBJECT
public:
    LogindSleepWatch(RunLoop& loop, DebugLog& log);
    ~LogindSleepWatch() override;

    bool available() const override { return m_running; }
    void holdSleep(bool hold) override;
    bool holdingSleep() const override { return m_wanted; }
    /// True while logind's lock is actually held (its answer came).
    bool lockHeld() const { return m_lock.isValid(); }

private slots:
    void prepareForSleep(bool sleeping);

private:
    void serviceAppeared();
    void serviceVanished();
    void takeLock();

    RunLoop& m_loop;
    DebugLog& m_log;
    QDBusServiceWatcher m_watcher;
    bool m_running = false;
    bool m_absenceLogged = false;
    bool m_wanted = false;
    bool m_asking = false;
    QDBusUnixFileDescriptor m_lock;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro::bluez
