// SPDX-License-Identifier: MIT
// vantro-cli demo: the whole conversation with a simulated wristband, from discovery to stored data;
// with --bluez the same with a real one through BlueZ.
#include "cli/cli.h"
#include "cli/demo_link_faults.h"

#include "session/session.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/real_time_run_loop.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"
#include "store/sqlite_data.h"

#include <CLI/CLI.hpp>

#ifdef VANTRO_HAVE_BLUEZ
#include "bluez/backend.h"
#include "qt/qt_run_loop.h"

#include <QCoreApplication>
#endif

#include <algorithm>
#include <charconv>
#include <deque>
#include <iostream>
#include <ostream>

namespace vantro::cli {
namespace {

constexpr int kMaxRecords = 36500;                             // a hundred years of days
constexpr double kStepLimit = 5.0;                             // seconds for discovery and for the connection
constexpr double kMaxBluezSync = SyncProgress::kLimitSeconds;  // a real band's whole sync

/// The debug log: echoed to standard error with --verbose, otherwise kept for the failure message.
class DemoLog : public DebugLog {
public:
    DemoLog(bool verbose, std::ostream& err) : m_verbose(verbose), m_err(err) {}
    void log(std::string_view line) override {
        if (m_verbose) m_err << "log: " << line << "\n";
        // The store's own lines for a day and a night written; they drive the progress line.
        if (line == "插入数据" || line == "更新数据") ++days;
        if (line == "sleep插入数据" || line == "sleep更新数据") ++nights;
    }
    // Only warnings are kept for a failure: they are in English and say what failed, while the routine
    // lines are the band's and the store's own debug texts.
    void warning(std::string_view line) override {
        if (m_verbose) m_err << "log: " << line << "\n";
        m_recent.emplace_back(line);
        if (m_recent.size() > kKept) m_recent.pop_front();
    }
    void dumpRecent() const {
        if (m_verbose || m_recent.empty()) return;
        m_err << "last log lines:\n";
        for (const auto& l : m_recent) m_err << "  " << l << "\n";
    }

private:
    static constexpr std::size_t kKept = 12;
    bool m_verbose;
    std::ostream& m_err;
    std::deque<std::string> m_recent;

public:
    std::size_t days = 0, nights = 0;
};

/// Notifications and dialogs of the demo appear on standard error.
class ConsoleNotifier : public Notifier {
public:
    explicit ConsoleNotifier(std::ostream& err) : m_err(err) {}
    void presentLocalNotificationNow(const LocalNotification& n) override {
        m_err << "notification: " << n.alertBody << "\n";
    }
    void showAlert(const std::string& title, const std::string& message, const std::string&) override {
        m_err << "dialog: " << title << ": " << message << "\n";
    }
    AppState applicationState() const override { return AppState::Background; }

private:
    std::ostream& m_err;
};

/// The demo places no real call; it says which URL it would open.
class ConsoleUrlOpener : public UrlOpener {
public:
    explicit ConsoleUrlOpener(std::ostream& err) : m_err(err) {}
    bool openURL(const std::string& url) override {
        m_err << "would open " << url << "\n";
        return true;
    }

private:
    std::ostream& m_err;
};

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
    std::uint64_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

struct DemoOptions {
    int days = 7;
    int nights = 7;
    std::uint64_t seed = 1;
    double timeout = kStepLimit;
    std::string fault;
    bool verbose = false;
    bool bluez = false;
};

/// The demo's run loop, and a way to run it until something holds.
class DemoDriver {
public:
    virtual ~DemoDriver() = default;
    virtual RunLoop& loop() = 0;
    /// False when `seconds` of real time passed first.
    virtual bool runUntil(const std::function<bool()>& done, double seconds) = 0;
};

class RealTimeDriver : public DemoDriver {
public:
    RunLoop& loop() override { return m_loop; }
    bool runUntil(const std::function<bool()>& done, double seconds) override { return m_loop.runUntil(done, seconds); }

private:
    RealTimeRunLoop m_loop;
};

#ifdef VANTRO_HAVE_BLUEZ
/// BlueZ answers through Qt's event loop, so the demo runs on it.
class QtDriver : public DemoDriver {
public:
    QtDriver() : m_app(makeApp()) {}
    RunLoop& loop() override { return *m_loop; }
    bool runUntil(const std::function<bool()>& done, double seconds) override {
        return m_loop->runUntil(done, seconds);
    }

private:
    static std::unique_ptr<QCoreApplication> makeApp() {
        static int argc = 1;
        static char name[] = "vantro-cli";
        static char* argv[] = {name, nullptr};
        return std::make_unique<QCoreApplication>(argc, argv);
    }
    std::unique_ptr<QCoreApplication> m_app;
    std::unique_ptr<qt::QtRunLoop> m_loop = std::make_unique<qt::QtRunLoop>();
};
#endif

/// The options as given; they are checked once parsing is done, so each gets its own message.
struct DemoArguments {
    std::optional<std::string> days, nights, seed, timeout, fault;
    bool verbose = false;
    bool bluez = false;
};

std::optional<DemoOptions> readOptions(Context& ctx, const DemoArguments& a) {
    DemoOptions o;
    o.verbose = a.verbose;
    o.bluez = a.bluez;
    auto count = [&](const std::optional<std::string>& text, const char* name, int& out) {
        if (!text) return true;
        const auto v = parseUnsigned(*text);
        if (!v || *v > static_cast<std::uint64_t>(kMaxRecords)) {
            ctx.err << "vantro-cli demo: " << name << " takes a whole number from 0 to " << kMaxRecords << ", not '"
                    << *text << "'\n";
            return false;
        }
        out = static_cast<int>(*v);
        return true;
    };
    if (!count(a.days, "--days", o.days) || !count(a.nights, "--nights", o.nights)) return std::nullopt;
    if (a.seed) {
        const auto v = parseUnsigned(*a.seed);
        if (!v) {
            ctx.err << "vantro-cli demo: --seed takes a whole number, not '" << *a.seed << "'\n";
            return std::nullopt;
        }
        o.seed = *v;
    }
    if (a.timeout) {
        const auto v = parseUnsigned(*a.timeout);
        if (!v || *v == 0 || *v > 3600) {
            ctx.err << "vantro-cli demo: --timeout takes whole seconds from 1 to 3600, not '" << *a.timeout << "'\n";
            return std::nullopt;
        }
        o.timeout = static_cast<double>(*v);
    }
    if (a.fault) o.fault = *a.fault;
    return o;
}

/// `text` padded with blanks to `columns` terminal columns; CJK characters take two columns.
std::string padded(const std::string& text, std::size_t columns) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t cp = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        width += cp >= 0x2E80 && cp <= 0xFFEF ? 2 : 1;
        i += length;
    }
    return width >= columns ? text + " " : text + std::string(columns - width, ' ');
}

/// Every record of the band must be in the database with the band's values; the first difference, if any.
std::optional<std::string> compareWithBand(const WristbandFirmware& band, const std::vector<sportsData>& days,
                                           const std::vector<sleepData>& nights) {
    for (const auto& d : band.days()) {
        const std::string date = formatDate(d.date);
        auto it = std::find_if(days.begin(), days.end(), [&](const sportsData& s) { return s.date == date; });
        if (it == days.end()) return "the day " + date + " was not stored";
        if (it->step != d.steps || it->distance != d.distance || it->calories != d.calories ||
            it->restcal != d.restcal || it->activetime != d.activeTime) {
            return "the day " + date + " was stored with other values";
        }
    }
    for (const auto& n : band.nights()) {
        const std::string date = formatDate(n.date);
        auto it = std::find_if(nights.begin(), nights.end(), [&](const sleepData& s) { return s.date == date; });
        if (it == nights.end()) return "the night " + date + " was not stored";
        if (it->enter_time != n.enterTime || it->spindles_time != n.spindlesTime || it->deep_time != n.deepTime ||
            it->rem_time != n.remTime || it->wakeup_time != n.wakeupTime || it->wakeup_count != n.wakeupCount ||
            it->start_time != formatTime({n.startHour, n.startMinute})) {
            return "the night " + date + " was stored with other values";
        }
    }
    return std::nullopt;
}

void printRecords(std::ostream& out, const std::vector<sportsData>& days, const std::vector<sleepData>& nights) {
    out << "Stored days (" << days.size() << "):\n";
    out << "  date          steps        km  calories  rest kcal  active min\n";
    for (const auto& d : days) {
        out << strprintf("  %-10s %8d %9.2f %9d %10d %11d\n", d.date.c_str(), d.step, d.distance / 100.0, d.calories,
                         d.restcal, d.activetime);
    }
    out << "Stored nights (" << nights.size() << "):\n";
    out << "  date        start  total  falling asleep  light  deep  REM  awake  wake-ups\n";
    for (const auto& n : nights) {
        out << strprintf("  %-10s  %5s  %5s  %14d  %5d  %4d  %3d  %5d  %8d\n", n.date.c_str(), n.start_time.c_str(),
                         n.total_time.c_str(), n.enter_time, n.spindles_time, n.deep_time, n.rem_time, n.wakeup_time,
                         n.wakeup_count);
    }
}

int demo(Context& ctx, const DemoArguments& arguments) {
    const auto options = readOptions(ctx, arguments);
    if (!options) return kUsageError;
    const DemoOptions& o = *options;

    std::unique_ptr<DemoDriver> driver;
    if (o.bluez) {
#ifdef VANTRO_HAVE_BLUEZ
        driver = std::make_unique<QtDriver>();
        if (!bluez::bluetoothAdapterPresent()) {
            ctx.err << "vantro-cli demo: no Bluetooth adapter (bluetoothd with an adapter on the system bus); "
                       "without --bluez the demo uses the simulated wristband\n";
            return 1;
        }
#else
        ctx.err << "vantro-cli demo: this build has no BlueZ backend (it comes with the Qt build, VANTRO_GUI=ON)\n";
        return 1;
#endif
    } else {
        driver = std::make_unique<RealTimeDriver>();
    }
    RunLoop& loop = driver->loop();
    DemoLog log(o.verbose || ctx.verbose, ctx.err);
    const std::string dataDir = recordsDirectory(ctx.dataDir, !o.bluez);
    if (!ensureDirectory(dataDir, log)) {
        ctx.err << "vantro-cli demo: the data directory " << dataDir << " cannot be created\n";
        log.dumpRecent();
        return 1;
    }
    GettextLocalizer localizer(ctx.language);
    JsonKeyValueStore settings(configDirectory(ctx.dataDir), log);
    if (const std::string why = settings.unavailableReason(); !why.empty()) {
        ctx.err << "vantro-cli demo: " << why << "\n";  // the defaults are not the user's settings
        return 1;
    }
    // The sync sends every setting, so the defaults must be in place first.
    initializeDefaults(settings, loop.wallNow());

    ConsoleNotifier notifier(ctx.err);
    ConsoleUrlOpener urls(ctx.err);
    SimulatedBands bands;
    bands.count = 1;
    bands.seed = o.seed;
    bands.days = o.days;
    bands.nights = o.nights;
    bands.configure = [&](SimBandConfig& band, int) {
        band.distance = SimBandConfig{}.distance;
        band.advertisementRssi = SimBandConfig{}.advertisementRssi;
    };
    std::unique_ptr<BandSource> source;
#ifdef VANTRO_HAVE_BLUEZ
    // A real band gets the phone's real calls and messages, when ModemManager runs.
    if (o.bluez) source = std::make_unique<bluez::SystemBandSource>(bluez::BandChoice::Bluez, loop, log);
#endif
    if (!source) source = std::make_unique<SimulatedBandSource>(loop, bands);
    SessionPorts ports{{loop, log, localizer, settings, &notifier, nullptr, &urls}};
    ports.dataDir = ctx.dataDir;
    Session session(ports, *source);
    VantroAppDelegate& app = session.app();
    VantroViewController& today = session.today();
    app.setTodayShown(true);  // the demo prints the today screen, signal row included
    std::shared_ptr<SimulatedPeripheral> band;
    if (auto* sim = dynamic_cast<SimulatedBandSource*>(source.get()); sim && !o.bluez) {
        band = sim->wristbands().at(0);
        if (o.fault == "out-of-range") band->walkOutOfRange();
        band->setRefuseNotifications(o.fault == "refuse-notifications");
        band->setHideWristbandService(o.fault == "no-service");
    }

    auto fail = [&](const std::string& reason) {
        ctx.err << "vantro-cli demo: " << reason << "\n";
        log.dumpRecent();
        return 1;
    };
    ctx.out << "Data directory: " << dataDir << "\n";
    if (!driver->runUntil([&] { return app.bleList && !app.bleList->empty(); }, o.timeout)) {
        return fail(strprintf("no wristband was discovered within %.0f s", o.timeout));
    }
    const auto& [key, seen] = *app.bleList->begin();
    ctx.out << strprintf("Discovered: %s (advertised at %.0f dBm)\n", key.c_str(), seen.rssi);

    std::optional<std::pair<bool, std::string>> connected;
    session.connect(
        seen.device->identifier(), [&](bool ok, const std::string& why) { connected.emplace(ok, why); }, o.timeout);
    if (!driver->runUntil([&] { return connected.has_value(); }, o.timeout + 1) || !connected->first) {
        return fail(strprintf("the wristband did not connect and accept notifications within %.0f s (link: %s)",
                              o.timeout, app.strBlueStatus().c_str()));
    }
    ctx.out << "Connected, notifications on: " << app.strBlueStatus() << "\n";

    std::optional<std::pair<bool, std::string>> synced;
    session.sync([&](bool ok, const std::string& why) { synced.emplace(ok, why); });
    ctx.out << "Sync sent: " << app.strTransmitStatus() << "\n";
    // On a terminal, one line that counts the records stored so far.
    double shownAt = -1;
    auto progress = [&](bool last) {
        if (!ctx.outIsTerminal || (!last && shownAt >= 0 && loop.now() - shownAt < 0.2)) return;
        if (last && shownAt < 0) return;
        shownAt = loop.now();
        ctx.out << "\rStored so far: " << log.days << " days, " << log.nights << " nights" << (last ? "\n" : "")
                << std::flush;
    };
    // Every simulated answer is queued on the link at once; twice the link's own time is plenty. A real
    // band's record count is its own, so it gets as long as the session waits.
    const double answers = std::max(o.days, 1) + std::max(o.nights, 1) + 16;
    const double limit =
        band ? o.timeout + 2 * answers * SimOptions{}.notificationDelay + SyncProgress::kSettleSeconds : kMaxBluezSync;
    const bool done = driver->runUntil(
        [&] {
            progress(false);
            return synced.has_value();
        },
        limit);
    progress(true);
    if (!done) {
        return fail(strprintf("the wristband's answers were not all stored within %.0f s (%llu reports)", limit,
                              static_cast<unsigned long long>(today.reportsHandled())));
    }
    if (!synced->first) return fail(synced->second);
    std::vector<sportsData> days;
    std::vector<sleepData> nights;
    app.m_db->databaseToArray(days);
    app.m_db->SleepDataToArray(nights);
    if (band) {
        if (auto difference = compareWithBand(band->firmware(), days, nights)) return fail(*difference);
    }

    // The signal row fills with the first two-second reading.
    driver->runUntil([&] { return today.tableView().detailText(TodayScreen::kRssi) != "-- db"; }, 2.5);
    ctx.out << "Today:\n";
    for (int r = 0; r < today.numberOfRowsInSection(0); ++r) {
        const auto cell = today.tableView().visibleCell(r);
        if (cell) ctx.out << "  " << padded(cell->title, 19) << cell->detail << "\n";
    }
    ctx.out << "Link status: " << app.strBlueStatus() << "\n";
    ctx.out << "Transfer status: " << app.strTransmitStatus() << "\n";
    printRecords(ctx.out, days, nights);
    if (band && isLinkFault(o.fault)) {
        const RunUntil runUntil = [&](const std::function<bool()>& done, double s) {
            return driver->runUntil(done, s);
        };
        if (const std::string why = showLinkFault(o.fault, session, runUntil, o.timeout, ctx.out); !why.empty()) {
            return fail(why);
        }
    }
    return 0;
}

Handler declareDemo(CLI::App& app) {
    auto a = std::make_shared<DemoArguments>();
    auto text = [&app](const char* name, std::optional<std::string>& to, const char* what) {
        return app.add_option_function<std::string>(
            name, [&to](const std::string& v) { to = v; }, what);
    };
    // Options of the simulated band only.
    const std::vector<CLI::Option*> simulated = {
        text("--days", a->days, "days of records on the band, 0 to 36500 (default 7)")->type_name("N"),
        text("--nights", a->nights, "nights of records on the band, 0 to 36500 (default 7)")->type_name("N"),
        text("--seed", a->seed, "the band's records are made from this number (default 1)")->type_name("N"),
        text("--fault", a->fault,
             "a step that fails: out-of-range, refuse-notifications or no-service; or after the sync, the band "
             "goes away (away) or its link drops (drop) and it is connected again")
            ->check(
                CLI::IsMember({"out-of-range", "refuse-notifications", "no-service", "away", "drop"}).description(""))
            ->type_name("FAULT"),
    };
    text("--timeout", a->timeout, "seconds each step may take, 1 to 3600 (default 5)")->type_name("SECONDS");
    app.add_flag("--verbose", a->verbose, "show the debug log on standard error");
    CLI::Option* bluez =
        app.add_flag("--bluez", a->bluez, "a real wristband through BlueZ instead of the simulated one");
    for (CLI::Option* o : simulated) bluez->excludes(o);
    return [a](Context& ctx) { return demo(ctx, *a); };
}

const Registration demoReg(
    "demo", "demo [--days N] [--nights N] [--seed N] [--bluez]  sync a simulated (or real) wristband end to end",
    Declare(declareDemo));

}  // namespace
}  // namespace vantro::cli
