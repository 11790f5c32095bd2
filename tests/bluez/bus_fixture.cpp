// SPDX-License-Identifier: MIT
// Test support on the private system bus of with_private_bus.sh.
#include "bus_fixture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

namespace vantro::testing {
namespace {

bool nameOwned(const QString& name) {
    QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
    return bus && bus->isServiceRegistered(name).value();
}

/// Runs Qt's events until `done` holds or `ms` milliseconds have passed.
void spinUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && !done()) {
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
}

}  // namespace

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
    spinUntil([this] { return m_process->state() != QProcess::Running || nameOwned(m_busName); }, 15000);
}

MockService::~MockService() {
    stop();
}

bool MockService::running() const {
    return m_process && m_process->state() == QProcess::Running && nameOwned(m_busName);
}

void MockService::stop() {
    if (!m_process || m_process->state() == QProcess::NotRunning) return;
    m_process->terminate();
    if (!m_process->waitForFinished(5000)) {
        m_process->kill();
        m_process->waitForFinished(2000);
    }
    // Let the bus tell everyone the name is gone before the test goes on.
    spinUntil([this] { return !nameOwned(m_busName); }, 5000);
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

std::unique_ptr<MockService> startBluez(const QString& parametersJson) {
    auto bluez =
        std::make_unique<MockService>(QStringLiteral("org.bluez"), QStringLiteral("mock_bluez.py"), parametersJson);
    EXPECT_TRUE(bluez->running()) << bluez->output().toStdString();
    bluez->mock("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("phone")});
    return bluez;
}

void setAdapterPowered(const MockService& bluez, bool on) {
    const QDBusMessage reply = bluez.call(
        QStringLiteral("/org/bluez/hci0"), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
        {QStringLiteral("org.bluez.Adapter1"), QStringLiteral("Powered"), QVariant::fromValue(QDBusVariant(on))});
    EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
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
