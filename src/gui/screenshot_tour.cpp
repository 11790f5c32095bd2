// SPDX-License-Identifier: MIT
// The screenshot tour: drives the app on the simulated wristband and writes one PNG per view.
#include "gui/screenshot_tour.h"

#include "gui/app_shell.h"
#include "gui/controls.h"
#include "gui/history_screen.h"
#include "gui/main_window.h"
#include "gui/sleep_screen.h"
#include "screens/chart_view_controller.h"
#include "gui/message_box.h"
#include "gui/property_page.h"
#include "gui/settings_screen.h"
#include "gui/table_view.h"
#include "gui/today_screen_view.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>

#include <cstdio>

namespace vantro::gui {
namespace {

QMessageBox* visibleMessageBox() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    }
    return nullptr;
}

}  // namespace

ScreenshotTour::ScreenshotTour(AppShell& shell, QString dir, double scale)
    : m_shell(shell), m_dir(std::move(dir)), m_scale(scale) {}

QSize ScreenshotTour::pictureSize(QSize window, double scale) {
    return QSize(static_cast<int>(window.width() * scale + 0.5), static_cast<int>(window.height() * scale + 0.5));
}

void ScreenshotTour::wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool ScreenshotTour::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs) return false;
        wait(20);
    }
    return true;
}

bool ScreenshotTour::capture(const QString& name) {
    wait(60);  // let pending paints and posted calls run
    MainWindow& window = m_shell.window();
    const QSize size = pictureSize(window.size(), m_scale);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(m_scale);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        window.render(&p);
        // A message box is its own window; show it over the app the way a phone shows an alert.
        if (QMessageBox* box = visibleMessageBox()) {
            p.fillRect(QRect(QPoint(0, 0), window.size()), QColor(0, 0, 0, 90));
            const QPixmap shot = box->grab();
            // A box wider than the phone is shown scaled down to fit, as a whole.
            const QSizeF natural = QSizeF(shot.size()) / shot.devicePixelRatioF();
            const double fit = std::min(1.0, (window.width() - 24.0) / natural.width());
            const QSizeF size = natural * fit;
            const QRectF at((window.width() - size.width()) / 2, (window.height() - size.height()) / 2, size.width(),
                            size.height());
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawPixmap(at, shot, QRectF(shot.rect()));
        }
    }
    const QString file =
        QDir(m_dir).filePath(QStringLiteral("%1-%2.png").arg(++m_index, 2, 10, QLatin1Char('0')).arg(name));
    if (!image.save(file, "PNG")) {
        m_failed << file;
        return false;
    }
    m_written << file;
    return true;
}

bool ScreenshotTour::closeMessageBox(int buttonIndex) {
    QMessageBox* box = visibleMessageBox();
    if (!box) return false;
    const auto buttons = box->buttons();
    for (QAbstractButton* b : buttons) {
        if (messageBoxButtonIndex(box, b) == buttonIndex) {
            b->click();
            break;
        }
    }
    return waitFor([] { return visibleMessageBox() == nullptr; }, 2000);
}

void ScreenshotTour::openSettingsRow(int section, int row, const QString& name) {
    SettingsScreen* settings = m_shell.settingsScreen();
    MainWindow& window = m_shell.window();
    settings->table()->scrollToRow(section, row);
    settings->table()->tapRow(section, row);
    if (!waitFor([&] { return window.topModal() != nullptr; }, 2000)) {
        m_failed << name;
        return;
    }
    capture(name);
    if (auto* page = window.topModal()->findChild<PropertyPageView*>())
        page->cancel();
    else
        window.dismissModal(window.topModal(), false);  // the sync and relay pages have only a close button
    waitFor([&] { return window.topModal() == nullptr; }, 2000);
}

void ScreenshotTour::tourSettings() {
    SettingsScreen* settings = m_shell.settingsScreen();
    if (!settings) return;
    TableView* table = settings->table();
    table->setContentOffset(1e6);
    capture(QStringLiteral("settings-bottom"));
    table->setContentOffset(0);
    openSettingsRow(1, 0, QStringLiteral("page-present"));
    openSettingsRow(1, 1, QStringLiteral("page-wish"));
    openSettingsRow(2, 2, QStringLiteral("page-sitting"));
    openSettingsRow(2, 3, QStringLiteral("page-medicine"));
    openSettingsRow(2, 4, QStringLiteral("page-alarm"));
    openSettingsRow(3, 0, QStringLiteral("page-height"));
    openSettingsRow(3, 1, QStringLiteral("page-weight"));
    openSettingsRow(4, 0, QStringLiteral("page-display-time"));
    // The factory-reset question, answered with "Cancel".
    table->scrollToRow(4, 2);
    table->tapRow(4, 2);
    if (waitFor([] { return visibleMessageBox() != nullptr; }, 2000)) {
        capture(QStringLiteral("factory-reset"));
        closeMessageBox(0);
    }
    table->setContentOffset(0);
}

bool ScreenshotTour::todayFilled() {
    TodayScreenView* today = m_shell.todayScreen();
    if (!today) return false;
    for (int row = 0; row < today->rowCount(0); ++row) {
        const QString text = today->detailText(row);
        if (text.isEmpty() || text.startsWith(QLatin1String("--"))) return false;
    }
    return true;
}

void ScreenshotTour::connectAndSync() {
    VantroAppDelegate& app = m_shell.appDelegate();
    SettingsScreen* settings = m_shell.settingsScreen();
    MainWindow& window = m_shell.window();
    // The picker lists the bands as their advertisements arrive.
    waitFor([&] { return app.bleList && app.bleList->size() >= 2; }, 8000);
    settings->table()->setContentOffset(0);
    settings->table()->tapRow(0, 0);
    if (!waitFor([&] { return window.topModal() != nullptr; }, 2000)) {
        m_failed << QStringLiteral("picker");
        return;
    }
    auto* picker = window.topModal()->findChild<PropertyPageView*>();
    waitFor([&] { return picker && picker->pickerRowCount() >= 2; }, 3000);
    capture(QStringLiteral("picker"));
    // The nearest band is the first row (its key sorts first: identifiers end in 1 and 2).
    if (picker && picker->table()) picker->table()->tapRow(0, 0);
    waitFor([&] { return app.isConnected() && app.state().link == LinkState::Connected; }, 8000);
    waitFor([&] { return window.topModal() == nullptr; }, 2000);
    wait(1100);  // the status row follows the link status on its 1-second refresh
    capture(QStringLiteral("settings-connected"));

    settings->table()->tapRow(0, 1);
    const auto bands = m_shell.wristbands();
    waitFor(
        [&] {
            const bool drained = bands.empty() || bands.front()->pendingNotifications() == 0;
            return drained && app.state().sync == SyncState::Complete;
        },
        10000);
    wait(1100);
    capture(QStringLiteral("settings-synced"));
}

void ScreenshotTour::tourCharts() {
    MainWindow& window = m_shell.window();
    window.setCurrentTab(kHistoryTab);
    wait(900);  // the bars grow into place
    capture(QStringLiteral("history"));
    HistoryScreen* history = m_shell.historyScreen();
    // A finger resting on a bar shows its day in the panel; lifting it hides the panel again.
    if (history && history->host()) {
        const int bars = static_cast<int>(history->controller().chartData().size());
        if (const auto at = history->barCentre(std::max(0, bars - 3))) {
            history->host()->touchBegan(*at);
            wait(400);
            capture(QStringLiteral("history-bar-selected"));
            history->host()->touchEnded(*at);
            wait(300);
        }
    }
    // The week, month and year views, each once its bars have grown into place; then all days again,
    // so the range the tour leaves behind is the one a first start shows.
    if (history && history->rangeControl()) {
        const QString names[] = {QStringLiteral("history-week"), QStringLiteral("history-month"),
                                 QStringLiteral("history-year")};
        for (int i = 0; i < 3; ++i) {
            history->rangeControl()->setSelectedIndex(i + 1);
            wait(1200);
            capture(names[i]);
            // A week of the past names its own dates at both ends instead of "Now".
            if (i == 0 && history->olderButton() && history->olderButton()->isEnabled()) {
                history->olderButton()->click();
                wait(1200);
                capture(QStringLiteral("history-week-past"));
            }
        }
        history->rangeControl()->setSelectedIndex(0);
    }

    window.setCurrentTab(kSleepTab);
    capture(QStringLiteral("sleep"));  // opens on last night (the hint only when there is none)
    SleepScreen* sleep = m_shell.sleepScreen();
    if (sleep && sleep->table() && sleep->rowCount(0) > 0) {
        sleep->table()->scrollToRow(0, sleep->rowCount(0) - 1);
        sleep->table()->tapRow(0, sleep->rowCount(0) - 1);  // the latest night
        wait(300);
        capture(QStringLiteral("sleep-night"));
        if (const auto at = sleep->sliceCentre(1)) {
            sleep->host()->touchBegan(*at);
            sleep->host()->touchEnded(*at);
            wait(900);  // the slice slides out
            capture(QStringLiteral("sleep-slice-pulled"));
        }
    }
}

void ScreenshotTour::tourSmallScreen() {
    // The same app on the narrowest phones (360 x 640): the window lays itself out for the size.
    MainWindow& window = m_shell.window();
    const QSize before = window.size();
    window.resize(kSmallScreen);
    // The keyboard's focus shows as on a phone in use: the first control of a page wears its ring.
    QApplication::setActiveWindow(&window);
    wait(100);
    window.setCurrentTab(kTodayTab);
    capture(QStringLiteral("small-today"));
    window.setCurrentTab(kHistoryTab);
    wait(900);
    capture(QStringLiteral("small-history"));
    window.setCurrentTab(kSleepTab);
    capture(QStringLiteral("small-sleep"));
    window.setCurrentTab(kSettingsTab);
    capture(QStringLiteral("small-settings"));
    if (SettingsScreen* settings = m_shell.settingsScreen()) {
        openSettingsRow(2, 2, QStringLiteral("small-page-sitting"));
        openSettingsRow(settings->sectionCount() - 1, 0, QStringLiteral("small-page-sync"));
        settings->table()->scrollToRow(4, 2);
        settings->table()->tapRow(4, 2);
        if (waitFor([] { return visibleMessageBox() != nullptr; }, 2000)) {
            capture(QStringLiteral("small-factory-reset"));
            closeMessageBox(0);
        }
        settings->table()->setContentOffset(0);
    }
    window.resize(before);
    wait(100);
}

int ScreenshotTour::run() {
    if (!QDir().mkpath(m_dir)) {
        std::fprintf(stderr, "vantro: cannot create %s\n", qPrintable(m_dir));
        return 1;
    }
    MainWindow& window = m_shell.window();
    window.setAnimationsEnabled(false);
    m_shell.notifier().setApplicationStateOverride(AppState::Active);
    window.show();
    waitFor([&] { return window.isVisible(); }, 2000);

    window.setCurrentTab(kTodayTab);
    capture(QStringLiteral("today"));
    window.setCurrentTab(kSettingsTab);
    capture(QStringLiteral("settings"));
    tourSettings();
    connectAndSync();
    window.setCurrentTab(kTodayTab);
    // Today's running totals arrive with the band's next push; the signal with the next reading.
    waitFor([&] { return todayFilled(); }, 8000);
    capture(QStringLiteral("today-synced"));
    tourCharts();
    if (!window.metrics().tablet) tourSmallScreen();

    for (const QString& f : m_written) std::printf("%s\n", qPrintable(f));
    std::printf("vantro: %lld screenshots in %s\n", static_cast<long long>(m_written.size()),
                qPrintable(QDir(m_dir).absolutePath()));
    for (const QString& f : m_failed) std::fprintf(stderr, "vantro: could not write %s\n", qPrintable(f));
    return m_failed.isEmpty() ? 0 : 1;
}

}  // namespace vantro::gui
