// SPDX-License-Identifier: MIT
// vantro: the Qt app of the wristband companion, or with --screenshots a tour that writes PNGs.
#include "gui/app_fonts.h"
#include "gui/app_options.h"
#include "gui/app_shell.h"
#include "gui/first_frame.h"
#include "gui/icons.h"
#include "gui/main_window.h"
#include "gui/alarm_sound.h"
#include "gui/screenshot_tour.h"
#include "qt/companion_bus.h"
#include "qt/qt_log.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QTemporaryDir>
#include <QTimer>

#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe that carries SIGTERM and SIGINT onto the event loop; a handler may only write.
int g_signalPipe = -1;

void onQuitSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe, &byte, 1);
}

/// SIGTERM (a logout, systemd, kill) and SIGINT take the same way out as the "quit" action: the link is
/// closed and the companion ends with status 0.
std::unique_ptr<QSocketNotifier> quitOnSignals(std::function<void()> quit) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    g_signalPipe = fds[1];
    auto notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [fd = fds[0], quit = std::move(quit)] {
        char bytes[16];
        while (::read(fd, bytes, sizeof bytes) > 0) {
        }
        quit();
    });
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return notifier;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vantro::gui;
    QElapsedTimer sinceStart;
    sinceStart.start();
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
    using vantro::qt::CompanionBus;
    if (options->quit) {
        // No display needed: the running companion hears it on the session bus.
        QCoreApplication core(argc, argv);
        QString error;
        if (!CompanionBus::activateRunningAction(QStringLiteral("quit"), error)) {
            std::fprintf(stderr, "vantro: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }

    // The tour runs without a display: pick the offscreen platform before Qt starts, unless one was chosen.
    if (!options->screenshotsDir.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A companion started in the background before the desktop (a login service) has no display yet;
    // it keeps watch all the same, and its window cannot be shown until it is started with one.
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (options->background && noDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    vantro::qt::QtLog log;
    // One companion per session. Its object goes on the bus before its name, so whoever the name brings
    // (vantro-cli, a desktop activating the app) finds it; their calls wait until the companion is built.
    // Object and name go on a thread of their own at once; the answer is awaited before the window is
    // shown or anything else is built. The tour claims nothing.
    std::unique_ptr<CompanionBus> bus;
    std::future<CompanionBus::Claim> claiming;
    if (options->screenshotsDir.isEmpty()) {
        bus = std::make_unique<CompanionBus>(log);
        claiming = std::async(std::launch::async, [door = bus.get()] { return door->registerAndClaim(); });
    }
    // One style everywhere, so the app and its screenshots look the same on every desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(QStringLiteral("vantro"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantro"));
    QApplication::setApplicationVersion(QStringLiteral(VANTRO_VERSION));
    // Matches the installed org.vantro.Vantro.desktop, so the desktop shows the window under the app's entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantro.Vantro"));
    // The built-in icon at once; the icon theme's (AppShell::finishStart) once the window is up, as looking
    // through the theme takes longer than putting the window on screen.
    QApplication::setWindowIcon(Icons::appIcon());

    const auto installFonts = [&log] {
        for (const QString& family : AppFonts::install()) {
            log.warning(
                QStringLiteral("font %1 not found; texts fall back to the system font").arg(family).toStdString());
        }
    };

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
    if (!options->screenshotsDir.isEmpty()) {
        installFonts();
        AppShell shell(run, dataDir, log);
        ScreenshotTour tour(shell, options->screenshotsDir);
        return tour.run();
    }

    // A second start shows the first one's window and opens no link of its own.
    const CompanionBus::Claim claim = claiming.get();
    if (claim != CompanionBus::Claim::Owned) bus.reset();
    if (claim == CompanionBus::Claim::Taken) {
        // In the background there is no window to show, but a process squatting on the name is said all the same.
        const bool answered = options->background ? CompanionBus::ownerIsCompanion() : CompanionBus::activateRunning();
        if (!answered) {
            std::fprintf(stderr, "vantro: another process owns %s and does not answer as the companion\n",
                         vantro::qt::kBusName);
            return 1;
        }
        if (const QString kept = notForTheRunningCompanion(*options); !kept.isEmpty())
            std::fprintf(stderr, "vantro: %s\n", qPrintable(kept));
        return 0;
    }
    // Without a bus nothing could bring a windowless companion back, so it keeps its window.
    const bool background = options->background && claim == CompanionBus::Claim::Owned;
    QApplication::setQuitOnLastWindowClosed(false);
    std::unique_ptr<AppShell> shell;
    // The alarm's audio output is opened only when it first sounds; --verbose names it once the window is up.
    const QByteArray markFirstFrame = qgetenv(kFirstFrameMarkVariable);
    const auto afterFirstFrame = [&] {
        if (!markFirstFrame.isEmpty()) {
            std::printf("%s\n", kFirstFrameLine);
            std::fflush(stdout);
            // A profile of the start ends here, without the tear-down.
            if (markFirstFrame == kFirstFrameExit) std::_Exit(0);
        }
        shell->finishStart();
        if (options->verbose) {
            log.log(QStringLiteral("first frame %1 ms after start").arg(sinceStart.elapsed()).toStdString());
            log.log(shell->sound().outputDescription().toStdString());
        }
    };
    // The window goes on screen first, as early as a bare window would; it is filled (fonts, companion,
    // screens) before the event loop paints its first frame. Watched before it is shown: a platform may
    // paint within show().
    std::unique_ptr<MainWindow> shown;
    if (!background) {
        shown = AppShell::earlyWindow(run);
        whenFirstFramePainted(shown.get(), afterFirstFrame);
        shown->show();
    }
    installFonts();
    shell = shown ? std::make_unique<AppShell>(run, dataDir, log, std::move(shown))
                  : std::make_unique<AppShell>(run, dataDir, log, !background);
    if (bus) {
        bus->attach(shell->session(),
                    vantro::qt::BusActions{[&shell] { shell->showWindow(); }, [&shell] { shell->quit(); }});
    }
    const auto quitSignals = quitOnSignals([&shell] { shell->quit(); });
    if (!background) {
        shell->showWindow();
    } else if (options->verbose) {
        QTimer::singleShot(0, [&log, &shell] { log.log(shell->sound().outputDescription().toStdString()); });
    }
    const int status = app.exec();
    bus.reset();
    return status;
}
