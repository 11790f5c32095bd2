// SPDX-License-Identifier: MIT
// The command line of the app: simulated band, data directory, language, tablet layout, screenshots.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantro::gui {

/// Which wristband the app talks to.
enum class WristbandChoice {
    Automatic,  // BlueZ when a Bluetooth adapter is present, the simulated band otherwise
    Simulated,  // --simulate
    Bluez,      // --bluez, even when no adapter is seen
};

struct AppOptions {
    WristbandChoice wristband = WristbandChoice::Automatic;
    bool tablet = false;
    bool help = false;
    bool version = false;
    bool verbose = false;     // every log line, not only warnings
    bool background = false;  // start without the window
    bool quit = false;        // ask the running companion to quit
    QString dataDir;          // empty: the user's data and config directories
    QString language;         // "en", "zh_CN" or empty for the user's locale
    QString screenshotsDir;   // non-empty: run the screenshot tour and quit
    bool brisk = false;       // the simulated band advertises and reports more often (tour and tests)
};

/// Parses the arguments after the program name; needs no QCoreApplication, so it runs before any
/// display is opened. On bad usage returns nothing and sets `error` to one line.
std::optional<AppOptions> parseOptions(const QStringList& args, QString& error);
/// The --help text: options, environment, exit statuses.
QString usageText();
/// The one line said when these options reach a companion that already runs (which only shows its
/// window): what is not applied and how to apply it; empty when nothing is lost.
QString notForTheRunningCompanion(const AppOptions& options);
/// Why `dir` cannot hold the app's files (created when missing), or empty when it can.
QString dataDirProblem(const QString& dir);

}  // namespace vantro::gui
