// SPDX-License-Identifier: MIT
// The app's choice of wristband: BlueZ when bluetoothd has an adapter, the simulated band otherwise.
// One app per process (CMake runs each case on its own): QtMultimedia's sound effect leaks a little
// when a second one is made in the same process.
#include "bus_fixture.h"
#include "gui/app_options.h"
#include "gui/app_shell.h"
#include "gui/today_screen_view.h"
#include "platform/debug_log.h"
#include "temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

namespace vantro::testing {
namespace {

using gui::AppOptions;
using gui::AppShell;
using gui::WristbandChoice;

bool pumpUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QEventLoop wait;
        QTimer::singleShot(10, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return true;
}

class AppBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onPrivateBus()) GTEST_SKIP() << "runs only on the private bus of with_private_bus.sh";
        bluez = std::make_unique<MockService>(QStringLiteral("org.bluez"), QStringLiteral("mock_bluez.py"));
        ASSERT_TRUE(bluez->running());
    }
    void mock(const char* method, const QList<QVariant>& args) {
        const QDBusMessage reply =
            bluez->call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QString::fromLatin1(method), args);
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    std::unique_ptr<MockService> bluez;
    TempDir dir;
    CapturingLog log;
};

TEST_F(AppBackendTest, WithAnAdapterTheAppListsTheRealWristbands) {
    mock("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("phone")});
    mock("AddWristband",
         {QStringLiteral("hci0"), QStringLiteral("C0:11:22:33:44:01"), QStringLiteral("Vantro"), int16(-60)});
    AppShell shell(AppOptions{}, QString::fromStdString(dir.path()), log);
    EXPECT_TRUE(shell.usesBluez());
    EXPECT_TRUE(log.contains("Wristband: Bluetooth through BlueZ"));
    EXPECT_TRUE(shell.wristbands().empty());
    auto& app = shell.appDelegate();
    ASSERT_TRUE(pumpUntil([&] { return app.bleList && app.bleList->size() == 1; }))
        << ::testing::PrintToString(log.lines);
    EXPECT_EQ(app.bleList->begin()->first.rfind("Vantro: ", 0), 0u);
}

TEST_F(AppBackendTest, WithoutAnAdapterTheAppSimulates) {
    AppShell shell(AppOptions{}, QString::fromStdString(dir.path()), log);
    EXPECT_FALSE(shell.usesBluez());
    EXPECT_TRUE(log.contains("Wristband: simulated"));
    EXPECT_EQ(shell.wristbands().size(), 2u);
}

TEST_F(AppBackendTest, AnAdapterAddedAfterStartReplacesTheSimulatedBand) {
    AppShell shell(AppOptions{}, QString::fromStdString(dir.path()), log);
    ASSERT_FALSE(shell.usesBluez());
    // The screens say why the simulated band stands in: the title marks it, the header (which wraps) says why.
    const QString why = shell.tr("SimulatedNoAdapter");
    EXPECT_NE(shell.todayController().title().find(shell.tr("SimulatedBand").toStdString()), std::string::npos);
    EXPECT_TRUE(shell.todayScreen()->headerTitle(0).contains(why)) << shell.todayScreen()->headerTitle(0).toStdString();

    mock("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("phone")});
    mock("AddWristband",
         {QStringLiteral("hci0"), QStringLiteral("C0:11:22:33:44:01"), QStringLiteral("Vantro"), int16(-60)});
    ASSERT_TRUE(pumpUntil([&] { return shell.usesBluez(); })) << ::testing::PrintToString(log.lines);
    EXPECT_FALSE(shell.todayScreen()->headerTitle(0).contains(why));
    auto& app = shell.appDelegate();
    ASSERT_TRUE(pumpUntil([&] { return app.bleList && app.bleList->size() == 1; }))
        << ::testing::PrintToString(log.lines);
    EXPECT_EQ(app.bleList->begin()->first.rfind("Vantro: ", 0), 0u);
}

TEST_F(AppBackendTest, AskedToSimulateTheAppSimulatesDespiteTheAdapter) {
    mock("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("phone")});
    AppOptions simulate;
    simulate.wristband = WristbandChoice::Simulated;
    AppShell shell(simulate, QString::fromStdString(dir.path()), log);
    EXPECT_FALSE(shell.usesBluez());
    EXPECT_EQ(shell.wristbands().size(), 2u);
}

}  // namespace
}  // namespace vantro::testing

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
