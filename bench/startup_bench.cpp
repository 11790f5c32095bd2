// SPDX-License-Identifier: MIT
// Time from exec to the first frame on screen, the app against a bare Qt window, started in turns in one
// run, each on a fresh private session bus; with the resident memory of both at that frame.
//
// The platform is Xvfb (or any X server) when DISPLAY is set, the offscreen platform otherwise; the label
// names it together with the load average, since other work on the machine moves these figures.
#include "gui/first_frame.h"
#include "platform/debug_log.h"
#include "platform/local_time.h"
#include "store/sqlite_data.h"

#include "bench_dir.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

/// A session bus of its own, so no other companion answers and every start claims the name afresh.
struct PrivateBus {
    std::string address;
    pid_t pid = 0;
    PrivateBus() {
        FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        if (!out) return;
        char line[512];
        if (fgets(line, sizeof line, out)) address = std::string(line, strcspn(line, "\n"));
        if (fgets(line, sizeof line, out)) pid = static_cast<pid_t>(std::atol(line));
        pclose(out);
    }
    ~PrivateBus() {
        if (pid > 0) kill(pid, SIGTERM);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
};

struct Start {
    double ms = 0;
    double rssMB = 0;
    int audioLines = 0;
};

double residentMB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kB = 0;
            status >> kB;
            return kB / 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

/// Lines about the audio device; a quiet start has none.
int audioLines(const std::string& path) {
    std::ifstream err(path);
    int n = 0;
    for (std::string line; std::getline(err, line);) {
        if (line.find("udio") != std::string::npos || line.find("PulseAudio") != std::string::npos ||
            line.find("ALSA") != std::string::npos)
            ++n;
    }
    return n;
}

/// Runs `argv` until it prints the first-frame line; absent when it never does (within 30 s).
std::optional<Start> startOnce(const std::vector<std::string>& argv, const std::string& home,
                               const std::string& errPath) {
    PrivateBus bus;
    if (bus.address.empty()) return std::nullopt;
    int out[2];
    if (pipe(out) != 0) return std::nullopt;
    const Clock::time_point t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        if (FILE* err = std::fopen(errPath.c_str(), "w")) dup2(fileno(err), STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.address.c_str(), 1);
        setenv(vantro::gui::kFirstFrameMarkVariable, "1", 1);
        if (!getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // The user's own settings, autostart entry and data stay out of it.
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    std::optional<Start> result;
    std::string seen;
    pollfd p{out[0], POLLIN, 0};
    while (pid > 0 && poll(&p, 1, 30000) > 0) {
        char buf[256];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<std::size_t>(n));
        if (seen.find(vantro::gui::kFirstFrameLine) != std::string::npos) {
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            result = Start{ms, residentMB(pid), 0};
            break;
        }
    }
    close(out[0]);
    if (pid > 0) {
        kill(pid, SIGTERM);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (result) result->audioLines = audioLines(errPath);
    return result;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

std::string loadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string one;
    f >> one;
    return one;
}

/// A data directory with two weeks of synced days and a few nights, as after a first sync.
void fillDays(const std::string& dir) {
    vantro::NullLog log;
    vantro::sqlite_data db(dir, log);
    const std::int64_t today = vantro::daysFromCivil(2026, 12, 1);
    for (std::int64_t n = today - 13; n <= today; ++n) {
        const auto date = vantro::civilFromDays(n);
        const auto steps = static_cast<std::int32_t>(4000 + (n * 7919) % 9000);
        db.updateData(date, steps, steps * 7 / 10, steps / 25, 1400, steps, 45);
        if (n > today - 4) db.updateSleepData(date, 1380, 120, 90, 60, 30, 2, std::nullopt, std::nullopt);
    }
}

// One iteration starts both, in turns (the bare window first on even iterations); the time is the app's.
void BM_FirstFrame(benchmark::State& state) {
    BenchDir home;
    const std::string data = home.path + "/vantro-data";
    fillDays(data);
    const std::string errPath = home.path + "/stderr.txt";
    // VANTRO_BENCH_APP measures another build of the app (one that writes the same first-frame line).
    const char* other = getenv("VANTRO_BENCH_APP");
    const std::vector<std::string> app{other ? other : VANTRO_APP, "--simulate", "--data-dir", data};
    const std::vector<std::string> bare{VANTRO_BARE_WINDOW};
    // One untimed start of each brings the libraries and fonts into the page cache.
    startOnce(bare, home.path, errPath);
    startOnce(app, home.path, errPath);
    std::vector<double> appMs, bareMs, appRss, bareRss;
    int quietness = 0;
    bool even = true;
    for (auto _ : state) {
        std::optional<Start> a, b;
        if (even) b = startOnce(bare, home.path, errPath);
        a = startOnce(app, home.path, errPath);
        if (!even) b = startOnce(bare, home.path, errPath);
        even = !even;
        if (!a || !b) {
            state.SkipWithError("a start never showed its first frame");
            return;
        }
        state.SetIterationTime(a->ms / 1000);
        appMs.push_back(a->ms);
        bareMs.push_back(b->ms);
        appRss.push_back(a->rssMB);
        bareRss.push_back(b->rssMB);
        quietness = std::max(quietness, a->audioLines);
    }
    const double app50 = median(appMs), bare50 = median(bareMs);
    state.counters["app_ms"] = app50;
    state.counters["bare_ms"] = bare50;
    state.counters["ratio"] = bare50 > 0 ? app50 / bare50 : 0;
    state.counters["app_rss_MB"] = median(appRss);
    state.counters["bare_rss_MB"] = median(bareRss);
    state.counters["rss_over_bare_MB"] = median(appRss) - median(bareRss);
    state.counters["audio_lines"] = quietness;
    const char* display = getenv("DISPLAY");
    state.SetLabel(std::string(display ? "X server " + std::string(display) : "offscreen") + ", load " + loadAverage());
}
BENCHMARK(BM_FirstFrame)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

}  // namespace
