// SPDX-License-Identifier: MIT
// A run loop on virtual time: nothing happens until the test steps it.
#pragma once

#include "platform/run_loop.h"

#include <map>
#include <utility>

namespace vantro {

/// Virtual-time RunLoop for tests; `advance` moves both clocks and fires what falls due, in time order.
class ManualRunLoop : public RunLoop {
public:
    explicit ManualRunLoop(Instant wallStart = Instant{std::chrono::seconds{1404000000}});

    TimerId post(std::function<void()> fn) override;
    TimerId after(double seconds, std::function<void()> fn) override;
    TimerId every(double seconds, std::function<void()> fn) override;
    void cancel(TimerId id) override;
    double now() const override { return m_now; }
    Instant wallNow() const override;

    /// Runs every task due at the current time (posted ones included), repeatedly, until none is due.
    /// Returns the number of tasks run. A bound stops a loop that keeps posting itself.
    int runPending(int maxTasks = 1000000);
    /// Moves time forward in order of due tasks, running each at its own instant.
    void advance(double seconds);
    /// Sets the wall clock without moving the monotonic one.
    void setWallNow(Instant t);
    bool hasPending() const { return !m_tasks.empty(); }

private:
    struct Task {
        TimerId id;
        double interval;  // 0 for one-shot
        std::function<void()> fn;
    };
    TimerId schedule(double due, double interval, std::function<void()> fn);
    bool runOneDue(double limit);

    double m_now = 0;
    Instant m_wallStart;
    double m_wallOffset = 0;
    TimerId m_nextId = 1;
    std::uint64_t m_seq = 0;
    // (due time, sequence) keeps equal-time tasks in scheduling order.
    std::map<std::pair<double, std::uint64_t>, Task> m_tasks;
};

}  // namespace vantro
