// SPDX-License-Identifier: MIT
// The history screen's cost of a range switch or a page turn over ten years of stored days, the
// check for a changed database and the new bars included, and of one animation frame of a page turn.
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
    CompanionStateKeeper state;
    std::unique_ptr<VantroAppDelegate> app;
    std::unique_ptr<ChartViewController> screen;

    TenYears() {
        app = std::make_unique<VantroAppDelegate>(AppPorts{loop, log, keys, settings}, state);
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

// A switch from the first argument's range to the second's; going back between iterations is not timed.
void BM_SwitchRange(benchmark::State& state) {
    TenYears rig;
    const auto from = static_cast<HistoryRange>(state.range(0));
    const auto to = static_cast<HistoryRange>(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        rig.screen->setRange(from);
        state.ResumeTiming();
        rig.screen->setRange(to);
        benchmark::DoNotOptimize(rig.screen->barChartView()->barCount());
    }
}
constexpr int kAll = static_cast<int>(HistoryRange::All), kWeek = static_cast<int>(HistoryRange::Week),
              kMonth = static_cast<int>(HistoryRange::Month), kYear = static_cast<int>(HistoryRange::Year);
BENCHMARK(BM_SwitchRange)
    ->Args({kWeek, kAll})
    ->Args({kAll, kWeek})
    ->Args({kWeek, kMonth})
    ->Args({kMonth, kYear})
    ->Args({kYear, kWeek})
    ->Unit(benchmark::kMillisecond);

// A page turn in the week, month and year ranges, back and forth over the whole decade.
void BM_PageTurn(benchmark::State& state) {
    TenYears rig;
    rig.screen->setRange(static_cast<HistoryRange>(state.range(0)));
    bool older = true;
    for (auto _ : state) {
        if (!(older ? rig.screen->showOlderPage() : rig.screen->showNewerPage())) older = !older;
        benchmark::DoNotOptimize(rig.screen->barChartView()->barCount());
    }
}
BENCHMARK(BM_PageTurn)
    ->Arg(static_cast<int>(HistoryRange::Week))
    ->Arg(static_cast<int>(HistoryRange::Month))
    ->Arg(static_cast<int>(HistoryRange::Year))
    ->Unit(benchmark::kMillisecond);

// One frame (1/60 s) of the collapse and expand that a page turn (for all days: a switch) runs, the
// bars' layout and presentation included; drawing is the shell's.
void BM_AnimationFrame(benchmark::State& state) {
    TenYears rig;
    const auto range = static_cast<HistoryRange>(state.range(0));
    rig.screen->setRange(range);
    bool older = true;
    double left = 0;
    for (auto _ : state) {
        if (left <= 0) {
            state.PauseTiming();
            if (range == HistoryRange::All) {
                rig.screen->setRange(HistoryRange::Week);
                rig.screen->setRange(HistoryRange::All);
            } else if (!(older ? rig.screen->showOlderPage() : rig.screen->showNewerPage())) {
                older = !older;
            }
            left = 1.5;
            state.ResumeTiming();
        }
        rig.loop.advance(1.0 / 60);
        rig.loop.runPending();
        rig.screen->view()->layoutIfNeeded();
        const BarChartView& chart = *rig.screen->barChartView();
        for (std::size_t i = 0; i < chart.barCount(); ++i) benchmark::DoNotOptimize(chart.presentationBarFrame(i));
        left -= 1.0 / 60;
    }
}
BENCHMARK(BM_AnimationFrame)
    ->Arg(static_cast<int>(HistoryRange::All))
    ->Arg(static_cast<int>(HistoryRange::Month))
    ->Arg(static_cast<int>(HistoryRange::Year))
    ->Unit(benchmark::kMillisecond);

}  // namespace
