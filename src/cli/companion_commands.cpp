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

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#endif

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <ostream>
#include <thread>

namespace vantro::cli {
namespace {

struct CompanionOptions {
    std::string identifier;
    bool json = false;
    bool simulate = false;
    double timeout = 30;
};

#ifdef VANTRO_HAVE_BLUEZ

class Qt {
public:
    Qt() {
        static int argc = 1;
        static char name[] = "vantro-cli";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) m_app = std::make_unique<QCoreApplication>(argc, argv);
    }

private:
    std::unique_ptr<QCoreApplication> m_app;
};

/// A text from the bus, shown on the terminal: the band names itself, and any process can own the name.
std::string outside(const QString& text) {
    return escapeText(text.toStdString());
}

/// True when a companion owns the bus name.
bool companionRunning() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(QString::fromLatin1(qt::kBusName)).value();
}

QDBusMessage callCompanion(const char* method, const QVariantList& args, double timeout) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(qt::kBusName), QString::fromLatin1(qt::kBusPath),
                                       QString::fromLatin1(qt::kCompanionInterface), QString::fromLatin1(method));
    call.setArguments(args);
    // A companion that has just claimed the name may not have put its object on the bus yet: such an
    // answer is asked again for a moment (not longer, so a process squatting on the name is still said soon).
    using Clock = std::chrono::steady_clock;
    const auto ms = [](double s) { return std::chrono::milliseconds(static_cast<long long>(s * 1000)); };
    const Clock::time_point end = Clock::now() + ms(timeout);
    const Clock::time_point retryUntil = Clock::now() + ms(std::min(timeout, 1.0));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        QDBusMessage reply =
            QDBusConnection::sessionBus().call(call, QDBus::Block, static_cast<int>(std::max<long long>(left, 1)));
        const QString error = reply.errorName();
        const bool notThereYet = reply.type() == QDBusMessage::ErrorMessage &&
                                 (error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
                                  error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
                                  error == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface"));
        if (!notThereYet || Clock::now() >= retryUntil) return reply;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

/// Why a reply is not the answer of signature `wanted`, in one line; empty when it is.
std::string replyProblem(const QDBusMessage& reply, const char* wanted, double timeout) {
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")) {
            return strprintf("the running app did not answer within %.0f s", timeout);
        }
        const QString text = reply.errorMessage();
        return outside(text.isEmpty() ? reply.errorName() : text);
    }
    if (reply.type() != QDBusMessage::ReplyMessage) return "no answer from the running app";
    if (reply.signature() != QLatin1String(wanted)) {
        return "the owner of " + std::string(qt::kBusName) + " gave an answer of the wrong type (" +
               outside(reply.signature()) + " instead of " + wanted + ")";
    }
    return {};
}

/// The running app's status, or why there is none (one line in `problem`).
std::optional<QVariantMap> companionStatus(std::string& problem) {
    constexpr double kStatusSeconds = 10;
    const QDBusMessage reply = callCompanion("GetStatus", {}, kStatusSeconds);
    problem = replyProblem(reply, "a{sv}", kStatusSeconds);
    if (!problem.empty()) return std::nullopt;
    return qdbus_cast<QVariantMap>(reply.arguments().constFirst());
}

/// The same directory, however it was written.
bool sameDirectory(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
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
    // The human view: the texts the screens show, in the chosen language.
    const RowUnits units;
    auto number = [&](const char* key, const std::string& unit) -> std::string {
        const qint64 n = status.value(QString::fromLatin1(key)).toLongLong();
        return n == qt::CompanionBus::kUnknown ? "--" : std::to_string(n) + unit;
    };
    const qint64 metres = status.value(QStringLiteral("DistanceMetres")).toLongLong();
    const qint64 signal = status.value(QStringLiteral("Signal")).toLongLong();
    const qint64 last = status.value(QStringLiteral("LastSync")).toLongLong();
    auto text = [&](const char* key) { return outside(status.value(QString::fromLatin1(key)).toString()); };
    auto yesNo = [&](const char* key) { return status.value(QString::fromLatin1(key)).toBool() ? "yes" : "no"; };
    const std::string why = text("WhySimulated");
    const std::vector<std::pair<const char*, std::string>> lines = {
        {"State", localizer.localizedString(text("State"))},
        {"BandName", text("BandName")},
        {"BandId", text("BandId")},
        {"Simulated", yesNo("Simulated")},
        {"WhySimulated", why.empty() ? why : localizer.localizedString(why)},
        {"Steps", number("Steps", " " + units.steps)},
        {"Distance",
         metres == qt::CompanionBus::kUnknown ? "--" : strprintf("%.2f km", static_cast<double>(metres) / 1000)},
        {"ActiveTime", number("ActiveMinutes", " " + units.minute)},
        {"Calories", number("Calories", " " + units.cal)},
        {"Battery", number("Battery", " %")},
        {"Signal", signal == 0 ? "--" : strprintf("%lld dBm", static_cast<long long>(signal))},
        {"Version", text("Version")},
        {"LastSync", last == 0 ? std::string() : formatDateTime(toLocal(Instant{std::chrono::seconds{last}}))},
        {"Sync", text("Sync")},
        {"FindMe", yesNo("FindMe")},
        {"DataDir", text("DataDir")},
    };
    for (const auto& [key, value] : lines) {
        ctx.out << strprintf("%-13s %s\n", (std::string(key) + ":").c_str(), value.empty() ? "--" : value.c_str());
    }
}

/// Connect, sync, disconnect and forget through the running app: what was asked, or one line why not.
int throughApp(Context& ctx, const std::string& name, const CompanionOptions& o) {
    const std::string prefix = "vantro-cli " + name + ": ";
    std::string problem;
    const auto status = companionStatus(problem);
    if (!status) {
        ctx.err << prefix << problem << "\n";
        return kFailure;
    }
    const QString appDir = status->value(QStringLiteral("DataDir")).toString();
    if (!ctx.dataDir.empty() && (name == "sync" || name == "connect")) {
        const std::string mine = recordsDirectory(ctx.dataDir, false);
        if (!sameDirectory(mine, appDir.toStdString())) {
            ctx.err << prefix << "the running app keeps its records in " << quoteText(appDir.toStdString(), 4096)
                    << ", not in " << quoteText(mine, 4096) << "; quit it or leave out --data-dir\n";
            return kFailure;
        }
    }
    if (name == "sim") {
        const QDBusMessage reply = callCompanion("SimulateFault", {QString::fromStdString(o.identifier)}, 10);
        if (const std::string why = replyProblem(reply, "s", 10); !why.empty()) {
            ctx.err << prefix << why << "\n";
            return kFailure;
        }
        ctx.out << reply.arguments().constFirst().toString().toStdString() << " (through the running app)\n";
        return 0;
    }
    if (name == "disconnect" || name == "forget") {
        const QDBusMessage reply = callCompanion(name == "forget" ? "Forget" : "Disconnect", {}, 10);
        if (const std::string why = replyProblem(reply, "", 10); !why.empty()) {
            ctx.err << prefix << why << "\n";
            return kFailure;
        }
        ctx.out << (name == "forget" ? "Forgot the chosen band" : "Disconnected") << " (through the running app)\n";
        return 0;
    }
    // connect ID, and sync ID: that band, connected (or already) before anything else.
    if (name == "connect" || !o.identifier.empty()) {
        const QDBusMessage reply = callCompanion(
            "Connect", {QString::fromStdString(o.identifier), static_cast<uint>(o.timeout)}, o.timeout + 5);
        if (const std::string why = replyProblem(reply, "s", o.timeout + 5); !why.empty()) {
            ctx.err << prefix << why << "\n";
            return kFailure;
        }
        if (name == "connect") {
            ctx.out << "Connected to " << outside(reply.arguments().constFirst().toString())
                    << " (through the running app)\n";
            return 0;
        }
    }
    const double limit = SyncProgress::kLimitSeconds + 5;
    const QDBusMessage reply = callCompanion("Sync", {}, limit);
    if (const std::string why = replyProblem(reply, "s", limit); !why.empty()) {
        ctx.err << prefix << why << "\n";
        return kFailure;
    }
    ctx.out << "Synced: " << outside(reply.arguments().constFirst().toString()) << " (through the running app)\n";
    return 0;
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
    // The band asked for, else the one the user chose last, else the nearest.
    const std::string wanted = !o.identifier.empty() ? o.identifier : session.chosenBand();
    std::optional<std::pair<bool, std::string>> connected;
    session.connect(
        wanted, [&](bool ok, const std::string& why) { connected.emplace(ok, why); }, o.timeout);
    loop.runUntil([&] { return connected.has_value(); }, o.timeout + 5);
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
    Qt qt;
    const std::string name = command;
    if (companionRunning()) {
        if (name == "status") {
            std::string problem;
            const auto status = companionStatus(problem);
            if (!status) {
                ctx.err << "vantro-cli status: " << problem << "\n";
                return kFailure;
            }
            printStatus(ctx, *status, o.json);
            return 0;
        }
        return throughApp(ctx, name, o);
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
            app.add_option("--timeout", o->timeout, "seconds to wait for the band to be seen and connect (default 30)")
                ->check(CLI::Range(1.0, 3600.0));
        }
        return [o, command](Context& ctx) { return companionCommand(ctx, command, *o); };
    };
}

const Registration statusReg(
    "status", "status [--json]                                    the running companion's link and today's values",
    declareCompanion("status"));
const Registration connectReg(
    "connect", "connect [ID] [--simulate] [--timeout S]            connect the band (through the app when it runs)",
    declareCompanion("connect"));
const Registration syncReg("sync",
                           "sync [ID] [--simulate] [--timeout S]               sync the band and store its records",
                           declareCompanion("sync"));
const Registration forgetReg("forget",
                             "forget                                             clear the chosen band (the app no "
                             "longer connects to it)",
                             declareCompanion("forget"));
const Registration simReg("sim",
                          "sim away|near|drop                                 move the running app's simulated band",
                          declareCompanion("sim"));
const Registration disconnectReg("disconnect",
                                 "disconnect                                         end the running companion's link",
                                 declareCompanion("disconnect"));

}  // namespace
}  // namespace vantro::cli
