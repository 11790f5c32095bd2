// SPDX-License-Identifier: MIT
// The screenshot tour: drives the app on the simulated wristband and writes one PNG per view.
#include "gui/screenshot_tour.h"

#include "gui/app_shell.h"
#include "gui/main_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
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
            box->adjustSize();
            const QSize bs = box->size().boundedTo(window.size() - QSize(24, 24));
            box->resize(bs);
            const QPoint at((window.width() - bs.width()) / 2, (window.height() - bs.height()) / 2);
            box->render(&p, at);
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
    window.setCurrentTab(kHistoryTab);
    capture(QStringLiteral("history"));
    window.setCurrentTab(kSleepTab);
    capture(QStringLiteral("sleep"));
    window.setCurrentTab(kSettingsTab);
    capture(QStringLiteral("settings"));

    for (const QString& f : m_written) std::printf("%s\n", qPrintable(f));
    std::printf("vantro: %lld screenshots in %s\n", static_cast<long long>(m_written.size()),
                qPrintable(QDir(m_dir).absolutePath()));
    for (const QString& f : m_failed) std::fprintf(stderr, "vantro: could not write %s\n", qPrintable(f));
    return m_failed.isEmpty() ? 0 : 1;
}

}  // namespace vantro::gui
