// SPDX-License-Identifier: MIT
// The settings file's cost per write and per look for outside changes, on a real file with the defaults.
#include "platform/atomic_file.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"

#include "bench_dir.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace vantro;

namespace {

const Instant kMoment{std::chrono::seconds{1405413000}};

// Two programs sharing one settings file; with arg 1 the other one writes before every step, so the
// measured store must lock, read and parse the file again.
template <typename Step>
void withOtherWriter(benchmark::State& state, Step step) {
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
        step(store, i++);
    }
    if (!store.lastSaveSucceeded()) state.SkipWithError("save failed");
}

// One setting changed: lock, look at the file, write it whole (with fsync) and rename.
void BM_SettingsWrite(benchmark::State& state) {
    withOtherWriter(state,
                    [](JsonKeyValueStore& store, std::int64_t i) { store.setInteger(kBodyHeight, 80 + i % 100); });
}
BENCHMARK(BM_SettingsWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// What the lock and the re-read add to a write, without the write: the look before a sync.
// Arg 0: nothing changed (one stat); arg 1: another program wrote (lock, read, parse).
void BM_SettingsRefresh(benchmark::State& state) {
    withOtherWriter(state, [](JsonKeyValueStore& store, std::int64_t) {
        store.refresh();
        benchmark::DoNotOptimize(store.integerForKey(kBodyWeight));
    });
}
BENCHMARK(BM_SettingsRefresh)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Starting with a settings file at the size limit: 1 MiB of entries, one per line. Arg: bytes per entry
// (about 20,000 small entries, or a few long texts).
void BM_SettingsLoadMegabyte(benchmark::State& state) {
    BenchDir dir;
    const auto entryBytes = static_cast<std::size_t>(state.range(0));
    std::string text = "{";
    for (int n = 0; text.size() + entryBytes + 4 < JsonKeyValueStore::kMaxFileBytes; ++n) {
        std::string entry = "\n  \"key" + std::to_string(n) + "\": {\"type\": \"string\", \"value\": \"";
        entry += std::string(entryBytes > entry.size() + 4 ? entryBytes - entry.size() - 4 : 1, 'v') + "\"},";
        text += entry;
    }
    text.back() = '\n';
    text += "}";
    writeFileAtomically(dir.path + "/settings.json", text);
    NullLog log;
    for (auto _ : state) {
        JsonKeyValueStore store(dir.path, log);
        if (!store.damagedCopy().empty() || store.values().size() < 3) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(store.values().size());
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_SettingsLoadMegabyte)->Arg(50)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_DirectoryLock(benchmark::State& state) {
    BenchDir dir;
    for (auto _ : state) {
        DirectoryLock lock(dir.path);
        benchmark::DoNotOptimize(lock.locked());
    }
}
BENCHMARK(BM_DirectoryLock)->Unit(benchmark::kMicrosecond);

}  // namespace
