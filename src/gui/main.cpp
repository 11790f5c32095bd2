// SPDX-License-Identifier: MIT
// vantro: the Qt app of the wristband companion, or with --screenshots a tour that writes PNGs.
#include "gui/app_fonts.h"
#include "gui/app_options.h"
#include "gui/app_shell.h"
#include "gui/main_window.h"
#include "gui/screenshot_tour.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace vantro::gui;
    // The tour runs without a display: pick the offscreen platform before Qt starts, unless one was chosen.
    bool screenshots = false;
    for (int i = 1; i < argc; ++i) screenshots = screenshots || std::strcmp(argv[i], "--screenshots") == 0;
    if (screenshots && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    // One style everywhere, so the app and its screenshots look the same on every desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(QStringLiteral("vantro"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantro"));
    QApplication::setApplicationVersion(QStringLiteral(VANTRO_VERSION));

    QString error;
    const auto options = parseOptions(QApplication::arguments().mid(1), error);
    if (!options) {
        std::fprintf(stderr, "vantro: %s\n%s", qPrintable(error), qPrintable(usageText()));
        return 2;
    }
    if (options->help) {
        std::printf("%s", qPrintable(usageText()));
        return 0;
    }
    for (const QString& family : AppFonts::install()) {
        std::fprintf(stderr, "vantro: font %s not found; texts fall back to the system font\n", qPrintable(family));
    }

    // The tour never touches the user's own data unless a directory is named.
    QTemporaryDir tourDir;
    QString dataDir = options->dataDir;
    if (dataDir.isEmpty() && !options->screenshotsDir.isEmpty()) dataDir = tourDir.path();

    AppOptions run = *options;
    run.brisk = !options->screenshotsDir.isEmpty();  // the tour need not wait for the band's slow rhythm
    vantro::StderrLog log;
    AppShell shell(run, dataDir, log);
    if (!options->screenshotsDir.isEmpty()) {
        ScreenshotTour tour(shell, options->screenshotsDir);
        return tour.run();
    }
    shell.window().show();
    return app.exec();
}
