// SPDX-License-Identifier: MIT
// The command line of the app: simulated band, data directory, language, tablet layout, screenshots.
#include "gui/app_options.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace vantro::gui {
namespace {

const QStringList kLanguages = {QStringLiteral("en"), QStringLiteral("zh_CN")};

struct Options {
    QCommandLineOption simulate{QStringLiteral("simulate"),
                                QStringLiteral("use the simulated wristband, even where Bluetooth is present")};
    QCommandLineOption bluez{QStringLiteral("bluez"),
                             QStringLiteral("use Bluetooth through BlueZ (the default when an adapter is present)")};
    QCommandLineOption dataDir{QStringLiteral("data-dir"), QStringLiteral("keep the database and the settings in DIR"),
                               QStringLiteral("DIR")};
    QCommandLineOption lang{QStringLiteral("lang"),
                            QStringLiteral("language of the texts: en or zh_CN (default: the user's locale)"),
                            QStringLiteral("LANG")};
    QCommandLineOption tablet{QStringLiteral("tablet"), QStringLiteral("lay the app out with the tablet sizes")};
    QCommandLineOption screenshots{
        QStringLiteral("screenshots"),
        QStringLiteral("tour every screen on the simulated wristband, write one PNG per view, quit"),
        QStringLiteral("DIR")};
    QCommandLineOption background{QStringLiteral("background"),
                                  QStringLiteral("start the companion without its window (or keep the running one)")};
    QCommandLineOption quit{QStringLiteral("quit"), QStringLiteral("end the running companion and exit")};
    QCommandLineOption verbose{QStringLiteral("verbose"), QStringLiteral("write every log line, not only warnings")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show this help and exit")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("show the version and exit")};

    QList<QCommandLineOption> all() const {
        return {simulate, bluez, dataDir, lang, tablet, screenshots, background, quit, verbose, help, version};
    }
};

QString optionLine(const QCommandLineOption& o) {
    QStringList names;
    for (const QString& n : o.names()) names << (n.size() == 1 ? "-" : "--") + n;
    QString left = names.join(QStringLiteral(", "));
    if (!o.valueName().isEmpty()) left += ' ' + o.valueName();
    return QStringLiteral("  %1 %2\n").arg(left, -20).arg(o.description());
}

}  // namespace

QString usageText() {
    QString text = QStringLiteral("usage: vantro [OPTION]...\nThe wristband companion app.\n\nOptions:\n");
    for (const auto& o : Options().all()) text += optionLine(o);
    text += QStringLiteral(
        "\nOptions take their value as --opt VALUE or --opt=VALUE.\n"
        "\nEnvironment:\n"
        "  VANTRO_LOG=debug      write every log line, like --verbose\n"
        "  QT_LOGGING_RULES      Qt's logging rules; the app's category is \"vantro\", e.g. vantro.debug=true\n"
        "  VANTRO_LOCALEDIR      directory of the message catalogs\n"
        "\nExit status:\n"
        "  0  success\n"
        "  1  failure (the screenshot tour could not write its pictures, no data directory; --quit: none runs)\n"
        "  2  bad usage (an unknown option, a missing value, an unusable data directory)\n"
        "\nOne companion runs per session: a second vantro shows the first one's window and exits 0.\n");
    return text;
}

std::optional<AppOptions> parseOptions(const QStringList& args, QString& error) {
    const Options opt;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(opt.all());
    if (!parser.parse(QStringList{QStringLiteral("vantro")} + args)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst());
        return std::nullopt;
    }
    AppOptions o;
    o.help = parser.isSet(opt.help);
    o.version = parser.isSet(opt.version);
    o.verbose = parser.isSet(opt.verbose);
    o.tablet = parser.isSet(opt.tablet);
    o.background = parser.isSet(opt.background);
    o.quit = parser.isSet(opt.quit);
    if (o.quit && (o.background || parser.isSet(opt.screenshots))) {
        error = QStringLiteral("--quit goes alone");
        return std::nullopt;
    }
    if (parser.isSet(opt.simulate) && parser.isSet(opt.bluez)) {
        error = QStringLiteral("--simulate and --bluez exclude each other");
        return std::nullopt;
    }
    if (parser.isSet(opt.simulate)) o.wristband = WristbandChoice::Simulated;
    if (parser.isSet(opt.bluez)) o.wristband = WristbandChoice::Bluez;
    // The last of a repeated option wins, as in most programs.
    auto last = [&](const QCommandLineOption& option, QString& out) {
        if (!parser.isSet(option)) return true;
        out = parser.values(option).constLast();
        if (out.isEmpty())
            error = QStringLiteral("--%1 needs a value, not an empty one").arg(option.names().constLast());
        return !out.isEmpty();
    };
    if (!last(opt.dataDir, o.dataDir) || !last(opt.screenshots, o.screenshotsDir) || !last(opt.lang, o.language)) {
        return std::nullopt;
    }
    if (parser.isSet(opt.lang) && !kLanguages.contains(o.language)) {
        error =
            QStringLiteral("unknown language '%1' (known: %2)").arg(o.language, kLanguages.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    return o;
}

QString notForTheRunningCompanion(const AppOptions& o) {
    // These choose how a companion starts; one that already runs keeps its own.
    QStringList kept;
    if (!o.language.isEmpty()) kept << QStringLiteral("--lang ") + o.language;
    if (!o.dataDir.isEmpty()) kept << QStringLiteral("--data-dir ") + o.dataDir;
    if (o.tablet) kept << QStringLiteral("--tablet");
    if (o.wristband == WristbandChoice::Simulated) kept << QStringLiteral("--simulate");
    if (o.wristband == WristbandChoice::Bluez) kept << QStringLiteral("--bluez");
    if (kept.isEmpty()) return {};
    return QStringLiteral(
               "the running companion keeps its language, data and band; %1 not applied "
               "(vantro --quit first to start with %2)")
        .arg(kept.join(QStringLiteral(", ")), kept.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
}

QString dataDirProblem(const QString& dir) {
    if (dir.isEmpty()) return QStringLiteral("the data directory must not be empty");
    const QFileInfo info(dir);
    if (info.exists() && !info.isDir()) return QStringLiteral("data directory '%1' is not a directory").arg(dir);
    if (!QDir().mkpath(dir)) return QStringLiteral("cannot create the data directory '%1'").arg(dir);
    if (!QFileInfo(dir).isWritable()) return QStringLiteral("data directory '%1' is not writable").arg(dir);
    return {};
}

}  // namespace vantro::gui
