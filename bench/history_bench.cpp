// SPDX-License-Identifier: MIT
// The history screen's cost of a range switch or a page turn over ten years of stored days,
// the database listing and the new bars included.
#include "app/vantro_app_delegate.h"
#include "charts/ui_context.h"
#include "platform/local_time.h"
#include "platform/manual_run_loop.h"
#include "screens/chart_view_controller.h"
#include "screens/history_range.h"
#include "store/sqlite_data.h"

#include "bench_dir.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <string>

using namespace vantro;

namespace {

// Ten years of days, written in one transaction (one upsert per day would take minutes).
struct TenYears {
    BenchDir dir;
    ManualRunLoop loop;
    CapturingLog log;
    IdentityLocalizer keys;
    MemoryKeyValueStore settings;
    FixedTextMetrics metrics;
    UiContext ui{loop, metrics};
    std::unique_ptr<VantroAppDelegate> app;
    std::unique_ptr<ChartViewController> screen;

    TenYears() {
        app = std::make_unique<VantroAppDelegate>(AppPorts{loop, log, keys, settings});
        app->m_db = std::make_shared<sqlite_data>(dir.path, log);
        sqlite3* db = nullptr;
        sqlite3_open(app->m_db->m_dataFilePath().c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO sportsTable(cDate, cStep) VALUES(?, ?)", -1, &insert, nullptr);
        for (std::int64_t n = daysFromCivil(2015, 1, 1); n <= daysFromCivil(2024, 12, 31); ++n) {
            sqlite3_bind_text(insert, 1, formatDate(civilFromDays(n)).c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 2, static_cast<int>((n * 7919) % 20000));
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        screen = std::make_unique<ChartViewController>(*app, ui, Size{320, 568}, 64);
        screen->view();
    }
    ~TenYears() { screen.reset(); }
};

void BM_SwitchRange(benchmark::State& state) {
    TenYears rig;
    const HistoryRange cycle[] = {HistoryRange::Week, HistoryRange::Month, HistoryRange::Year};
    std::size_t i = 0;
    for (auto _ : state) {
        rig.screen->setRange(cycle[i++ % 3]);
        benchmark::DoNotOptimize(rig.screen->barChartView()->barViews().data());
    }
}
BENCHMARK(BM_SwitchRange)->Unit(benchmark::kMillisecond);

// A page turn in the week, month and year ranges, back and forth over the whole decade.
void BM_PageTurn(benchmark::State& state) {
    TenYears rig;
    rig.screen->setRange(static_cast<HistoryRange>(state.range(0)));
    bool older = true;
    for (auto _ : state) {
        if (!(older ? rig.screen->showOlderPage() : rig.screen->showNewerPage())) older = !older;
        benchmark::DoNotOptimize(rig.screen->barChartView()->barViews().data());
    }
}
BENCHMARK(BM_PageTurn)
    ->Arg(static_cast<int>(HistoryRange::Week))
    ->Arg(static_cast<int>(HistoryRange::Month))
    ->Arg(static_cast<int>(HistoryRange::Year))
    ->Unit(benchmark::kMillisecond);

}  // namespace
