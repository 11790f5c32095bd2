// SPDX-License-Identifier: MIT
// Closing the window of the resident companion: with "Keep running in the background" on the widgets go
// and the out-of-range alarm still reaches the desktop; off, the app quits. Runs against a mock
// notification service on a private session bus.
#include "gui/app_shell.h"

#include "gui/main_window.h"
#include "gui/settings_screen.h"
#include "gui/table_view.h"
#include "gui/today_screen_view.h"
#include "notification_mock.h"
#include "settings/settings_keys.h"

#include <QApplication>
#include <QDBusConnection>
#include <QTemporaryDir>
#include <QTest>

using namespace vantro;
using namespace vantro::gui;
using vantro::testing::notifiedBodies;

namespace {
bool connectBand(AppShell& shell) {
    std::optional<bool> connected;
    shell.session().connect("", [&](bool ok, const std::string&) { connected = ok; });
    return QTest::qWaitFor([&] { return connected.has_value(); }, 15000) && *connected;
}
}  // namespace

class ResidentWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(dir.isValid());
        options.wristband = WristbandChoice::Simulated;
        options.brisk = true;
    }

    void closedWindowKeepsTheAlarm() {
        if (!QDBusConnection::sessionBus().isConnected()) QSKIP("needs a session bus (resident_window_dbus_test)");
        CapturingLog log;
        AppShell shell(options, dir.path(), log);
        shell.settings().setInteger(kFindMe, kFindMeOn);
        shell.showWindow();
        QVERIFY(connectBand(shell));

        QVERIFY(shell.window().close());
        QTRY_VERIFY(!shell.hasWindow());
        QVERIFY(!shell.quitting());
        QVERIFY(shell.todayScreen() == nullptr && shell.settingsScreen() == nullptr);  // the widgets are freed
        const QString notice = shell.tr("gui.background.notice");
        QTRY_VERIFY(notifiedBodies().contains(notice));

        // The band walks away and its link drops: the link-loss watch (15 s) still runs and the desktop
        // hears the alarm.
        shell.wristbands().at(0)->walkOutOfRange();
        QTRY_VERIFY_WITH_TIMEOUT(notifiedBodies().contains(QStringLiteral("Cannot find the Bluetooth wristband!")),
                                 25000);
        QCOMPARE(notifiedBodies().count(notice), 1);
        QVERIFY(vantro::testing::closedNotificationIds().isEmpty());
        // Back in reach, the band reconnects and the alarm's notice is withdrawn from the desktop.
        shell.wristbands().at(0)->comeBack();
        QTRY_COMPARE_WITH_TIMEOUT(vantro::testing::closedNotificationIds().size(), 1, 25000);

        // Shown again, the window is built anew on the same companion.
        shell.showWindow();
        QVERIFY(shell.hasWindow() && shell.todayScreen() != nullptr);
        QVERIFY(shell.appDelegate().isConnected() || shell.appDelegate().peripheral);
    }

    void reopenedWindowShowsWhatTheCompanionKnows() {
        CapturingLog log;
        AppShell shell(options, dir.path(), log);
        shell.showWindow();
        SettingsScreen* settings = shell.settingsScreen();
        QVERIFY(settings && settings->table());
        const int own = settings->sectionCount() - 1;
        QCOMPARE(settings->table()->shownHeader(own), shell.tr("NeverSynced"));

        QVERIFY(connectBand(shell));
        std::optional<bool> synced;
        shell.session().sync([&](bool ok, const std::string&) { synced = ok; });
        QTRY_VERIFY_WITH_TIMEOUT(synced.has_value(), 30000);
        QVERIFY(*synced);
        const std::optional<std::string> version = shell.session().state().version;
        QVERIFY(version.has_value());
        // The header above "Sync automatically" follows the sync without a restart.
        QTRY_VERIFY(settings->table()->shownHeader(own) != shell.tr("NeverSynced"));
        QCOMPARE(settings->table()->shownHeader(own), shell.tr("SyncedJustNow"));

        // Closed and opened again, the window shows the firmware version the companion knows.
        QVERIFY(shell.window().close());
        QTRY_VERIFY(!shell.hasWindow());
        shell.showWindow();
        QVERIFY(shell.todayScreen() != nullptr);
        QTRY_COMPARE(shell.todayScreen()->detailText(TodayScreen::kVersion), QString::fromStdString(*version));
    }

    void closedWindowQuitsWithTheSettingOff() {
        CapturingLog log;
        AppShell shell(options, dir.path(), log);
        shell.setKeepRunningInBackground(false);
        shell.showWindow();
        QVERIFY(shell.window().close());
        QTRY_VERIFY(shell.quitting());
    }

private:
    QTemporaryDir dir;
    AppOptions options;
};

QTEST_MAIN(ResidentWindowTest)
#include "resident_window_test.moc"
