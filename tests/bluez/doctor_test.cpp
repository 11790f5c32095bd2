// SPDX-License-Identifier: MIT
// vantro-cli doctor's checks on the private bus: all ready, then each piece missing in turn.
#include "bluez/doctor.h"
#include "bus_fixture.h"
#include "fake_kernel.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QDBusVariant>

#include <fstream>

namespace vantro::testing {
namespace {

class Doctor : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onPrivateBus()) GTEST_SKIP() << "runs only on the private bus of with_private_bus.sh";
        // The notification daemon is looked for on the session bus: here the same private bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", qgetenv("DBUS_SYSTEM_BUS_ADDRESS"));
        bluez = startBluez();
        ASSERT_TRUE(bluez->running());
        startModemManager();
        startNotifications();
        std::ofstream(dir.path() + "/plain") << "not a directory";
    }
    void addAdapter() { bluez->mock("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("phone")}); }
    void startModemManager() {
        mm = std::make_unique<MockService>(QStringLiteral("org.freedesktop.ModemManager1"),
                                           QStringLiteral("mock_modemmanager.py"));
        ASSERT_TRUE(mm->running());
        mm->mock("AddModem", {0u});
    }
    void startNotifications() {
        notifications = std::make_unique<MockService>(QStringLiteral("org.freedesktop.Notifications"),
                                                      QStringLiteral("mock_notifications.py"));
        ASSERT_TRUE(notifications->running());
    }
    std::vector<bluez::DoctorCheck> run() {
        bluez::DoctorOptions o{dataDir, configDir,
                               [this](std::string*) { return openFakeKernel(kernels, {}, denied); }};
        return bluez::runDoctor(o);
    }

    TempDir dir;
    std::string dataDir = dir.path() + "/data";
    std::string configDir = dir.path() + "/config";
    bool denied = false;
    std::vector<std::unique_ptr<FakeKernel>> kernels;
    std::unique_ptr<MockService> bluez, mm, notifications;
};

std::string dump(const std::vector<bluez::DoctorCheck>& checks) {
    std::string out;
    for (const auto& c : checks) out += (c.ok ? "OK " : "-- ") + c.what + ": " + c.detail + "\n";
    return out;
}

TEST_F(Doctor, EachMissingPieceIsNamedWithWhatToDo) {
    auto checks = run();
    EXPECT_TRUE(bluez::readyForRealBand(checks)) << dump(checks);
    ASSERT_EQ(checks.size(), 7u);
    for (const auto& c : checks) EXPECT_TRUE(c.ok) << dump(checks);

    struct Step {
        const char* what;
        std::function<void()> breakIt, mendIt;
        const char* says;
        bool stillReady;
    };
    const std::string plain = dir.path() + "/plain/vantro";
    const Step steps[] = {
        {"adapter", [&] { setAdapterPowered(*bluez, false); }, [&] { setAdapterPowered(*bluez, true); },
         "powered off: switch it on", false},
        {"link signal strength", [&] { denied = true; }, [&] { denied = false; }, "sudo setcap cap_net_admin+ep",
         false},
        {"modem", [&] { mm->mock("RemoveModem", {0u}); }, [&] { mm->mock("AddModem", {0u}); },
         "ModemManager sees no modem", true},
        {"modem", [&] { mm->stop(); }, [&] { startModemManager(); }, "ModemManager is not running", true},
        {"notifications", [&] { notifications->stop(); }, [&] { startNotifications(); }, "no notification daemon",
         false},
        {"activity data", [&] { dataDir = plain; }, [&] { dataDir = dir.path() + "/data"; }, "cannot be made", false},
        {"settings", [&] { configDir = plain; }, [&] { configDir = dir.path() + "/config"; }, "cannot be made", false},
        {"adapter", [&] { bluez->mock("RemoveAdapter", {QStringLiteral("hci0")}); }, [&] { addAdapter(); },
         "plug in a Bluetooth adapter", false},
        {"bluetoothd", [&] { bluez->stop(); }, [&] { bluez = startBluez(); }, "sudo systemctl start bluetooth", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.says);
        step.breakIt();
        checks = run();
        const auto it = std::find_if(checks.begin(), checks.end(), [&](const auto& c) {
            return c.what == step.what && c.detail.find(step.says) != std::string::npos;
        });
        ASSERT_NE(it, checks.end()) << dump(checks);
        EXPECT_FALSE(it->ok);
        EXPECT_EQ(bluez::readyForRealBand(checks), step.stillReady) << dump(checks);
        step.mendIt();
        EXPECT_TRUE(bluez::readyForRealBand(run())) << dump(run());
    }
}

}  // namespace
}  // namespace vantro::testing
