// SPDX-License-Identifier: MIT
// vantro-cli commands over the activity database and the settings: list, write, export, sync frames.
#include "cli/cli.h"

#include "app/vantro_app_delegate.h"
#include "platform/debug_log.h"
#include "platform/local_time.h"
#include "platform/manual_run_loop.h"
#include "platform/paths.h"
#include "protocol/codes.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"
#include "settings/settings_sync.h"
#include "store/records_backup.h"
#include "store/sqlite_data.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <iostream>
#include <ostream>

namespace vantro::cli {
namespace {

// A count the wristband reports: an unsigned 16-bit value.
std::optional<std::int32_t> parseCount(std::string_view text) {
    auto v = parseInteger(text);
    if (!v || *v < 0 || *v > 65535) return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

// The store's routine lines belong in the debug log (standard error with --verbose); only its warnings,
// which say why something failed, are kept for the command's own message.
struct StoreLog : QuietLog {
    StderrLog debug;
    void log(std::string_view line) override { debug.log(line); }
    void warning(std::string_view line) override { lines.emplace_back(line); }
};

// Listings report a failure only in the log; a new line after the call means it failed.
template <typename T, typename List>
bool listAll(sqlite_data& db, StoreLog& log, std::vector<T>& out, List list) {
    const size_t before = log.lines.size();
    (db.*list)(out);
    return log.lines.size() == before;
}

// One line: what the store logged since `from`.
int databaseFailure(Context& ctx, const char* command, const StoreLog& log, size_t from) {
    ctx.err << "vantro-cli " << command << ": ";
    if (log.lines.size() <= from) ctx.err << "the activity database could not be used";
    for (size_t i = from; i < log.lines.size(); ++i) ctx.err << (i > from ? "; " : "") << log.lines[i];
    ctx.err << "\n";
    return 1;
}

int historyCommand(Context& ctx) {
    StoreLog log;
    sqlite_data db(dataDirectory(ctx.dataDir), log, sqlite_data::Access::ReadOnly);
    const size_t mark = log.lines.size();
    std::vector<sportsData> days;
    if (!listAll(db, log, days, &sqlite_data::databaseToArray)) return databaseFailure(ctx, "history", log, mark);
    for (const auto& d : days) {
        ctx.out << d.date << ' ' << d.step << ' ' << d.distance << ' ' << d.calories << ' ' << d.restcal << ' '
                << d.activetime << "\n";
    }
    return 0;
}

int nightsCommand(Context& ctx) {
    StoreLog log;
    sqlite_data db(dataDirectory(ctx.dataDir), log, sqlite_data::Access::ReadOnly);
    const size_t mark = log.lines.size();
    std::vector<sleepData> nights;
    if (!listAll(db, log, nights, &sqlite_data::SleepDataToArray)) return databaseFailure(ctx, "nights", log, mark);
    for (const auto& n : nights) {
        ctx.out << n.date << ' ' << n.enter_time << ' ' << n.spindles_time << ' ' << n.deep_time << ' ' << n.rem_time
                << ' ' << n.wakeup_time << ' ' << n.wakeup_count << ' ' << n.total_time << ' ' << n.start_time << "\n";
    }
    return 0;
}

std::optional<CalendarDate> dateArgument(Context& ctx, const char* command, const std::string& text) {
    auto date = parseDate(text);
    if (!date) ctx.err << "vantro-cli " << command << ": '" << text << "' is not a date (YYYY-MM-DD)\n";
    return date;
}

/// A record's arguments: its date and its counts, each a required positional argument by its name.
struct RecordArguments {
    std::string date;
    std::vector<std::pair<const char*, std::string>> counts;

    RecordArguments(CLI::App& app, std::initializer_list<const char*> names) : counts(names.size()) {
        app.add_option("DATE", date, "the date, YYYY-MM-DD")->required();
        size_t i = 0;
        for (const char* name : names) {
            counts[i].first = name;
            app.add_option(name, counts[i].second, "a whole number from 0 to 65535")->required();
            ++i;
        }
    }
    /// The counts in order; false after a message when one is not a count.
    bool read(Context& ctx, const char* command, std::vector<std::int32_t>& values) const {
        for (const auto& [name, text] : counts) {
            auto v = parseCount(text);
            if (!v) {
                ctx.err << "vantro-cli " << command << ": " << name << " must be a whole number from 0 to 65535, not '"
                        << text << "'\n";
                return false;
            }
            values.push_back(*v);
        }
        return true;
    }
};

int storeDay(Context& ctx, const RecordArguments& a) {
    auto date = dateArgument(ctx, "store-day", a.date);
    std::vector<std::int32_t> v;
    if (!date || !a.read(ctx, "store-day", v)) return kUsageError;
    StoreLog log;
    sqlite_data db(dataDirectory(ctx.dataDir), log);
    const size_t mark = log.lines.size();
    // The further step count is always 0, as from the wristband.
    if (!db.updateData(date, v[0], v[1], v[2], v[3], 0, v[4])) return databaseFailure(ctx, "store-day", log, mark);
    return 0;
}

Handler declareStoreDay(CLI::App& app) {
    auto a = std::make_shared<RecordArguments>(
        app, std::initializer_list<const char*>{"STEPS", "DISTANCE", "CALORIES", "RESTCAL", "ACTIVE"});
    return [a](Context& ctx) { return storeDay(ctx, *a); };
}

struct NightArguments : RecordArguments {
    std::string times[2];
    explicit NightArguments(CLI::App& app)
        : RecordArguments(app, {"ENTER", "SPINDLES", "DEEP", "REM", "WAKEUP", "COUNT"}) {
        app.add_option("TOTAL", times[0], "the time asleep, HH:MM, or - for none")->required();
        app.add_option("START", times[1], "when sleep began, HH:MM, or - for none")->required();
    }
};

int storeNight(Context& ctx, const NightArguments& a) {
    auto date = dateArgument(ctx, "store-night", a.date);
    std::vector<std::int32_t> v;
    if (!date || !a.read(ctx, "store-night", v)) return kUsageError;
    std::optional<TimeOfDay> times[2];
    const char* names[] = {"TOTAL", "START"};
    for (int i = 0; i < 2; ++i) {
        const std::string& text = a.times[i];
        if (text == "-") continue;
        times[i] = parseTime(text);
        if (!times[i]) {
            ctx.err << "vantro-cli store-night: " << names[i] << " must be a time HH:MM (00:00 to 23:59) or -, not '"
                    << text << "'\n";
            return kUsageError;
        }
    }
    StoreLog log;
    sqlite_data db(dataDirectory(ctx.dataDir), log);
    const size_t mark = log.lines.size();
    if (!db.updateSleepData(date, v[0], v[1], v[2], v[3], v[4], v[5], times[0], times[1])) {
        return databaseFailure(ctx, "store-night", log, mark);
    }
    return 0;
}

Handler declareStoreNight(CLI::App& app) {
    auto a = std::make_shared<NightArguments>(app);
    return [a](Context& ctx) { return storeNight(ctx, *a); };
}

int clearCommand(Context& ctx) {
    StoreLog log;
    sqlite_data db(dataDirectory(ctx.dataDir), log);
    const size_t mark = log.lines.size();
    if (!db.clearData()) return databaseFailure(ctx, "clear", log, mark);
    return 0;
}

// ---- sync frames ----------------------------------------------------------------------------------------

// Stands in for a connected wristband and keeps every frame written to it.
class RecordingPeripheral : public BlePeripheral {
public:
    std::string identifier() const override { return "00000000-0000-4000-8000-000000000000"; }
    std::optional<std::string> name() const override { return "vantro-cli"; }
    bool isConnected() const override { return true; }
    std::optional<double> rssi() const override { return std::nullopt; }
    void setDelegate(BlePeripheralDelegate*) override {}
    const std::vector<BleServicePtr>& services() const override { return m_services; }
    void discoverServices(const std::vector<BleUuid>&) override {}
    void discoverCharacteristics(const std::vector<BleUuid>&, const BleServicePtr&) override {}
    void setNotifyValue(bool, const BleCharacteristicPtr&) override {}
    void readValueForCharacteristic(const BleCharacteristicPtr&) override {}
    void writeValue(const Bytes& value, const BleCharacteristicPtr&, BleWriteType) override { frames.push_back(value); }
    void readRSSI() override {}

    std::vector<Bytes> frames;

private:
    std::vector<BleServicePtr> m_services;
};

int syncFrames(Context& ctx, const std::optional<std::string>& at) {
    Instant now = std::chrono::system_clock::now();
    if (at) {
        auto local = parseIsoLocal(*at);
        auto instant = local ? fromLocal(*local) : std::nullopt;
        if (!instant) {
            ctx.err << "vantro-cli sync-frames: '" << *at << "' is not a valid local time (YYYY-MM-DDTHH:MM:SS)\n";
            return kUsageError;
        }
        now = *instant;
    }
    QuietLog log;
    JsonKeyValueStore store(configDirectory(ctx.dataDir), log);
    if (!store.damagedCopy().empty()) log.dumpTo(ctx.err);
    if (const std::string why = store.unavailableReason(); !why.empty()) {
        ctx.err << "vantro-cli sync-frames: " << why << "\n";
        return 1;
    }
    ManualRunLoop loop(now);
    IdentityLocalizer localizer;
    CompanionStateKeeper state;
    VantroAppDelegate app(AppPorts{loop, log, localizer, store}, state);
    auto band = std::make_shared<RecordingPeripheral>();
    auto command = std::make_shared<BleCharacteristic>();
    command->uuid = BleUuid::fromString(kCommandCharacteristicUuid);
    app.peripheral = band;
    app.characteristic = std::vector<BleCharacteristicPtr>{command};

    SettingsSync(app).SyncData();
    for (const auto& f : band->frames) ctx.out << hexLine(f) << "\n";
    if (band->frames.size() < 14) {
        ctx.err << "vantro-cli sync-frames: " << 14 - band->frames.size()
                << " of the 14 commands would not be sent (a height below 80 or a weight below 10 is refused; run "
                   "'settings init' for the defaults)\n";
    }
    return 0;
}

Handler declareSyncFrames(CLI::App& app) {
    auto at = std::make_shared<std::optional<std::string>>();
    app.add_option_function<std::string>(
           "--at", [at](const std::string& text) { *at = text; }, "the moment of the sync (default: now)")
        ->type_name("YYYY-MM-DDTHH:MM:SS");
    return [at](Context& ctx) { return syncFrames(ctx, *at); };
}

// ---- backup and restore -----------------------------------------------------------------------------

struct ExportOptions {
    std::string format;
    std::string out = "-";
};

int exportRecords(Context& ctx, const ExportOptions& o) {
    StoreLog log;
    sqlite_data db(dataDirectory(ctx.dataDir), log, sqlite_data::Access::ReadOnly);
    const BackupFormat format = o.format == "csv" ? BackupFormat::Csv : BackupFormat::Json;
    std::string text;
    const BackupOutcome done = o.out == "-" ? exportRecords(db, format, text) : exportRecordsToFile(db, o.out, format);
    if (done.undated > 0) {
        ctx.err << "vantro-cli export: " << done.undated
                << " row(s) without a date cannot be restored and are left out\n";
    }
    if (!done.ok) {
        ctx.err << "vantro-cli export: " << done.error << "\n";
        return 1;
    }
    if (o.out == "-") ctx.out << text << std::flush;
    return ctx.out ? 0 : 1;
}

Handler declareExport(CLI::App& app) {
    auto o = std::make_shared<ExportOptions>();
    app.add_option("--format", o->format, "json or csv; days or nights never stored are null or empty fields")
        ->required()
        ->check(CLI::IsMember({"json", "csv"}));
    app.add_option("--out", o->out, "the file to write (replaced atomically); - for standard output (default)")
        ->type_name("FILE");
    return [o](Context& ctx) { return exportRecords(ctx, *o); };
}

struct ImportOptions {
    std::string file;
    bool overwrite = false;
};

int importRecords(Context& ctx, const ImportOptions& o) {
    // The file is read and checked before the database is opened, so a refused file changes nothing.
    std::vector<StoredRecord> records;
    const BackupOutcome read = o.file == "-" ? readBackup(std::cin, "-", records) : readBackupFile(o.file, records);
    if (!read.ok) {
        ctx.err << "vantro-cli import: " << read.error << "; nothing was imported\n";
        return 1;
    }
    StoreLog log;
    sqlite_data db(dataDirectory(ctx.dataDir), log);
    const BackupOutcome done = importRecords(db, records, o.overwrite);
    if (!done.ok) {
        ctx.err << "vantro-cli import: " << done.error << "\n";
        return 1;
    }
    const auto& c = done.counts;
    ctx.out << c.daysAdded << " days added, " << c.daysUpdated << " updated; " << c.nightsAdded << " nights added, "
            << c.nightsUpdated << " updated\n";
    return 0;
}

Handler declareImport(CLI::App& app) {
    auto o = std::make_shared<ImportOptions>();
    app.add_option("FILE", o->file, "a backup written by export (JSON or CSV); - for standard input")->required();
    app.add_flag("--overwrite", o->overwrite,
                 "replace stored values with the file's (default: only fill in what was never stored)");
    return [o](Context& ctx) { return importRecords(ctx, *o); };
}

const Registration historyReg("history", "history                                            stored days, oldest first",
                              historyCommand);
const Registration nightsReg("nights", "nights                                             stored nights, oldest first",
                             nightsCommand);
const Registration storeDayReg("store-day",
                               "store-day DATE STEPS DISTANCE CALORIES RESTCAL ACTIVE   store one day's totals",
                               Declare(declareStoreDay));
const Registration storeNightReg("store-night",
                                 "store-night DATE ENTER SPINDLES DEEP REM WAKEUP COUNT TOTAL START   store one night",
                                 Declare(declareStoreNight));
const Registration clearReg("clear", "clear                                              delete every stored day",
                            clearCommand);
const Registration syncFramesReg("sync-frames",
                                 "sync-frames [--at YYYY-MM-DDTHH:MM:SS]             frames a settings sync sends",
                                 Declare(declareSyncFrames));
const Registration exportReg("export", "export --format json|csv [--out FILE|-]            back up every stored date",
                             Declare(declareExport));
const Registration importReg("import",
                             "import [--overwrite] FILE                          restore a backup, merged by date",
                             Declare(declareImport));

}  // namespace
}  // namespace vantro::cli
