// SPDX-License-Identifier: MIT
// vantro-cli status | connect [ID] | sync [ID] | disconnect | forget | sim FAULT: through the running companion on the
// session bus, or, when none runs, with a companion of their own for connect and sync.
#include "cli/cli.h"

#include "platform/local_time.h"
#include "platform/paths.h"
#include "protocol/report.h"
#include "platform/strprintf.h"
#include "session/session.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"
#include "store/sqlite_data.h"

#ifdef VANTRO_HAVE_BLUEZ
#include "bluez/backend.h"
#include "qt/companion_bus.h"
#include "qt/qt_run_loop.h"

#include "cli/app_client.h"

#include <QDBusConnectionInterface>
#endif

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>

namespace vantro::cli {
namespace {

struct CompanionOptions {
    std::string identifier;
    bool json = false;
    bool simulate = false;
    std::optional<double> timeout;  // --timeout: the whole command, and the band's wait within it
};

// Without --timeout: how long a band is waited for, and how long a quick call may take.
constexpr double kBandWaitSeconds = 30;
constexpr double kQuickSeconds = 10;

#ifdef VANTRO_HAVE_BLUEZ

/// A text from the bus, shown on the terminal: the band names itself, and any process can own the name.
std::string outside(const QString& text) {
    return escapeText(text.toStdString(), 200);
}

void printStatus(Context& ctx, const QVariantMap& status, bool json) {
    GettextLocalizer localizer(ctx.language);
    if (json) {
        nlohmann::json out = {{"running", true}};
        for (auto it = status.begin(); it != status.end(); ++it) {
            const std::string key = it.key().toStdString();
            const QVariant& v = it.value();
            switch (v.typeId()) {
                case QMetaType::Bool:
                    out[key] = v.toBool();
                    break;
                case QMetaType::Int:
                case QMetaType::LongLong:
                case QMetaType::UInt:
                case QMetaType::ULongLong: {
                    const qint64 n = v.toLongLong();
                    // -1 is "not known yet" for counts and percent, 0 for the signal and the last sync.
                    const bool unknown =
                        n == qt::CompanionBus::kUnknown || (n == 0 && (key == "Signal" || key == "LastSync"));
                    out[key] = unknown ? nlohmann::json(nullptr) : nlohmann::json(n);
                    break;
                }
                default:
                    out[key] = v.toString().toStdString();
                    if (key == "Version" && v.toString().isEmpty()) out[key] = nullptr;
                    break;
            }
        }
        ctx.out << out.dump() << "\n";
        return;
    }
    // The human view: the texts the screens show, all in the chosen language.
    auto say = [&](const char* key, const std::string& english) {
        const std::string text = localizer.localizedString(key);
        return text.empty() || text == key ? english : text;
    };
    const RowUnits english;
    const RowUnits units{say("unit.steps", english.steps), say("unit.km", english.km),
                         say("unit.minute", english.minute), say("unit.cal", english.cal), english.db};
    auto number = [&](const char* key, const std::string& unit) -> std::string {
        const qint64 n = status.value(QString::fromLatin1(key)).toLongLong();
        return n == qt::CompanionBus::kUnknown ? "--" : std::to_string(n) + unit;
    };
    const qint64 metres = status.value(QStringLiteral("DistanceMetres")).toLongLong();
    const qint64 signal = status.value(QStringLiteral("Signal")).toLongLong();
    const qint64 last = status.value(QStringLiteral("LastSync")).toLongLong();
    auto text = [&](const char* key) { return outside(status.value(QString::fromLatin1(key)).toString()); };
    auto yesNo = [&](const char* key) {
        return status.value(QString::fromLatin1(key)).toBool() ? say("On", "On") : say("Off", "Off");
    };
    // The sync's state as the settings screen says it; "idle" (none this run) says nothing.
    const QString sync = status.value(QStringLiteral("Sync")).toString();
    std::string syncText = text("Sync");
    if (sync == QLatin1String("idle")) syncText.clear();
    if (sync == QLatin1String("running")) syncText = say("Syncing", syncText);
    if (sync == QLatin1String("complete")) syncText = say("SyncComplete", syncText);
    if (sync == QLatin1String("interrupted")) syncText = say("SyncInterrupted", syncText);
    if (sync == QLatin1String("failed")) {
        syncText = say("SyncFailed", "Sync failed: %1 records not stored");
        if (const auto at = syncText.find("%1"); at != std::string::npos) {
            syncText.replace(at, 2, std::to_string(status.value(QStringLiteral("FailedWrites")).toLongLong()));
        }
    }
    const std::string why = text("WhySimulated");
    const std::vector<std::pair<const char*, std::string>> lines = {
        {"State", localizer.localizedString(text("State"))},
        {"BandName", text("BandName")},
        {"BandId", text("BandId")},
        {"Simulated", yesNo("Simulated")},
        {"WhySimulated", why.empty() ? why : localizer.localizedString(why)},
        {"Steps", number("Steps", " " + units.steps)},
        {"Distance", metres == qt::CompanionBus::kUnknown
                         ? "--"
                         : strprintf("%.2f %s", static_cast<double>(metres) / 1000, units.km.c_str())},
        {"ActiveTime", number("ActiveMinutes", " " + units.minute)},
        {"Calories", number("Calories", " " + units.cal)},
        {"Battery", number("Battery", " %")},
        {"Signal", signal == 0 ? "--" : strprintf("%lld dBm", static_cast<long long>(signal))},
        {"Version", text("Version")},
        {"LastSync", last == 0 ? std::string() : formatDateTime(toLocal(Instant{std::chrono::seconds{last}}))},
        {"Sync", syncText},
        {"FindMe", yesNo("FindMe")},
        {"DataDir", text("DataDir")},
    };
    for (const auto& [key, value] : lines) {
        ctx.out << strprintf("%-13s %s\n", (std::string(key) + ":").c_str(), value.empty() ? "--" : value.c_str());
    }
}

/// Connect, sync, disconnect, forget and sim through the running app: what was asked, or one line why
/// not; absent when no app runs.
std::optional<int> throughApp(Context& ctx, const std::string& name, const CompanionOptions& o, AppClient& app) {
    using Answer = AppClient::Answer;
    const std::string prefix = "vantro-cli " + name + ": ";
    auto failed = [&](Answer answer) -> std::optional<int> {
        if (answer == Answer::NotRunning) return std::nullopt;
        ctx.err << prefix << app.problem() << "\n";
        return kFailure;
    };
    Answer answer;
    // Whatever acts through the app acts on its records and settings, which may not be the ones named.
    if (!app.sameDataDir(ctx.dataDir, answer)) return failed(answer);
    if (name == "sim") {
        answer = app.call("SimulateFault", {QString::fromStdString(o.identifier)}, "s");
        if (answer != Answer::Replied) return failed(answer);
        ctx.out << outside(app.reply().arguments().constFirst().toString()) << " (through the running app)\n";
        return 0;
    }
    if (name == "disconnect" || name == "forget") {
        answer = app.call(name == "forget" ? "Forget" : "Disconnect", {}, "");
        if (answer != Answer::Replied) return failed(answer);
        ctx.out << (name == "forget" ? "Forgot the chosen band" : "Disconnected") << " (through the running app)\n";
        return 0;
    }
    // connect ID, and sync ID: that band, connected (or already) before anything else.
    if (name == "connect" || !o.identifier.empty()) {
        const auto wait = static_cast<uint>(std::ceil(o.timeout.value_or(kBandWaitSeconds)));
        answer = app.call("Connect", {QString::fromStdString(o.identifier), wait}, "s");
        if (answer != Answer::Replied) return failed(answer);
        if (name == "connect") {
            ctx.out << "Connected to " << outside(app.reply().arguments().constFirst().toString())
                    << " (through the running app)\n";
            return 0;
        }
    }
    answer = app.call("Sync", {}, "s");
    if (answer != Answer::Replied) return failed(answer);
    ctx.out << "Synced: " << outside(app.reply().arguments().constFirst().toString()) << " (through the running app)\n";
    return 0;
}

/// How long a command through the app may take in all: --timeout when given. A band waited for gets
/// --timeout seconds in the app, and its answer a moment more to come back.
double commandSeconds(const std::string& name, const CompanionOptions& o) {
    const bool connects = name == "connect" || (name == "sync" && !o.identifier.empty());
    const double answerGrace = connects ? 1 : 0;
    if (o.timeout) return *o.timeout + answerGrace;
    double seconds = connects ? kBandWaitSeconds + answerGrace : 0;
    if (name == "sync") seconds += SyncProgress::kLimitSeconds + 5;
    return seconds > 0 ? seconds : kQuickSeconds;
}

/// Forget without a running app: the chosen band is cleared in the settings file.
int forgetAlone(Context& ctx) {
    QuietLog log;
    JsonKeyValueStore settings(configDirectory(ctx.dataDir), log);
    if (const std::string why = settings.unavailableReason(); !why.empty()) {
        ctx.err << "vantro-cli forget: " << why << "\n";
        return kFailure;
    }
    settings.setString(kChosenBand, "");
    ctx.out << "Forgot the chosen band\n";
    return 0;
}

/// Connect and sync when no companion runs: one of their own, on the same files as the app's.
int runAlone(Context& ctx, const char* command, const CompanionOptions& o, bool sync) {
    QuietLog log;
    qt::QtRunLoop loop;
    bluez::BandChoice choice = bluez::BandChoice::Simulated;
    if (!o.simulate) {
        if (!bluez::bluetoothAdapterPresent()) {
            const bool running =
                QDBusConnection::systemBus().isConnected() &&
                QDBusConnection::systemBus().interface()->isServiceRegistered(QStringLiteral("org.bluez"));
            ctx.err << "vantro-cli " << command << ": vantro is not running and "
                    << (running ? "bluetoothd has no Bluetooth adapter" : "bluetoothd is not running")
                    << "; --simulate uses the simulated band\n";
            return kFailure;
        }
        choice = bluez::BandChoice::Bluez;
    }
    JsonKeyValueStore settings(configDirectory(ctx.dataDir), log);
    if (const std::string why = settings.unavailableReason(); !why.empty()) {
        ctx.err << "vantro-cli " << command << ": " << why << "\n";
        return kFailure;
    }
    GettextLocalizer localizer(ctx.language);
    bluez::SystemBandSource source(choice, loop, log);
    SessionPorts ports{{loop, log, localizer, settings}};
    ports.dataDir = ctx.dataDir;
    Session session(ports, source);
    const double bandWait = o.timeout.value_or(kBandWaitSeconds);
    // The band asked for, else the one the user chose last, else the nearest.
    const std::string wanted = !o.identifier.empty() ? o.identifier : session.chosenBand();
    std::optional<std::pair<bool, std::string>> connected;
    session.connect(
        wanted, [&](bool ok, const std::string& why) { connected.emplace(ok, why); }, bandWait);
    loop.runUntil([&] { return connected.has_value(); }, bandWait + 5);
    if (!connected || !connected->first) {
        ctx.err << "vantro-cli " << command << ": " << (connected ? connected->second : "no answer") << "\n";
        if (ctx.verbose) log.dumpTo(ctx.err);
        return kFailure;
    }
    ctx.out << "Connected to " << session.app().peripheral->identifier()
            << (source.simulated() ? " (simulated band)" : "") << "\n";
    if (!sync) return 0;
    std::optional<std::pair<bool, std::string>> synced;
    session.sync([&](bool ok, const std::string& why) { synced.emplace(ok, why); });
    loop.runUntil([&] { return synced.has_value(); }, SyncProgress::kLimitSeconds + 5);
    if (!synced || !synced->first) {
        ctx.err << "vantro-cli " << command << ": " << (synced ? synced->second : "no answer") << "\n";
        if (ctx.verbose) log.dumpTo(ctx.err);
        return kFailure;
    }
    std::vector<sportsData> days;
    std::vector<sleepData> nights;
    session.app().m_db->databaseToArray(days);
    session.app().m_db->SleepDataToArray(nights);
    ctx.out << "Synced: " << days.size() << " days and " << nights.size() << " nights stored in "
            << session.recordsDir() << "\n";
    return 0;
}

int companionCommand(Context& ctx, const char* command, const CompanionOptions& o) {
    const std::string name = command;
    AppClient app(commandSeconds(name, o));
    if (name == "status") {
        AppClient::Answer answer;
        if (const auto status = app.status(answer)) {
            printStatus(ctx, *status, o.json);
            return 0;
        }
        if (answer != AppClient::Answer::NotRunning) {
            ctx.err << "vantro-cli status: " << app.problem() << "\n";
            return kFailure;
        }
    } else if (const auto done = throughApp(ctx, name, o, app)) {
        return *done;
    }
    if (name == "status") {
        if (o.json) {
            ctx.out << nlohmann::json{{"running", false}}.dump() << "\n";
        } else {
            ctx.out << "vantro is not running\n";
        }
        return 0;
    }
    if (name == "disconnect") {
        ctx.out << "vantro is not running; no band is connected\n";
        return 0;
    }
    if (name == "sim") {
        ctx.err << "vantro-cli sim: vantro is not running; start it with --simulate (or try 'vantro-cli demo --fault "
                << o.identifier << "')\n";
        return kFailure;
    }
    if (name == "forget") return forgetAlone(ctx);
    return runAlone(ctx, command, o, name == "sync");
}

#else

int companionCommand(Context& ctx, const char* command, const CompanionOptions&) {
    ctx.err << "vantro-cli " << command << ": this build has no bus or BlueZ support (it comes with the Qt build)\n";
    return kFailure;
}

#endif

Declare declareCompanion(const char* command) {
    return [command](CLI::App& app) -> Handler {
        auto o = std::make_shared<CompanionOptions>();
        const std::string name = command;
        if (name == "status") app.add_flag("--json", o->json, "one JSON object, for scripts");
        if (name == "sim") {
            app.add_option("FAULT", o->identifier,
                           "away (out of reach), near (back in reach) or drop (the link breaks)")
                ->required()
                ->check(CLI::IsMember({"away", "near", "drop"}));
        }
        if (name == "connect" || name == "sync") {
            app.add_option("ID", o->identifier,
                           "the band's identifier (default: the band chosen last, else the nearest)");
            app.add_flag("--simulate", o->simulate, "when vantro is not running: use the simulated band");
        }
        const bool waitsForBand = name == "connect" || name == "sync";
        // NaN passes any range check, and an infinite wait is no bound: both are refused first.
        const CLI::Validator finite(
            [](std::string& text) {
                char* end = nullptr;
                const double v = std::strtod(text.c_str(), &end);
                return end != text.c_str() && *end == '\0' && std::isfinite(v) ? std::string()
                                                                               : "not a number of seconds: " + text;
            },
            "SECONDS");
        app.add_option_function<double>(
               "--timeout", [o](double seconds) { o->timeout = seconds; },
               waitsForBand ? "seconds for the whole command, the band's wait included (default 30 for the band)"
                            : "seconds the running app may take to answer (default 10)")
            ->check(finite)
            ->check(CLI::Range(1.0, 3600.0));
        return [o, command](Context& ctx) { return companionCommand(ctx, command, *o); };
    };
}

const Registration statusReg(
    "status", "status [--json] [--timeout S]                      the running companion's link and today's values",
    declareCompanion("status"));
const Registration connectReg(
    "connect", "connect [ID] [--simulate] [--timeout S]            connect the band (through the app when it runs)",
    declareCompanion("connect"));
const Registration syncReg("sync",
                           "sync [ID] [--simulate] [--timeout S]               sync the band and store its records",
                           declareCompanion("sync"));
const Registration forgetReg("forget",
                             "forget [--timeout S]                               clear the chosen band (the app no "
                             "longer connects to it)",
                             declareCompanion("forget"));
const Registration simReg("sim",
                          "sim away|near|drop [--timeout S]                   move the running app's simulated band",
                          declareCompanion("sim"));
const Registration disconnectReg("disconnect",
                                 "disconnect [--timeout S]                           end the running companion's link",
                                 declareCompanion("disconnect"));

}  // namespace
}  // namespace vantro::cli
