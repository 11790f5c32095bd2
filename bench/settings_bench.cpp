// SPDX-License-Identifier: MIT
// The settings file's cost per write and per look for outside changes, on a real file with the defaults.
#include "platform/atomic_file.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace vantro;

namespace {

// A fresh directory under $TMPDIR (or /tmp), removed at the end.
struct BenchDir {
    std::string path;
    BenchDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vantro-bench-XXXXXX").string();
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        if (mkdtemp(name.data())) path = name.data();
    }
    ~BenchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const Instant kMoment{std::chrono::seconds{1405413000}};

// One setting changed: lock, look at the file, write it whole (with fsync) and rename.
// Arg 1: another program wrote in between, so every write also reads and parses the file again.
void BM_SettingsWrite(benchmark::State& state) {
    BenchDir dir;
    NullLog log;
    JsonKeyValueStore store(dir.path, log);
    JsonKeyValueStore other(dir.path, log);
    initializeDefaults(store, kMoment);
    std::int64_t i = 0;
    for (auto _ : state) {
        if (state.range(0)) {
            state.PauseTiming();
            other.setInteger(kBodyWeight, 40 + i % 100);
            state.ResumeTiming();
        }
        store.setInteger(kBodyHeight, 80 + i % 100);
        ++i;
    }
    if (!store.lastSaveSucceeded()) state.SkipWithError("save failed");
}
BENCHMARK(BM_SettingsWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// What the lock and the re-read add to a write, without the write: the look before a sync.
// Arg 0: nothing changed (one stat); arg 1: another program wrote (lock, read, parse).
void BM_SettingsRefresh(benchmark::State& state) {
    BenchDir dir;
    NullLog log;
    JsonKeyValueStore store(dir.path, log);
    JsonKeyValueStore other(dir.path, log);
    initializeDefaults(store, kMoment);
    std::int64_t i = 0;
    for (auto _ : state) {
        if (state.range(0)) {
            state.PauseTiming();
            other.setInteger(kBodyWeight, 40 + i % 100);
            state.ResumeTiming();
        }
        store.refresh();
        benchmark::DoNotOptimize(store.integerForKey(kBodyWeight));
        ++i;
    }
}
BENCHMARK(BM_SettingsRefresh)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DirectoryLock(benchmark::State& state) {
    BenchDir dir;
    for (auto _ : state) {
        DirectoryLock lock(dir.path);
        benchmark::DoNotOptimize(lock.locked());
    }
}
BENCHMARK(BM_DirectoryLock)->Unit(benchmark::kMicrosecond);

}  // namespace
