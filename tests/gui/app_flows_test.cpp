// SPDX-License-Identifier: MIT
// The app's main flows, clicked through on the simulated wristband: pick, connect, sync, edit, toggle,
// reset, touch a bar, choose a night and tap a slice; the emergency call's tel: URL. And closing the window of
// the resident companion: with "Keep running in the background" on the widgets go and the out-of-range alarm
// still reaches the desktop (run again against a mock notification service on a private session bus); off,
// the app quits.
#include "app_under_test.h"

#include "charts/chart_information_view.h"
#include "charts/label.h"
#include "gui/controls.h"
#include "gui/history_screen.h"
#include "gui/property_page.h"
#include "gui/qt_url_opener.h"
#include "settings/properties_view_controller.h"
#include "gui/sleep_screen.h"
#include "gui/theme.h"
#include "gui/today_screen_view.h"
#include "notification_mock.h"
#include "screens/chart_view_controller.h"
#include "screens/sleep_main_view_controller.h"
#include "protocol/codes.h"
#include "settings/settings_keys.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QUrl>
#include <QLineEdit>
#include <QAction>
#include <QMenu>
#include <QPushButton>

using namespace vantro;
using namespace vantro::gui;
using vantro::testing::notifiedBodies;

class TelHandler : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void handle(const QUrl& url) { urls << url; }
};

namespace {

using app_test::clickBoxButton;
using app_test::visibleBox;

/// One run of the app on a fresh data directory, in English, with the band's brisk timing.
struct App : app_test::AppUnderTest {
    explicit App(bool userDirs = false, const std::function<void(const QString&)>& prepare = {})
        : AppUnderTest(QStringLiteral("en"), false, 0, 0, {}, userDirs, prepare) {
        shell->notifier().setApplicationStateOverride(AppState::Active);
    }
    VantroAppDelegate& app() { return shell->appDelegate(); }
    int storedDays() {
        std::vector<sportsData> days;
        return app().m_db->databaseToArray(days);
    }
    const std::deque<Bytes>& frames() { return shell->wristbands().front()->firmware().receivedFrames(); }
    QString detail(int section, int row) { return settings().row(section, row).detail; }
    PropertyPageView* openPage(int section, int row) {
        QWidget* top = AppUnderTest::openPage(section, row);
        return top ? top->findChild<PropertyPageView*>() : nullptr;
    }
    void clickOk(PropertyPageView* page) {
        auto* modal = qobject_cast<ModalPage*>(page->parentWidget());
        QTest::mouseClick(modal->navigationBar()->rightButton(), Qt::LeftButton);
    }

    /// Picks the nearest band in the picker and waits until it is connected and subscribed.
    bool connect() {
        if (!QTest::qWaitFor([&] { return app().bleList && app().bleList->size() >= 2; }, 8000)) return false;
        PropertyPageView* picker = openPage(0, 0);
        if (!picker) return false;
        if (!QTest::qWaitFor([&] { return picker->pickerRowCount() >= 2; }, 3000)) return false;
        picker->table()->tapRow(0, 0);
        // Commands go out once the characteristics are known and the reports are subscribed.
        return QTest::qWaitFor([&] { return app().isConnected() && subscribed(); }, 8000) &&
               QString::fromStdString(app().strBlueStatus()) == tr("Connected");
    }
    bool subscribed() {
        if (!app().characteristic) return false;
        const BleUuid report = BleUuid::fromString(kReportCharacteristicUuid);
        return std::any_of(app().characteristic->begin(), app().characteristic->end(),
                           [&](const BleCharacteristicPtr& c) { return c && c->uuid == report && c->isNotifying; });
    }
    bool sync() {
        settings().table()->tapRow(0, 1);
        const auto bands = shell->wristbands();
        const bool ok = QTest::qWaitFor(
            [&] {
                return bands.front()->pendingNotifications() == 0 &&
                       QString::fromStdString(app().strTransmitStatus()).startsWith(tr("SyncComplete"));
            },
            10000);
        if (!ok)
            qWarning("sync did not complete: status '%s', %zu on the link, connected %d",
                     app().strTransmitStatus().c_str(), bands.front()->pendingNotifications(),
                     int(app().isConnected()));
        return ok;
    }
};

bool connectBand(AppShell& shell) {
    std::optional<bool> connected;
    shell.session().connect("", [&](bool ok, const std::string&) { connected = ok; });
    return QTest::qWaitFor([&] { return connected.has_value(); }, 15000) && *connected;
}

}  // namespace

class AppFlowsTest : public QObject {
    Q_OBJECT
private slots:
    void pickConnectSyncAndTodayFills() {
        App a(true);
        TodayScreenView& today = *a.shell->todayScreen();
        // The simulated band says so, and its records never land among the user's real ones.
        QVERIFY(today.title().contains(a.tr("SimulatedBand")));
        QCOMPARE(today.detailText(0), QStringLiteral("-- steps"));
        QCOMPARE(today.detailText(6), QStringLiteral("--"));
        QCOMPARE(a.detail(0, 1), a.tr("NoSync"));

        QVERIFY(a.connect());
        QVERIFY(a.window().topModal() == nullptr);  // the picker closed itself
        QTRY_COMPARE(a.detail(0, 0), a.tr("Connected"));

        // Sync while connected: the status runs to "SyncComplete" with the time, the days are stored.
        QVERIFY(a.sync());
        QTRY_VERIFY(a.detail(0, 1).startsWith(a.tr("SyncComplete")));
        QVERIFY(a.storedDays() >= 14);

        // Today's rows fill: totals from the band's push, the signal reading, the version.
        a.window().setCurrentTab(kTodayTab);
        QTRY_VERIFY_WITH_TIMEOUT(today.detailText(0).endsWith(QLatin1String(" steps")) &&
                                     !today.detailText(0).startsWith(QLatin1String("--")),
                                 5000);
        QTRY_VERIFY_WITH_TIMEOUT(
            today.detailText(5).endsWith(QLatin1String("db")) && !today.detailText(5).startsWith(QLatin1String("--")),
            5000);
        QCOMPARE(today.detailText(6), QStringLiteral("1.5"));
        QVERIFY(QFile::exists(a.dir.filePath(QStringLiteral("vantro/simulated/database.sqlite3"))));
        QVERIFY(!QFile::exists(a.dir.filePath(QStringLiteral("vantro/database.sqlite3"))));
    }

    void pullingThePickerRescansAndTheButtonDoesTheSame() {
        App a;
        QVERIFY(a.connect());
        PropertyPageView* picker = a.openPage(0, 0);
        QVERIFY(picker);
        QCOMPARE(picker->refreshControlTitle(), a.tr("RefreshData"));
        // A drag from the top of the list down past the threshold.
        TableView* table = picker->table();
        const QPointF from(100, 20), to(100, 20 + TableView::kRefreshThreshold * 2.5);
        QTest::mousePress(table, Qt::LeftButton, {}, from.toPoint());
        for (int i = 1; i <= 10; ++i) {
            const QPointF p = from + (to - from) * (i / 10.0);
            QMouseEvent move(QEvent::MouseMove, p, table->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(table, &move);
        }
        QTest::mouseRelease(table, Qt::LeftButton, {}, to.toPoint());
        QCOMPARE(picker->refreshControlTitle(), a.tr("Scanning"));
        QTRY_VERIFY(!a.shell->wristbands().front()->isConnected());
        // The list fills again from new advertisements; the button rescans as well.
        QTRY_VERIFY_WITH_TIMEOUT(picker->pickerRowCount() >= 2, 5000);
        QTest::mouseClick(picker->refreshButton(), Qt::LeftButton);
        QCOMPARE(picker->pickerRowCount(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(picker->pickerRowCount() >= 2, 5000);
        QVERIFY(a.window().topModal() != nullptr);  // a rescan keeps the page open
    }

    void withoutABandSyncAsksToConnectAndCancelStoresNothing() {
        App a;
        a.window().setCurrentTab(kSettingsTab);
        a.settings().table()->tapRow(0, 1);
        QTRY_VERIFY(visibleBox() != nullptr);
        QCOMPARE(visibleBox()->text(), a.tr("Prompt"));
        QCOMPARE(visibleBox()->informativeText(), a.tr("SyncPrompt"));
        clickBoxButton(visibleBox(), a.tr("OK"));
        QTRY_VERIFY(visibleBox() == nullptr);
        QCOMPARE(a.detail(0, 1), a.tr("NoSync"));
        // Cancel on a page stores nothing.
        PropertyPageView* page = a.openPage(3, 1);
        QVERIFY(page);
        QTest::keyClicks(qobject_cast<QLineEdit*>(page->controlForTag(vantro::kNumberFieldTag)), QStringLiteral("80"));
        auto* modal = qobject_cast<ModalPage*>(page->parentWidget());
        QTest::mouseClick(modal->navigationBar()->leftButton(), Qt::LeftButton);
        QTRY_VERIFY(a.window().topModal() == nullptr);
        QCOMPARE(a.app().settings().integerForKey("bodyWeight"), 65);
    }

    void editHeightRefusedThenAcceptedAndTheEmergencyButtonDials() {
        App a;
        QVERIFY(a.connect());
        PropertyPageView* page = a.openPage(3, 0);
        QVERIFY(page);
        auto* field = qobject_cast<QLineEdit*>(page->controlForTag(vantro::kNumberFieldTag));
        QVERIFY(field);
        QVERIFY(field->text().isEmpty());  // the page never shows the stored value
        QCOMPARE(field->placeholderText(), a.tr("txtInputHeight"));

        QTest::keyClicks(field, QStringLiteral("79"));
        a.clickOk(page);
        QTRY_VERIFY(visibleBox() != nullptr);
        QCOMPARE(visibleBox()->informativeText(), a.tr("txtHeightPromptWan"));
        clickBoxButton(visibleBox(), QStringLiteral("OK"));
        QTRY_VERIFY(visibleBox() == nullptr);
        QVERIFY(a.window().topModal() != nullptr);  // still open, nothing stored
        QCOMPARE(a.app().settings().integerForKey("bodyHeight"), 165);

        field->clear();
        QTest::keyClicks(field, QStringLiteral("170"));
        a.clickOk(page);
        QTRY_VERIFY(a.window().topModal() == nullptr);
        QCOMPARE(a.detail(3, 0), QStringLiteral("170 cm"));

        // The band's emergency button dials the stored number.
        TelHandler handler;
        QDesktopServices::setUrlHandler(QStringLiteral("tel"), &handler, "handle");
        a.app().settings().setBool("imaswitch", true);
        a.app().settings().setString("imaphone", "+49 (30) 112-0");
        a.shell->wristbands().front()->pressEmergencyButton();
        QTRY_COMPARE(handler.urls.size(), 1);
        QCOMPARE(handler.urls[0].scheme(), QStringLiteral("tel"));
        QCOMPARE(handler.urls[0].path(), QStringLiteral("+49301120"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("tel"));
    }

    void urlsThatCannotBeFormedAreNotOpened() {
        TelHandler handler;
        QDesktopServices::setUrlHandler(QStringLiteral("tel"), &handler, "handle");
        QtUrlOpener opener;
        QVERIFY(!opener.openURL(""));
        QVERIFY(!opener.openURL("no scheme at all"));
        QVERIFY(!opener.openURL("tel://%zz"));
        QVERIFY(!opener.openURL("tel://"));
        QCOMPARE(handler.urls.size(), 0);
        QDesktopServices::unsetUrlHandler(QStringLiteral("tel"));
    }

    void factoryResetOnlyByAClickOnOk() {
        App a;
        QVERIFY(a.connect());
        QVERIFY(a.sync());
        QVERIFY(a.storedDays() > 0);

        a.settings().table()->scrollToRow(4, 2);
        a.settings().table()->tapRow(4, 2);
        QTRY_VERIFY(visibleBox() != nullptr);
        QCOMPARE(visibleBox()->text(), a.tr("SettingsDeletePrompt"));
        // Drawn as the app's alert: a white panel and the erasing button in red.
        QMessageBox* box = visibleBox();
        QPushButton* ok = nullptr;
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("OK")) ok = qobject_cast<QPushButton*>(b);
        QVERIFY(ok);
        const QImage panel = box->grab().toImage();
        QCOMPARE(panel.pixelColor(3, panel.height() / 2), colours::kCell);
        const QImage button = ok->grab().toImage();
        bool red = false;
        for (int y = 0; y < button.height(); ++y)
            for (int x = 0; x < button.width(); ++x) {
                const QColor c = button.pixelColor(x, y);
                red |= c.red() > 200 && c.green() < 120 && c.blue() < 120;
            }
        QVERIFY2(red, "the erasing button is not drawn in red");
        clickBoxButton(box, QStringLiteral("OK"));
        // A confirmation follows the answer.
        QTRY_VERIFY(visibleBox() != nullptr && visibleBox()->informativeText() == a.tr("txtResetDone"));
        clickBoxButton(visibleBox(), QStringLiteral("OK"));
        QTRY_VERIFY(visibleBox() == nullptr);
        QCOMPARE(a.storedDays(), 0);
        QTRY_VERIFY(a.frames().back() == (Bytes{0xB6, 0x5A}));
    }

    void afterASyncBarsAndSlicesAnswerTouches() {
        App a;
        QVERIFY(a.connect());
        QVERIFY(a.sync());
        a.window().setCurrentTab(kHistoryTab);
        HistoryScreen& history = *a.shell->historyScreen();
        QTRY_VERIFY(history.controller().chartData().size() >= 14);
        const int index = static_cast<int>(history.controller().chartData().size()) - 2;
        QTest::qWait(700);  // the bars grow into place
        const auto at = history.barCentre(index);
        QVERIFY(at);
        auto panel = history.controller().informationView();
        QCOMPARE(panel->titleLabel()->alpha(), 0.0);

        QTest::mousePress(history.host(), Qt::LeftButton, {}, at->toPoint());
        QCOMPARE(panel->titleLabel()->text().value_or(""), history.controller().monthlySymbols()[index]);
        QCOMPARE(panel->titleLabel()->alpha(), 1.0);
        QVERIFY(history.controller().barChartView()->selectionViewVisible());

        QTest::mouseRelease(history.host(), Qt::LeftButton, {}, at->toPoint());
        QTRY_COMPARE(panel->titleLabel()->alpha(), 0.0);

        // The range control picks a week; the arrows and a sideways swipe page through the weeks.
        SegmentedControl* ranges = history.rangeControl();
        QTest::mouseClick(ranges, Qt::LeftButton, {}, ranges->segmentRect(1).center());
        QCOMPARE(history.controller().range(), HistoryRange::Week);
        QCOMPARE(history.controller().barCount(), 7);
        QVERIFY(!history.newerButton()->isEnabled());
        QVERIFY(history.olderButton()->isEnabled());  // the band keeps more than a week
        QTest::mousePress(history.host(), Qt::LeftButton, {}, QPoint(40, 200));
        QTest::mouseRelease(history.host(), Qt::LeftButton, {}, QPoint(220, 205));
        QTRY_COMPARE(history.controller().page(), 1);
        QVERIFY(history.newerButton()->isEnabled());
        QTest::mouseClick(history.newerButton(), Qt::LeftButton);
        QCOMPARE(history.controller().page(), 0);
        QVERIFY(!history.newerButton()->isEnabled());

        // Sleep: choosing a night, tapping a slice out and back in.
        a.window().setCurrentTab(kSleepTab);
        SleepScreen& sleep = *a.shell->sleepScreen();
        QTRY_VERIFY(sleep.controller() != nullptr);
        QVERIFY(sleep.rowCount(0) >= 7);
        SleepPieViewController& pie = *sleep.controller()->pieViewController();
        // It opens on last night: the newest row, at the list's end, is in view and in the pie.
        const int newest = sleep.rowCount(0) - 1;
        QCOMPARE(sleep.selectedRow(), newest);
        QVERIFY(sleep.table()->visibleRows().count(RowPath{0, newest}));
        QVERIFY(!sleep.table()->visibleRows().count(RowPath{0, 0}));
        QTRY_COMPARE(pie.slices().size(), size_t(4));
        QVERIFY(sleep.hint()->isHidden());

        const auto& nights = sleep.controller()->dataViewController()->sItems();
        const int last = sleep.rowCount(0) - 1;  // the latest night
        sleep.table()->scrollToRow(0, last);
        sleep.table()->tapRow(0, last);
        QTRY_COMPARE(pie.slices().size(), size_t(4));
        QCOMPARE(pie.slices()[1].value, static_cast<float>(nights[static_cast<size_t>(last)].deep_time));

        const auto onSlice = sleep.sliceCentre(1);
        QVERIFY(onSlice);
        auto offsetOf = [&](int i) { return pie.pieView()->layer().values()[static_cast<size_t>(i)]->centrOffset(); };
        QTest::mouseClick(sleep.host(), Qt::LeftButton, {}, onSlice->toPoint());
        QCOMPARE(offsetOf(1), 20.0f);
        QCOMPARE(offsetOf(0), 0.0f);
        QTest::qWait(700);  // the slice slides out; the tap point is still on it
        QTest::mouseClick(sleep.host(), Qt::LeftButton, {}, onSlice->toPoint());
        QCOMPARE(offsetOf(1), 0.0f);
    }

    void theStartMakesOnlyTheShownTabAndOpensNoAudioOutputAndTheIndexHasALetterPerSection() {
        App a;
        QTRY_VERIFY(a.shell->todayScreen()->table() != nullptr);
        QVERIFY(a.shell->screenMade(kTodayTab));
        for (int tab : {kHistoryTab, kSleepTab, kSettingsTab})
            QVERIFY2(!a.shell->screenMade(tab), qPrintable(QString::number(tab)));
        QVERIFY(!a.shell->sound().outputOpened());
        // The others come when first shown, each on its own.
        a.window().setCurrentTab(kHistoryTab);
        QVERIFY(a.shell->screenMade(kHistoryTab));
        QVERIFY(!a.shell->screenMade(kSleepTab) && !a.shell->screenMade(kSettingsTab));
        QTRY_VERIFY(a.shell->historyScreen()->controller().isViewLoaded());
        QCOMPARE(a.window().navigationBar(kHistoryTab)->title(), a.tr("SportsData"));
        // The titles that stood in for the screens are theirs.
        QCOMPARE(a.window().navigationBar(kSleepTab)->title(), a.shell->sleepScreen()->title());
        QCOMPARE(a.window().navigationBar(kSettingsTab)->title(), a.settings().title());
        // The settings index: one letter per section.
        const QStringList letters = a.settings().sectionIndexTitles();
        QCOMPARE(letters.size(), 6);  // the five of the settings table, then sync and relay
        QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
        QCOMPARE(SettingsScreen::indexLetters({"Wristband", "Wish", "Wristband settings", "W"}),
                 (QStringList{"W", "I", "S", "W"}));  // no letter left: the initial, even if taken
    }

    void outOfRangeSoundsTheAlarmUntilFindMeIsSwitchedOff() {
        App a;
        QVERIFY(a.connect());
        QVERIFY(!a.shell->sound().outputOpened());  // only the alarm opens it
        a.settings().table()->scrollToRow(4, 1);
        a.settings().table()->tapRow(4, 1);  // find-me on
        QCOMPARE(a.app().settings().integerForKey("findme"), 1);
        QSignalSpy vibrated(&a.shell->sound(), &AlarmSound::vibrated);
        // Far enough for a reading under -95 dBm, still within reach of the radio.
        a.shell->wristbands().front()->setDistance(80);
        QTRY_VERIFY_WITH_TIMEOUT(visibleBox() != nullptr, 6000);
        QCOMPARE(visibleBox()->text(), QStringLiteral("Vantro"));
        QCOMPARE(visibleBox()->informativeText(), QStringLiteral("Cannot find the Bluetooth wristband!"));
        QCOMPARE(a.shell->sound().requestedPlays(), 2);  // the sound plays twice
        QVERIFY(a.shell->sound().outputOpened());
        QCOMPARE(vibrated.count(), 1);
        QCOMPARE(a.shell->notifier().lastRoute(), QtNotifier::Route::Receiver);
        // Switching find-me off silences the alarm at once and takes its box away.
        QVERIFY(a.shell->sound().isPlaying());
        a.settings().table()->tapRow(4, 1);
        QCOMPARE(a.app().settings().integerForKey("findme"), 2);
        QVERIFY(!a.shell->sound().isPlaying());
        QTRY_VERIFY(visibleBox() == nullptr);
    }

    void anUnreadableSettingsFileIsShownNeverReplacedNorSent() {
        App a(false, [](const QString& dir) { QDir(dir).mkdir(QStringLiteral("settings.json")); });
        QTRY_VERIFY(visibleBox() != nullptr);
        QVERIFY(visibleBox()->informativeText().contains(a.dir.filePath(QStringLiteral("settings.json"))));
        clickBoxButton(visibleBox(), QStringLiteral("OK"));
        QVERIFY(a.connect());
        a.settings().table()->tapRow(0, 1);
        QTest::qWait(500);
        for (const auto& frame : a.frames()) {
            QVERIFY(frame.empty() || frame[0] != CMD_TYPE_BODYHEIGHT);  // no default height sent as the user's
        }
        QVERIFY(QFileInfo(a.dir.filePath(QStringLiteral("settings.json"))).isDir());
        // Once the directory is gone there is nothing to misread, and the same tap sends.
        QVERIFY(QDir(a.dir.path()).rmdir(QStringLiteral("settings.json")));
        a.settings().table()->tapRow(0, 1);
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(a.frames().begin(), a.frames().end(),
                                             [](const Bytes& f) { return !f.empty() && f[0] == CMD_TYPE_BODYHEIGHT; }),
                                 500);
    }

    void startAtLoginSaysWhatWentWrongAndShowsWhatTheDesktopWillDo() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString entry = config.filePath(QStringLiteral("autostart/org.vantro.Vantro.desktop"));
        QVERIFY(QDir(config.path()).mkpath(entry));  // a directory where the entry belongs
        App a;
        auto* menu = a.window().findChild<QMenu*>(QStringLiteral("appMenu"));
        QVERIFY(menu);
        auto* login = menu->findChild<QAction*>(QStringLiteral("startAtLoginAction"));
        QVERIFY(login);
        emit menu->aboutToShow();
        QVERIFY(!login->isChecked());
        login->trigger();
        QTRY_VERIFY(visibleBox() != nullptr);
        QVERIFY2(visibleBox()->informativeText().contains(QStringLiteral("is a directory")),
                 qPrintable(visibleBox()->informativeText()));
        QVERIFY(!login->isChecked());  // the switch does not claim what did not happen
        clickBoxButton(visibleBox(), QStringLiteral("OK"));
        QTRY_VERIFY(visibleBox() == nullptr);

        // Once the directory is gone the switch writes the entry, and removes it again.
        QVERIFY(QDir(entry).removeRecursively());
        login->trigger();
        QVERIFY(login->isChecked());
        QVERIFY(QFileInfo(entry).isFile());
        QVERIFY(visibleBox() == nullptr);
        login->trigger();
        QVERIFY(!login->isChecked());
        QVERIFY(!QFileInfo::exists(entry));
        qunsetenv("XDG_CONFIG_HOME");
    }

    // Export from one app and import into a fresh one, through the settings bar's Backup button.
    void backupButtonExportsAndImports() {
        QTemporaryDir files;
        const QString path = files.filePath(QStringLiteral("backup.csv"));
        auto run = [&](App& a, const char* choice) -> QString {
            a.settings().chooseBackupFile = [&](bool) { return path; };
            a.window().setCurrentTab(kSettingsTab);
            QTest::mouseClick(a.window().navigationBar(kSettingsTab)->rightButton(), Qt::LeftButton);
            if (!QTest::qWaitFor([] { return visibleBox() != nullptr; })) return "no question";
            clickBoxButton(visibleBox(), a.tr(choice));
            if (!QTest::qWaitFor([] { return visibleBox() != nullptr; })) return "no answer";
            const QString said = visibleBox()->informativeText();
            clickBoxButton(visibleBox(), a.tr("OK"));
            return said;
        };
        App from;
        QVERIFY(from.app().m_db->updateData(CalendarDate{2014, 7, 15}, 500, 1, 2, 3, 0, 4));
        QCOMPARE(run(from, "gui.export"), QStringLiteral("1 records written to %1").arg(path));
        App to;
        QCOMPARE(run(to, "gui.import"),
                 QStringLiteral("1 records read: 1 days and 0 nights added, 0 days and 0 nights updated"));
        std::vector<sportsData> days;
        to.app().m_db->databaseToArray(days);
        QCOMPARE(days.size(), size_t(1));
        QCOMPARE(days[0].step, 500);
    }

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

QTEST_MAIN(AppFlowsTest)
#include "app_flows_test.moc"
