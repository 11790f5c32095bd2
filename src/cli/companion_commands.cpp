// SPDX-License-Identifier: MIT
// vantro-cli status | connect [ID] | sync [ID] | disconnect | sim FAULT: through the running companion on the session
// bus, or, when none runs, with a companion of their own for connect and sync.
#include "cli/cli.h"

#include "platform/paths.h"
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

#include <memory>
#include <ostream>

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
    return QDBusConnection::sessionBus().call(call, QDBus::Block, static_cast<int>(timeout * 1000));
}

int reportReply(Context& ctx, const char* command, const QDBusMessage& reply, const std::string& success) {
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const bool busy = reply.errorName() == QLatin1String("org.vantro.Vantro.Error.Busy");
        ctx.err << "vantro-cli " << command << ": " << (busy ? "busy: " : "") << reply.errorMessage().toStdString()
                << "\n";
        return kFailure;
    }
    const QString answer = reply.arguments().isEmpty() ? QString() : reply.arguments().constFirst().toString();
    ctx.out << success << (answer.isEmpty() ? "" : ": ") << answer.toStdString() << " (through the running app)\n";
    return 0;
}

void printStatus(Context& ctx, const QVariantMap& status, bool json) {
    if (json) {
        nlohmann::json out = {{"running", true}};
        for (auto it = status.begin(); it != status.end(); ++it) {
            if (it.value().typeId() == QMetaType::Bool) {
                out[it.key().toStdString()] = it.value().toBool();
            } else {
                out[it.key().toStdString()] = it.value().toString().toStdString();
            }
        }
        ctx.out << out.dump() << "\n";
        return;
    }
    for (auto it = status.begin(); it != status.end(); ++it) {
        QString value =
            it.value().typeId() == QMetaType::Bool ? (it.value().toBool() ? "yes" : "no") : it.value().toString();
        ctx.out << strprintf("%-13s %s\n", (it.key() + ":").toStdString().c_str(),
                             value.isEmpty() ? "--" : value.toStdString().c_str());
    }
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
    if (sync) initializeDefaults(settings, loop.wallNow());  // the sync sends every setting
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
    loop.runUntil([&] { return synced.has_value(); }, Session::kSyncLimitSeconds + 5);
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
            const QDBusMessage reply = callCompanion("GetStatus", {}, 10);
            if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty()) {
                ctx.err << "vantro-cli status: " << reply.errorMessage().toStdString() << "\n";
                return kFailure;
            }
            printStatus(ctx, qdbus_cast<QVariantMap>(reply.arguments().constFirst()), o.json);
            return 0;
        }
        if (name == "connect") {
            return reportReply(ctx, command,
                               callCompanion("Connect", {QString::fromStdString(o.identifier)}, o.timeout + 5),
                               "Connected to");
        }
        if (name == "disconnect") return reportReply(ctx, command, callCompanion("Disconnect", {}, 10), "Disconnected");
        if (name == "sim") {
            return reportReply(ctx, command, callCompanion("SimulateFault", {QString::fromStdString(o.identifier)}, 10),
                               "Simulated");
        }
        return reportReply(ctx, command, callCompanion("Sync", {}, Session::kSyncLimitSeconds + 5), "Synced");
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
                           "sync [ID] [--simulate]                             sync the band and store its records",
                           declareCompanion("sync"));
const Registration simReg("sim",
                          "sim away|near|drop                                 move the running app's simulated band",
                          declareCompanion("sim"));
const Registration disconnectReg("disconnect",
                                 "disconnect                                         end the running companion's link",
                                 declareCompanion("disconnect"));

}  // namespace
}  // namespace vantro::cli
