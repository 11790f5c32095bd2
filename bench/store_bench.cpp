// SPDX-License-Identifier: MIT
// The activity database's cost per call: open, statements and close included, on a real file.
#include "store/sqlite_connection.h"
#include "store/sqlite_data.h"

#include "bench_dir.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace vantro;

namespace {

constexpr int kTenYears = 3650;

CalendarDate dayNumber(int n) {
    // Consecutive real days from 2010-01-01.
    LocalDateTime start{2010, 1, 1, 12, 0, 0};
    const auto t = *fromLocal(start) + std::chrono::hours(24 * n);
    return toLocal(t).date();
}

void fillTenYears(sqlite_data& db) {
    for (int i = 0; i < kTenYears; ++i) {
        db.updateData(dayNumber(i), 8000 + i, 600, 300, 150, 0, 45);
        db.updateSleepData(dayNumber(i), 10, 200, 120, 60, 20, 2, TimeOfDay{6, 50}, TimeOfDay{23, 30});
    }
}

void BM_DayUpsertUpdate(benchmark::State& state) {
    BenchDir dir;
    NullLog log;
    sqlite_data db(dir.path, log);
    fillTenYears(db);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(db.updateData(dayNumber(i % kTenYears), 9000 + i, 700, 310, 151, 0, 50));
        ++i;
    }
}
BENCHMARK(BM_DayUpsertUpdate)->Unit(benchmark::kMicrosecond);

void BM_DayUpsertInsert(benchmark::State& state) {
    BenchDir dir;
    NullLog log;
    sqlite_data db(dir.path, log);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(db.updateData(dayNumber(i), 9000 + i, 700, 310, 151, 0, 50));
        ++i;
    }
}
BENCHMARK(BM_DayUpsertInsert)->Unit(benchmark::kMicrosecond);

void BM_ListTenYearsOfDays(benchmark::State& state) {
    BenchDir dir;
    NullLog log;
    sqlite_data db(dir.path, log);
    fillTenYears(db);
    for (auto _ : state) {
        std::vector<sportsData> days;
        benchmark::DoNotOptimize(db.databaseToArray(days));
    }
    state.SetItemsProcessed(state.iterations() * kTenYears);
}
BENCHMARK(BM_ListTenYearsOfDays)->Unit(benchmark::kMicrosecond);

void BM_ListTenYearsOfNights(benchmark::State& state) {
    BenchDir dir;
    NullLog log;
    sqlite_data db(dir.path, log);
    fillTenYears(db);
    for (auto _ : state) {
        std::vector<sleepData> nights;
        benchmark::DoNotOptimize(db.SleepDataToArray(nights));
    }
    state.SetItemsProcessed(state.iterations() * kTenYears);
}
BENCHMARK(BM_ListTenYearsOfNights)->Unit(benchmark::kMicrosecond);

// The floor: the same 3,650 day rows written by plain SQLite in one transaction, one connection.
void BM_PlainInsertTenYearsOneTransaction(benchmark::State& state) {
    BenchDir dir;
    NullLog log;
    sqlite_data db(dir.path, log);  // the same file and table
    std::vector<std::string> keys;
    for (int i = 0; i < kTenYears; ++i) keys.push_back(formatDate(dayNumber(i)));
    for (auto _ : state) {
        state.PauseTiming();
        db.clearData();
        state.ResumeTiming();
        SqliteConnection c(db.m_dataFilePath(), SqliteConnection::Mode::ReadWrite);
        c.exec("BEGIN");
        SqliteStatement insert = c.prepare(
            "INSERT INTO sportsTable(cDate, cStep, cDistance, cColaries, cRestcal, cTStep, cActiveTime) VALUES(?, ?, "
            "?, ?, ?, ?, ?)");
        for (int i = 0; i < kTenYears; ++i) {
            insert.bindText(1, keys[static_cast<size_t>(i)]);
            insert.bindInt(2, 8000 + i);
            insert.bindInt(3, 600);
            insert.bindInt(4, 300);
            insert.bindInt(5, 150);
            insert.bindInt(6, 0);
            insert.bindInt(7, 45);
            insert.step();
            insert.reset();
        }
        c.exec("COMMIT");
    }
    state.SetItemsProcessed(state.iterations() * kTenYears);
}
BENCHMARK(BM_PlainInsertTenYearsOneTransaction)->Unit(benchmark::kMicrosecond);

}  // namespace
