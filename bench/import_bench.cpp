// SPDX-License-Identifier: MIT
// Restoring a large backup: 45,000 records (over a century of days) read, checked and merged into a new
// database, as JSON and as CSV.
#include "store/records_backup.h"
#include "store/records_export.h"

#include "bench_dir.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

using namespace vantro;

namespace {

constexpr int kRecords = 45000;

std::vector<StoredRecord> manyRecords() {
    std::vector<StoredRecord> records;
    const LocalDateTime start{1900, 1, 1, 12, 0, 0};
    for (int n = 0; n < kRecords; ++n) {
        StoredRecord r;
        r.date = formatDate(toLocal(*fromLocal(start) + std::chrono::hours(24 * n)).date());
        for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
            r.values[i] = kRecordFields[i].time ? (n + static_cast<int>(i)) % 1440 : (n * 7 + i) % 65536;
        }
        records.push_back(std::move(r));
    }
    return records;
}

// Arg 0: JSON, arg 1: CSV.
void BM_ImportBackup(benchmark::State& state) {
    BenchDir dir;
    const bool csv = state.range(0) == 1;
    const std::string file = dir.path + (csv ? "/backup.csv" : "/backup.json");
    {
        NullLog log;
        sqlite_data source(dir.path + "/source", log);
        if (!source.mergeRecords(manyRecords(), false)) state.SkipWithError("could not fill the source");
        if (!exportRecordsToFile(source, file).ok) state.SkipWithError("could not export");
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        NullLog log;
        auto db = std::make_unique<sqlite_data>(dir.path + "/into" + std::to_string(round++), log);
        state.ResumeTiming();
        const BackupOutcome done = importRecordsFromFile(*db, file, false);
        if (!done.ok || done.counts.daysAdded != kRecords) state.SkipWithError(done.error.c_str());
    }
}
BENCHMARK(BM_ImportBackup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
