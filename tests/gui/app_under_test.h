// SPDX-License-Identifier: MIT
// The whole app on the simulated band in a temporary directory, for the tests that walk its screens and pages.
#pragma once

#include "gui/app_shell.h"
#include "gui/main_window.h"
#include "gui/settings_screen.h"
#include "gui/table_view.h"
#include "platform/debug_log.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "store/sqlite_data.h"

#include <QApplication>
#include <QMessageBox>
#include <QSize>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>
#include <vector>

namespace vantro::gui::app_test {

inline QMessageBox* visibleBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

/// The app, its window shown; `days` and `nights` records are stored before it starts (ending yesterday).
struct AppUnderTest {
    QTemporaryDir dir;
    NullLog log;
    std::unique_ptr<AppShell> shell;

    explicit AppUnderTest(const QString& language = QStringLiteral("en"), bool tablet = false, int days = 0,
                          int nights = 0, QSize size = {}) {
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
        shell = std::make_unique<AppShell>(o, dir.path(), log);
        window().setAnimationsEnabled(false);
        if (size.isValid()) window().resize(size);
        window().show();
        QApplication::setActiveWindow(&window());
    }
    ~AppUnderTest() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
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
    /// Every row of the settings that opens a page, the sync and relay pages included, as (section, row).
    std::vector<RowPath> pageRows() {
        std::vector<RowPath> rows;
        for (int s = 0; s < settings().sectionCount(); ++s)
            for (int r = 0; r < settings().rowCount(s); ++r)
                if (settings().row(s, r).accessory == Accessory::Disclosure) rows.push_back({s, r});
        return rows;
    }
};

}  // namespace vantro::gui::app_test
