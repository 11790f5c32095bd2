// SPDX-License-Identifier: MIT
// Test support on the private system bus of with_private_bus.sh.
#include "bus_fixture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

namespace vantro::testing {

bool onPrivateBus() {
    const QByteArray dir = qgetenv("VANTRO_BUS_DIR");
    return !dir.isEmpty() && qgetenv("DBUS_SYSTEM_BUS_ADDRESS").contains(dir);
}

MockService::MockService(QString busName, const QString& templateFile, const QString& parametersJson)
    : m_busName(std::move(busName)) {
    const QString busDir = qEnvironmentVariable("VANTRO_BUS_DIR");
    const QString mockDir = qEnvironmentVariable("VANTRO_MOCK_DIR");
    static int serial = 0;
    m_logFile = QStringLiteral("%1/mock-%2.log").arg(busDir).arg(++serial);
    QStringList args{QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                     QStringLiteral("--template"), mockDir + QLatin1Char('/') + templateFile};
    if (!parametersJson.isEmpty()) args << QStringLiteral("--parameters") << parametersJson;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardOutputFile(m_logFile);
    m_process->start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process->waitForStarted(5000)) return;
    QFile pids(busDir + QStringLiteral("/pids"));
    if (pids.open(QIODevice::Append)) pids.write(QByteArray::number(m_process->processId()) + '\n');

    QElapsedTimer clock;
    clock.start();
    QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
    while (clock.elapsed() < 15000 && m_process->state() == QProcess::Running) {
        if (bus && bus->isServiceRegistered(m_busName).value()) return;
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
}

MockService::~MockService() {
    stop();
}

bool MockService::running() const {
    QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
    return m_process && m_process->state() == QProcess::Running && bus && bus->isServiceRegistered(m_busName).value();
}

void MockService::stop() {
    if (!m_process || m_process->state() == QProcess::NotRunning) return;
    m_process->terminate();
    if (!m_process->waitForFinished(5000)) {
        m_process->kill();
        m_process->waitForFinished(2000);
    }
    // Let the bus tell everyone the name is gone before the test goes on.
    QElapsedTimer clock;
    clock.start();
    QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
    while (clock.elapsed() < 5000 && bus && bus->isServiceRegistered(m_busName).value()) {
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
}

QDBusMessage MockService::call(const QString& path, const QString& interface, const QString& method,
                               const QList<QVariant>& args) const {
    QDBusMessage message = QDBusMessage::createMethodCall(m_busName, path, interface, method);
    message.setArguments(args);
    return QDBusConnection::systemBus().call(message, QDBus::Block, 10000);
}

QDBusMessage MockService::mock(const char* method, const QList<QVariant>& args) const {
    const QString path = m_busName == QLatin1String("org.bluez")
                             ? QStringLiteral("/")
                             : QLatin1Char('/') + QString(m_busName).replace(QLatin1Char('.'), QLatin1Char('/'));
    QDBusMessage reply = call(path, m_busName + QStringLiteral(".Mock"), QString::fromLatin1(method), args);
    EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << method << ": " << reply.errorMessage().toStdString();
    return reply;
}

QString MockService::output() const {
    QFile file(m_logFile);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

void QtPump::turn() {
    QEventLoop wait;
    QTimer::singleShot(5, &wait, &QEventLoop::quit);
    wait.exec();
    m_loop.runPending();
}

bool QtPump::until(const std::function<bool()>& done, double seconds) {
    QElapsedTimer clock;
    clock.start();
    qint64 accounted = 0;
    while (!done()) {
        if (clock.elapsed() > seconds * 1000) return false;
        turn();
        const qint64 now = clock.elapsed();
        m_loop.advance((now - accounted) / 1000.0);
        accounted = now;
    }
    return true;
}

void QtPump::idle(double seconds) {
    until([] { return false; }, seconds);
}

void QtPump::advance(double seconds) {
    turn();
    m_loop.advance(seconds);
    turn();
    turn();
}

QVariant int16(int value) {
    return QVariant::fromValue(static_cast<qint16>(value));
}

}  // namespace vantro::testing
