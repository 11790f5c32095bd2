// SPDX-License-Identifier: MIT
// The whole app on the simulated band in a temporary directory, for the tests that walk its screens and pages.
#pragma once

#include "message_boxes.h"

#include "gui/app_shell.h"
#include "gui/controls.h"
#include "gui/history_screen.h"
#include "gui/main_window.h"
#include "gui/navigation_bar.h"
#include "gui/settings_screen.h"
#include "gui/sleep_screen.h"
#include "gui/table_view.h"
#include "platform/debug_log.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "screens/chart_view_controller.h"
#include "store/sqlite_data.h"

#include <QMenu>
#include <QSize>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace vantro::gui::app_test {

using testing::clickBoxButton;
using testing::visibleBox;

/// The app, its window shown; `days` and `nights` records are stored before it starts (ending yesterday).
/// With `userDirs` it gets no data directory and the XDG data and config homes point into the temporary
/// one; `prepare` gets the data directory before the app starts.
struct AppUnderTest {
    QTemporaryDir dir;
    NullLog log;
    std::unique_ptr<AppShell> shell;

    explicit AppUnderTest(const QString& language = QStringLiteral("en"), bool tablet = false, int days = 0,
                          int nights = 0, QSize size = {}, bool userDirs = false,
                          const std::function<void(const QString&)>& prepare = {}) {
        if (prepare) prepare(dir.path());
        if (userDirs) {
            qputenv("XDG_DATA_HOME", dir.path().toUtf8());
            qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        }
        if (days || nights) {
            NullLog quiet;
            sqlite_data db(recordsDirectory(dir.path().toStdString(), true), quiet);
            const CalendarDate today = toLocal(std::chrono::system_clock::now()).date();
            for (int i = 1; i <= days; ++i) db.updateData(addDays(today, -i), 4000 + 250 * i, 300, 120, 60, 0, 40);
            for (int i = 1; i <= nights; ++i)
                db.updateSleepData(addDays(today, -i), 30, 120, 95 + i, 60, 15, 2, TimeOfDay{5, 20}, TimeOfDay{23, 10});
        }
        AppOptions o;
        o.language = language;
        o.tablet = tablet;
        o.brisk = true;
        o.wristband = WristbandChoice::Simulated;
        shell = std::make_unique<AppShell>(o, userDirs ? QString() : dir.path(), log);
        window().setAnimationsEnabled(false);
        if (size.isValid()) window().resize(size);
        window().show();
        QApplication::setActiveWindow(&window());
    }
    ~AppUnderTest() {
        testing::closeBoxes();
        shell.reset();
    }
    AppUnderTest(const AppUnderTest&) = delete;
    AppUnderTest& operator=(const AppUnderTest&) = delete;

    MainWindow& window() { return shell->window(); }
    SettingsScreen& settings() { return *shell->settingsScreen(); }
    QString tr(const char* key) { return QString::fromStdString(shell->appDelegate().localized(key)); }
    void key(int k, Qt::KeyboardModifiers m = {}) {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : &window();
        QTest::keyClick(to, static_cast<Qt::Key>(k), m);
        QApplication::processEvents();
    }
    /// Opens the settings row's page and returns it (null when none opened).
    QWidget* openPage(int section, int row) {
        window().setCurrentTab(kSettingsTab);
        settings().table()->scrollToRow(section, row);
        settings().table()->tapRow(section, row);
        QApplication::processEvents();
        return window().topModal();
    }
    QWidget* openPageTitled(const QString& caption) {
        for (int s = 0; s < settings().sectionCount(); ++s)
            for (int r = 0; r < settings().rowCount(s); ++r)
                if (settings().row(s, r).caption == caption) return openPage(s, r);
        return nullptr;
    }
    /// Asks the backup question (three answers), then the reset question (destructive), hands each to
    /// `check` while it shows, then answers it with Cancel.
    void eachQuestion(const std::function<void(QMessageBox*)>& check) {
        window().setCurrentTab(kSettingsTab);
        for (bool backup : {true, false}) {
            backup ? window().navigationBar(kSettingsTab)->rightButton()->click() : settings().table()->tapRow(4, 2);
            QVERIFY(QTest::qWaitFor([] { return visibleBox() != nullptr; }));
            check(visibleBox());
            if (QMessageBox* box = visibleBox()) box->reject();
            QVERIFY(QTest::qWaitFor([] { return visibleBox() == nullptr; }));
        }
    }
    /// Every row of the settings that opens a page, the sync and relay pages included, as (section, row).
    std::vector<RowPath> pageRows() {
        std::vector<RowPath> rows;
        for (int s = 0; s < settings().sectionCount(); ++s)
            for (int r = 0; r < settings().rowCount(s); ++r)
                if (settings().row(s, r).accessory == Accessory::Disclosure) rows.push_back({s, r});
        return rows;
    }
    /// Shows each tab in turn, its content made (the history's bars in weeks, where the arrows work, with
    /// `weeks`), and hands `check` the tab and its title.
    void eachScreen(const std::function<void(int, const QString&)>& check, bool weeks = false) {
        for (int tab : {kTodayTab, kHistoryTab, kSleepTab, kSettingsTab}) {
            window().setCurrentTab(tab);
            QApplication::processEvents();
            if (tab == kSleepTab) QTRY_VERIFY(shell->sleepScreen()->table());
            if (tab == kHistoryTab && weeks) shell->historyScreen()->rangeControl()->setSelectedIndex(1);
            if (tab == kHistoryTab) QTRY_VERIFY(shell->historyScreen()->controller().barCount() > 0);
            check(tab, window().navigationBar(tab)->title());
        }
    }
    /// Opens every settings page in turn (ten or more), hands it and its caption to `check`, and closes it.
    void eachPage(const std::function<void(QWidget*, const QString&)>& check) {
        const auto rows = pageRows();
        QVERIFY(rows.size() >= 10);
        for (const auto& [s, r] : rows) {
            QWidget* page = openPage(s, r);
            QVERIFY(page);
            check(page, settings().row(s, r).caption);
            if (window().topModal()) window().dismissModal(window().topModal(), false);
            QApplication::processEvents();
        }
    }
    /// Opens the App menu by its button.
    QMenu* openAppMenu() {
        window().navigationBar(kSettingsTab)->leftButton()->click();
        auto* menu = window().findChild<QMenu*>(QStringLiteral("appMenu"));
        [&] { QTRY_VERIFY(menu && menu->isVisible()); }();
        return menu;
    }
};

}  // namespace vantro::gui::app_test
