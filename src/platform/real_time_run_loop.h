// SPDX-License-Identifier: MIT
// A run loop on the real clock for the command-line driver.
#pragma once

#include "platform/run_loop.h"

#include <condition_variable>
#include <map>
#include <mutex>

namespace vantro {

/// Real-time RunLoop; `post` may be called from any thread, everything runs on the thread in `run`.
class RealTimeRunLoop : public RunLoop {
public:
    RealTimeRunLoop();

    TimerId post(std::function<void()> fn) override;
    TimerId after(double seconds, std::function<void()> fn) override;
    TimerId every(double seconds, std::function<void()> fn) override;
    void cancel(TimerId id) override;
    double now() const override;
    Instant wallNow() const override { return std::chrono::system_clock::now(); }

    /// Runs turns until `stop` is called or `seconds` of real time have passed. Returns false on time-out.
    bool run(double seconds);
    /// Runs until `done()` holds (checked after every turn) or the time limit passes.
    bool runUntil(const std::function<bool()>& done, double seconds);
    void stop();

private:
    struct Task {
        TimerId id;
        double interval;
        std::function<void()> fn;
    };
    TimerId schedule(double due, double interval, std::function<void()> fn);

    const std::chrono::steady_clock::time_point m_start;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::pair<double, std::uint64_t>, Task> m_tasks;
    TimerId m_nextId = 1;
    std::uint64_t m_seq = 0;
    bool m_stopped = false;
};

}  // namespace vantro
