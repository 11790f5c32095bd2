// SPDX-License-Identifier: MIT
// The screenshot tour: drives the app on the simulated wristband and writes one PNG per view.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

namespace vantro::gui {

class AppShell;

/// Tours every screen that exists and captures it; pictures are window size × scale.
class ScreenshotTour {
public:
    ScreenshotTour(AppShell& shell, QString dir, double scale = 2.0);

    /// Runs the tour; returns 0 when every picture was written.
    int run();
    QStringList written() const { return m_written; }
    /// Pixel size of every picture for a window size.
    static QSize pictureSize(QSize window, double scale);
    /// The window size of the phone tour's second round ("small-" pictures).
    static constexpr QSize kSmallScreen{360, 640};

private:
    bool capture(const QString& name);
    void tourSettings();
    void openSettingsRow(int section, int row, const QString& name);
    bool closeMessageBox(int buttonIndex);
    void connectAndSync();
    void tourCharts();
    void tourSmallScreen();
    bool todayFilled();
    void wait(int ms);
    bool waitFor(const std::function<bool()>& condition, int timeoutMs);

    AppShell& m_shell;
    QString m_dir;
    double m_scale;
    int m_index = 0;
    QStringList m_written;
    QStringList m_failed;
};

}  // namespace vantro::gui
