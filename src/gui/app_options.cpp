// SPDX-License-Identifier: MIT
// The command line of the app: simulated band, data directory, language, tablet layout, screenshots.
#include "gui/app_options.h"

namespace vantro::gui {

QString usageText() {
    return QStringLiteral(
        "usage: vantro [--simulate|--bluez] [--data-dir DIR] [--lang en|zh_CN] [--tablet] [--screenshots DIR]\n"
        "  --simulate         use the simulated wristband, even where Bluetooth is present\n"
        "  --bluez            use Bluetooth through BlueZ (the default when an adapter is present)\n"
        "  --data-dir DIR     keep the database and the settings in DIR\n"
        "  --lang en|zh_CN    language of the texts (default: the user's locale)\n"
        "  --tablet           lay the app out with the tablet sizes\n"
        "  --screenshots DIR  tour every screen on the simulated wristband, write one PNG per view, quit\n");
}

std::optional<AppOptions> parseOptions(const QStringList& args, QString& error) {
    AppOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size() || args[i + 1].startsWith(QLatin1String("--"))) {
                error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            out = args[++i];
            return true;
        };
        if (a == QLatin1String("--simulate") || a == QLatin1String("--bluez")) {
            const auto choice = a == QLatin1String("--bluez") ? WristbandChoice::Bluez : WristbandChoice::Simulated;
            if (o.wristband != WristbandChoice::Automatic && o.wristband != choice) {
                error = QStringLiteral("--simulate and --bluez exclude each other");
                return std::nullopt;
            }
            o.wristband = choice;
        } else if (a == QLatin1String("--tablet")) {
            o.tablet = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--data-dir")) {
            if (!value(o.dataDir)) return std::nullopt;
        } else if (a == QLatin1String("--screenshots")) {
            if (!value(o.screenshotsDir)) return std::nullopt;
        } else if (a == QLatin1String("--lang")) {
            if (!value(o.language)) return std::nullopt;
            if (o.language != QLatin1String("en") && o.language != QLatin1String("zh_CN")) {
                error = QStringLiteral("--lang must be en or zh_CN, not '%1'").arg(o.language);
                return std::nullopt;
            }
        } else {
            error = QStringLiteral("unknown argument '%1'").arg(a);
            return std::nullopt;
        }
    }
    return o;
}

}  // namespace vantro::gui
