// SPDX-License-Identifier: MIT
// A ten-year sync (3,650 days and 3,650 nights) through the simulated band with no link delay: the time the
// phone spends per report, to set against the link's floor of one notification per 7.5 ms.
#include "app/vantro_app_delegate.h"
#include "link/vantro_view_controller.h"
#include "platform/manual_run_loop.h"
#include "protocol/codes.h"
#include "settings/settings_keys.h"
#include "settings/settings_sync.h"
#include "sim/simulated_central.h"
#include "store/sqlite_data.h"

#include "bench_dir.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace vantro;

namespace {

constexpr int kTenYears = 3650;
constexpr double kLinkFloorSeconds = 0.0075;

/// The core wired to a simulated band with no link delay, connected and subscribed.
struct SyncRig {
    ManualRunLoop loop{Instant{std::chrono::seconds{1405436645}}};
    NullLog log;
    IdentityLocalizer localizer;
    MemoryKeyValueStore settings;
    CompanionStateKeeper state;
    VantroAppDelegate app{AppPorts{loop, log, localizer, settings}, state};
    std::shared_ptr<SimulatedPeripheral> band;
    VantroViewController vc;

    SyncRig(const std::string& dataDir, bool withDatabase)
        : vc(
              app,
              [this] {
                  SimOptions o;
                  o.notificationDelay = 0;
                  o.responseDelay = 0;
                  o.currentDataInterval = 0;
                  auto central = std::make_shared<SimulatedCentral>(loop, o);
                  SimBandConfig cfg;
                  cfg.firmware.days = kTenYears;
                  cfg.firmware.nights = kTenYears;
                  band = central->addWristband(cfg);
                  return central;
              },
              dataDir) {
        initializeDefaults(settings, loop.wallNow());
        app.didFinishLaunchingWithOptions(nullptr, nullptr);
        vc.viewDidLoad();
        vc.tableView().setVisibleRows({0, 1, 2, 3, 4, 5, 6});
        if (!withDatabase) app.m_db.reset();
        loop.advance(0.01);
        app.connectPeripheral(band);
        loop.advance(0.1);
    }
    /// Sends the sync and handles every answer; returns the number of reports handled.
    std::uint64_t sync() {
        const auto before = vc.reportsHandled();
        SettingsSync(app).SyncData();
        loop.runPending(100000000);
        return vc.reportsHandled() - before;
    }
};

/// Per-report figures of the last iteration: microseconds per report and its share of the link's 7.5 ms.
void report(benchmark::State& state, std::uint64_t reports, double seconds) {
    const double perReport = reports ? seconds / static_cast<double>(reports) : 0;
    state.counters["reports"] = static_cast<double>(reports);
    state.counters["us_per_report"] = perReport * 1e6;
    state.counters["share_of_link_floor"] = perReport / kLinkFloorSeconds;
}

/// One whole sync per iteration, timed from the sync request to the last report handled.
void fullSync(benchmark::State& state, const std::filesystem::path& base, bool withDatabase) {
    std::uint64_t reports = 0;
    double seconds = 0;
    for (auto _ : state) {
        BenchDir dir(base);
        SyncRig rig(dir.path, withDatabase);
        const auto t0 = std::chrono::steady_clock::now();
        reports = rig.sync();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(seconds);
        if (withDatabase) {
            std::vector<sportsData> days;
            rig.app.m_db->databaseToArray(days);
            if (days.size() != kTenYears) state.SkipWithError("not every day was stored");
        }
    }
    report(state, reports, seconds);
}

// The database in the system's temporary directory: every upsert reaches the disk.
void BM_FullSync_TempDir(benchmark::State& state) {
    fullSync(state, std::filesystem::temp_directory_path(), true);
}
BENCHMARK(BM_FullSync_TempDir)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

// The database in memory-backed /dev/shm: the cost of SQLite itself, without the disk's flushes.
void BM_FullSync_Shm(benchmark::State& state) {
    if (!std::filesystem::is_directory("/dev/shm")) {
        state.SkipWithError("no /dev/shm");
        for (auto _ : state) {
        }
        return;
    }
    fullSync(state, "/dev/shm", true);
}
BENCHMARK(BM_FullSync_Shm)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// No database: decoding, today rows, status texts and the simulated link alone.
void BM_FullSync_NoDatabase(benchmark::State& state) {
    fullSync(state, std::filesystem::temp_directory_path(), false);
}
BENCHMARK(BM_FullSync_NoDatabase)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
