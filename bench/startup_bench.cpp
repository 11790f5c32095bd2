// SPDX-License-Identifier: MIT
// Time from exec to the first frame, the app against a bare Qt window, started in turns in one run, each
// on a fresh private session bus; with the resident memory of both at that frame.
//
// BM_FirstFrame runs both on the offscreen platform until each writes its first-frame line. With DISPLAY
// set (Xvfb or any X server) BM_WindowViewable also starts both there and takes the time until the X
// server says the new client's window is mapped and viewable: what a user sees, watched over xcb from
// here. Labels carry the load average, since other work on the machine moves these figures.
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
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifdef VANTRO_BENCH_XCB
#include <xcb/xcb.h>
#endif

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

/// Waits, given the child and the read end of its standard output, until it is on screen; false when it
/// never is (within 30 s).
using WaitShown = std::function<bool(pid_t pid, int out)>;

/// Runs `argv` on `platform` until `shown` says so; absent when it never does.
std::optional<Start> startOnce(const std::vector<std::string>& argv, const std::string& home,
                               const std::string& errPath, const char* platform, const WaitShown& shown) {
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
        setenv("QT_QPA_PLATFORM", platform, 1);
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
    if (pid > 0 && shown(pid, out[0])) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        result = Start{ms, residentMB(pid), 0};
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

/// Until the child writes the first-frame line.
bool firstFrameLine(pid_t, int out) {
    std::string seen;
    pollfd p{out, POLLIN, 0};
    while (poll(&p, 1, 30000) > 0) {
        char buf[256];
        const ssize_t n = read(out, buf, sizeof buf);
        if (n <= 0) return false;
        seen.append(buf, static_cast<std::size_t>(n));
        if (seen.find(vantro::gui::kFirstFrameLine) != std::string::npos) return true;
    }
    return false;
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

/// One iteration starts both, in turns (the bare window first on even iterations); the time is the app's.
/// Counters: the medians of both and of the pairs' ratios, with the smallest and largest pair.
void startPairs(benchmark::State& state, const char* platform, const WaitShown& shown) {
    BenchDir home;
    const std::string data = home.path + "/vantro-data";
    fillDays(data);
    const std::string errPath = home.path + "/stderr.txt";
    // VANTRO_BENCH_APP measures another build of the app (one that writes the same first-frame line).
    const char* other = getenv("VANTRO_BENCH_APP");
    const std::vector<std::string> app{other ? other : VANTRO_APP, "--simulate", "--data-dir", data};
    const char* otherBare = getenv("VANTRO_BENCH_BARE");
    const std::vector<std::string> bare{otherBare ? otherBare : VANTRO_BARE_WINDOW};
    // One untimed start of each brings the libraries and fonts into the page cache.
    startOnce(bare, home.path, errPath, platform, shown);
    startOnce(app, home.path, errPath, platform, shown);
    std::vector<double> appMs, bareMs, ratios, appRss, bareRss;
    int quietness = 0;
    bool even = true;
    for (auto _ : state) {
        std::optional<Start> a, b;
        if (even) b = startOnce(bare, home.path, errPath, platform, shown);
        a = startOnce(app, home.path, errPath, platform, shown);
        if (!even) b = startOnce(bare, home.path, errPath, platform, shown);
        even = !even;
        if (!a || !b) {
            state.SkipWithError("a start never showed its window");
            return;
        }
        state.SetIterationTime(a->ms / 1000);
        appMs.push_back(a->ms);
        bareMs.push_back(b->ms);
        ratios.push_back(a->ms / b->ms);
        appRss.push_back(a->rssMB);
        bareRss.push_back(b->rssMB);
        quietness = std::max(quietness, a->audioLines);
    }
    state.counters["app_ms"] = median(appMs);
    state.counters["bare_ms"] = median(bareMs);
    state.counters["ratio"] = median(ratios);
    state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["app_rss_MB"] = median(appRss);
    state.counters["bare_rss_MB"] = median(bareRss);
    state.counters["rss_over_bare_MB"] = median(appRss) - median(bareRss);
    state.counters["audio_lines"] = quietness;
}

void BM_FirstFrame(benchmark::State& state) {
    startPairs(state, "offscreen", firstFrameLine);
    state.SetLabel("offscreen, load " + loadAverage());
}
BENCHMARK(BM_FirstFrame)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

#ifdef VANTRO_BENCH_XCB
/// The X server as the user's screen: told of every window mapped on the root.
class XWatch {
public:
    XWatch() : m_conn(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(m_conn)) return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(m_conn, xcb_change_window_attributes_checked(m_conn, m_root, XCB_CW_EVENT_MASK, &mask)),
            &std::free);
        const char name[] = "_NET_WM_PID";
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(m_conn, xcb_intern_atom(m_conn, 0, sizeof name - 1, name), nullptr), &std::free);
        m_ok = !error && atom;
        if (atom) m_pidAtom = atom->atom;
    }
    ~XWatch() { xcb_disconnect(m_conn); }
    XWatch(const XWatch&) = delete;
    XWatch& operator=(const XWatch&) = delete;
    bool ok() const { return m_ok; }

    /// Until a window of `pid` (Qt names its process on each) is mapped and viewable.
    bool waitViewable(pid_t pid) {
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
        pollfd p{xcb_get_file_descriptor(m_conn), POLLIN, 0};
        while (!xcb_connection_has_error(m_conn)) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn)) {
                std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
                if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) continue;
                const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
                if (!map->override_redirect && ofProcess(map->window, pid) && viewable(map->window)) return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0 || waitpid(pid, nullptr, WNOHANG) == pid) return false;
            poll(&p, 1, static_cast<int>(std::min<long long>(left, 100)));
        }
        return false;
    }

private:
    /// The window or (under a reparenting window manager, which maps its frame) one of its children.
    bool ofProcess(xcb_window_t window, pid_t pid, int depth = 0) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> prop(
            xcb_get_property_reply(m_conn, xcb_get_property(m_conn, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1),
                                   nullptr),
            &std::free);
        if (prop && xcb_get_property_value_length(prop.get()) == 4) {
            std::uint32_t owner = 0;
            std::memcpy(&owner, xcb_get_property_value(prop.get()), sizeof owner);
            return owner == static_cast<std::uint32_t>(pid);
        }
        if (depth > 0) return false;
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(m_conn, xcb_query_tree(m_conn, window), nullptr), &std::free);
        if (!tree) return false;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            if (ofProcess(children[i], pid, depth + 1)) return true;
        }
        return false;
    }

    bool viewable(xcb_window_t window) {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(m_conn, xcb_get_window_attributes(m_conn, window), nullptr), &std::free);
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    xcb_connection_t* m_conn;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = 0;
    bool m_ok = false;
};

void BM_WindowViewable(benchmark::State& state) {
    XWatch x;
    if (!x.ok()) {
        state.SkipWithError("cannot watch the X server's root window");
        return;
    }
    startPairs(state, "xcb", [&x](pid_t pid, int) { return x.waitViewable(pid); });
    state.SetLabel(std::string("X server ") + getenv("DISPLAY") + ", window viewable, load " + loadAverage());
}

// Registered only where there is an X server to watch.
const bool kWindowViewable = [] {
    if (getenv("DISPLAY") && *getenv("DISPLAY")) {
        benchmark::RegisterBenchmark("BM_WindowViewable", BM_WindowViewable)
            ->UseManualTime()
            ->Iterations(16)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();
#endif

}  // namespace
