// SPDX-License-Identifier: MIT
// Test support on the private system bus of with_private_bus.sh: mock services and a pump that runs
// Qt's events together with the manual run loop.
#pragma once

#include "platform/manual_run_loop.h"

#include <QDBusMessage>
#include <QList>
#include <QProcess>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace vantro::testing {

/// True when DBUS_SYSTEM_BUS_ADDRESS is the wrapper's private bus; tests never touch the machine's own.
bool onPrivateBus();

/// A python-dbusmock service on the private bus, stopped when destroyed. Its id is recorded for the
/// wrapper, which stops it even if this process dies first.
class MockService {
public:
    /// `templateFile` is a file name in the tests' folder; `parametersJson` goes to the template.
    MockService(QString busName, const QString& templateFile, const QString& parametersJson = {});
    ~MockService();
    MockService(const MockService&) = delete;
    MockService& operator=(const MockService&) = delete;

    bool running() const;
    void stop();
    /// Calls a method on the mock; the reply, an error reply if it failed.
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QList<QVariant>& args = {}) const;
    /// Calls a method of the mock's control interface (NAME.Mock at the object path NAME names, "/" for
    /// org.bluez); an error reply fails the test.
    QDBusMessage mock(const char* method, const QList<QVariant>& args = {}) const;
    /// What the mock logged: every call it received and signal it sent.
    QString output() const;

private:
    QString m_busName;
    QString m_logFile;
    std::unique_ptr<QProcess> m_process;
};

/// The mock bluetoothd (mock_bluez.py, given `parametersJson`) with its adapter hci0.
std::unique_ptr<MockService> startBluez(const QString& parametersJson = {});
/// Switches hci0 on or off through its Powered property, as the desktop's switch does.
void setAdapterPowered(const MockService& bluez, bool on);

/// Runs Qt's events and the manual run loop's turns; the virtual clock follows the real one, and can be
/// moved ahead for timers.
class QtPump {
public:
    explicit QtPump(ManualRunLoop& loop) : m_loop(loop) {}
    /// Pumps until `done` holds; false after `seconds` of real time.
    bool until(const std::function<bool()>& done, double seconds = 30.0);
    /// Pumps for a while, for things that must not happen.
    void idle(double seconds);
    /// Moves virtual time ahead (firing due timers), then pumps what follows.
    void advance(double seconds);

private:
    void turn();
    ManualRunLoop& m_loop;
};

/// Shorthand for a typed D-Bus int16 argument.
QVariant int16(int value);

}  // namespace vantro::testing
