// SPDX-License-Identifier: MIT
// vantro: the Qt app of the wristband companion, or with --screenshots a tour that writes PNGs.
#include "gui/app_fonts.h"
#include "gui/app_options.h"
#include "gui/app_shell.h"
#include "gui/main_window.h"
#include "gui/screenshot_tour.h"
#include "qt/qt_log.h"

#include <QApplication>
#include <QIcon>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

int main(int argc, char** argv) {
    using namespace vantro::gui;
    // The options are read before Qt opens a display, so --help and --version work without one.
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QString error;
    const auto options = parseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "vantro: %s\nTry 'vantro --help'.\n", qPrintable(error));
        return 2;
    }
    if (options->help) {
        std::printf("%s", qPrintable(usageText()));
        return 0;
    }
    if (options->version) {
        std::printf("vantro %s\n", VANTRO_VERSION);
        return 0;
    }
    if (!options->dataDir.isEmpty()) {
        if (const QString problem = dataDirProblem(options->dataDir); !problem.isEmpty()) {
            std::fprintf(stderr, "vantro: %s\nTry 'vantro --help'.\n", qPrintable(problem));
            return 2;
        }
    }
    if (options->verbose || vantro::logThreshold() == vantro::LogLevel::Debug) vantro::qt::enableVerboseLogging();

    // The tour runs without a display: pick the offscreen platform before Qt starts, unless one was chosen.
    if (!options->screenshotsDir.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // One style everywhere, so the app and its screenshots look the same on every desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(QStringLiteral("vantro"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantro"));
    QApplication::setApplicationVersion(QStringLiteral(VANTRO_VERSION));
    // Matches the installed vantro.desktop, so the desktop shows the window under the app's entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantro"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vantro"), QIcon(QStringLiteral(":/vantro.svg"))));

    vantro::qt::QtLog log;
    for (const QString& family : AppFonts::install()) {
        log.warning(QStringLiteral("font %1 not found; texts fall back to the system font").arg(family).toStdString());
    }

    // The tour never touches the user's own data unless a directory is named.
    std::optional<QTemporaryDir> tourDir;
    QString dataDir = options->dataDir;
    if (dataDir.isEmpty() && !options->screenshotsDir.isEmpty()) {
        tourDir.emplace();
        if (!tourDir->isValid()) {
            std::fprintf(stderr, "vantro: cannot create a temporary data directory for the tour\n");
            return 1;
        }
        dataDir = tourDir->path();
    }

    AppOptions run = *options;
    run.brisk = !options->screenshotsDir.isEmpty();  // the tour need not wait for the band's slow rhythm
    AppShell shell(run, dataDir, log);
    if (!options->screenshotsDir.isEmpty()) {
        ScreenshotTour tour(shell, options->screenshotsDir);
        return tour.run();
    }
    shell.window().fitToScreen();
    shell.window().show();
    return app.exec();
}
