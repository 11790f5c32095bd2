// SPDX-License-Identifier: MIT
// A run loop on virtual time: nothing happens until the test steps it.
#include "platform/manual_run_loop.h"

namespace vantro {

ManualRunLoop::ManualRunLoop(Instant wallStart) : m_wallStart(wallStart) {}

TimerId ManualRunLoop::schedule(double due, double interval, std::function<void()> fn) {
    const TimerId id = m_nextId++;
    m_tasks.emplace(std::make_pair(due, m_seq++), Task{id, interval, std::move(fn)});
    return id;
}

TimerId ManualRunLoop::post(std::function<void()> fn) {
    return schedule(m_now, 0, std::move(fn));
}

TimerId ManualRunLoop::after(double seconds, std::function<void()> fn) {
    return schedule(m_now + (seconds > 0 ? seconds : 0), 0, std::move(fn));
}

TimerId ManualRunLoop::every(double seconds, std::function<void()> fn) {
    // A zero interval would spin forever at one instant.
    const double interval = seconds > 1e-6 ? seconds : 1e-6;
    return schedule(m_now + interval, interval, std::move(fn));
}

void ManualRunLoop::cancel(TimerId id) {
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->second.id == id) {
            m_tasks.erase(it);
            return;
        }
    }
}

Instant ManualRunLoop::wallNow() const {
    return m_wallStart +
           std::chrono::duration_cast<Instant::duration>(std::chrono::duration<double>(m_now + m_wallOffset));
}

void ManualRunLoop::setWallNow(Instant t) {
    m_wallStart = t;
    m_wallOffset = -m_now;
}

bool ManualRunLoop::runOneDue(double limit) {
    if (m_tasks.empty()) return false;
    auto it = m_tasks.begin();
    if (it->first.first > limit) return false;
    const double due = it->first.first;
    Task task = std::move(it->second);
    m_tasks.erase(it);
    if (due > m_now) m_now = due;
    if (task.interval > 0) {
        // Re-arm before running so the task can cancel itself.
        m_tasks.emplace(std::make_pair(due + task.interval, m_seq++), Task{task.id, task.interval, task.fn});
    }
    task.fn();
    return true;
}

int ManualRunLoop::runPending(int maxTasks) {
    int n = 0;
    while (n < maxTasks && runOneDue(m_now)) ++n;
    return n;
}

void ManualRunLoop::advance(double seconds) {
    const double target = m_now + (seconds > 0 ? seconds : 0);
    while (runOneDue(target)) {
    }
    m_now = target;
}

}  // namespace vantro
