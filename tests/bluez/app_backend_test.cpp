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
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

namespace vantro::testing {
namespace {

using gui::AppOptions;
using gui::AppShell;
using gui::WristbandChoice;

/// Whether this process has loaded the BlueZ module or QtBluetooth (a process never unloads them).
bool bluetoothLibrariesLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return false;
    const QByteArray all = maps.readAll();
    return all.contains("vantro-bluez.so") || all.contains("libQt6Bluetooth");
}

class AppBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onPrivateBus()) GTEST_SKIP() << "runs only on the private bus of with_private_bus.sh";
        bluez = std::make_unique<MockService>(QStringLiteral("org.bluez"), QStringLiteral("mock_bluez.py"));
        ASSERT_TRUE(bluez->running());
    }
    void addAdapter(bool withBand) {
        bluez->mock("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("phone")});
        if (!withBand) return;
        bluez->mock("AddWristband", {QStringLiteral("hci0"), QStringLiteral("C0:11:22:33:44:01"),
                                     QStringLiteral("Vantro"), int16(-60)});
    }
    /// The app lists the one band of the mock bluetoothd.
    void expectBandListed(AppShell& shell) {
        auto& app = shell.appDelegate();
        ASSERT_TRUE(pump.until([&] { return app.bleList && app.bleList->size() == 1; }))
            << ::testing::PrintToString(log.lines);
        EXPECT_EQ(app.bleList->begin()->first.rfind("Vantro: ", 0), 0u);
    }
    std::unique_ptr<MockService> bluez;
    ManualRunLoop unused;  // the app keeps its own loop; the pump only runs Qt's events
    QtPump pump{unused};
    TempDir dir;
    CapturingLog log;
};

TEST_F(AppBackendTest, WithAnAdapterTheAppListsTheRealWristbands) {
    addAdapter(true);
    AppShell shell(AppOptions{}, QString::fromStdString(dir.path()), log);
    EXPECT_TRUE(shell.usesBluez());
    EXPECT_TRUE(bluetoothLibrariesLoaded());
    EXPECT_TRUE(log.contains("Wristband: Bluetooth through BlueZ"));
    EXPECT_TRUE(shell.wristbands().empty());
    expectBandListed(shell);
}

TEST_F(AppBackendTest, WithoutAnAdapterTheAppSimulates) {
    AppShell shell(AppOptions{}, QString::fromStdString(dir.path()), log);
    EXPECT_FALSE(shell.usesBluez());
    EXPECT_TRUE(log.contains("Wristband: simulated"));
    EXPECT_EQ(shell.wristbands().size(), 2u);
    // Watching for an adapter needs no Bluetooth libraries; they come with a real band.
    pump.idle(0.2);
    EXPECT_FALSE(bluetoothLibrariesLoaded());
}

TEST_F(AppBackendTest, AnAdapterAddedAfterStartReplacesTheSimulatedBand) {
    AppShell shell(AppOptions{}, QString::fromStdString(dir.path()), log);
    ASSERT_FALSE(shell.usesBluez());
    EXPECT_FALSE(bluetoothLibrariesLoaded());
    // The screens say why the simulated band stands in: the title marks it, the header (which wraps) says why.
    const QString why = shell.tr("SimulatedNoAdapter");
    EXPECT_NE(shell.todayController().title().find(shell.tr("SimulatedBand").toStdString()), std::string::npos);
    EXPECT_TRUE(shell.todayScreen()->headerTitle(0).contains(why)) << shell.todayScreen()->headerTitle(0).toStdString();

    addAdapter(true);
    ASSERT_TRUE(pump.until([&] { return shell.usesBluez(); })) << ::testing::PrintToString(log.lines);
    EXPECT_TRUE(bluetoothLibrariesLoaded());
    EXPECT_FALSE(shell.todayScreen()->headerTitle(0).contains(why));
    expectBandListed(shell);
}

TEST_F(AppBackendTest, AskedToSimulateTheAppSimulatesDespiteTheAdapter) {
    addAdapter(false);
    AppOptions simulate;
    simulate.wristband = WristbandChoice::Simulated;
    AppShell shell(simulate, QString::fromStdString(dir.path()), log);
    EXPECT_FALSE(shell.usesBluez());
    EXPECT_EQ(shell.wristbands().size(), 2u);
    EXPECT_FALSE(bluetoothLibrariesLoaded());
}

TEST_F(AppBackendTest, WithoutTheBluezModuleTheAppSimulatesAndSaysWhy) {
    addAdapter(false);
    qputenv("VANTRO_MODULE_DIR", "/nonexistent/lib/vantro");
    AppShell shell(AppOptions{}, QString::fromStdString(dir.path()), log);
    EXPECT_FALSE(shell.usesBluez());
    EXPECT_EQ(shell.wristbands().size(), 2u);
    const auto said = std::count_if(log.lines.begin(), log.lines.end(), [](const std::string& line) {
        return line.rfind("no BlueZ module (", 0) == 0 && line.find("only the simulated band") != std::string::npos;
    });
    EXPECT_EQ(said, 1) << ::testing::PrintToString(log.lines);
    EXPECT_FALSE(bluetoothLibrariesLoaded());
}

}  // namespace
}  // namespace vantro::testing

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
