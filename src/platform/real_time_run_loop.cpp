// SPDX-License-Identifier: MIT
// A run loop on the real clock for the command-line driver.
#include "platform/real_time_run_loop.h"

namespace vantro {

RealTimeRunLoop::RealTimeRunLoop() : m_start(std::chrono::steady_clock::now()) {}

double RealTimeRunLoop::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

TimerId RealTimeRunLoop::schedule(double due, double interval, std::function<void()> fn) {
    std::lock_guard lock(m_mutex);
    const TimerId id = m_nextId++;
    m_tasks.emplace(std::make_pair(due, m_seq++), Task{id, interval, std::move(fn)});
    m_wake.notify_all();
    return id;
}

TimerId RealTimeRunLoop::post(std::function<void()> fn) {
    return schedule(now(), 0, std::move(fn));
}

TimerId RealTimeRunLoop::after(double seconds, std::function<void()> fn) {
    return schedule(now() + (seconds > 0 ? seconds : 0), 0, std::move(fn));
}

TimerId RealTimeRunLoop::every(double seconds, std::function<void()> fn) {
    const double interval = seconds > 1e-6 ? seconds : 1e-6;
    return schedule(now() + interval, interval, std::move(fn));
}

void RealTimeRunLoop::cancel(TimerId id) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->second.id == id) {
            m_tasks.erase(it);
            return;
        }
    }
}

void RealTimeRunLoop::stop() {
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_wake.notify_all();
}

bool RealTimeRunLoop::run(double seconds) {
    return runUntil([] { return false; }, seconds);
}

bool RealTimeRunLoop::runUntil(const std::function<bool()>& done, double seconds) {
    const double deadline = now() + seconds;
    {
        std::lock_guard lock(m_mutex);
        m_stopped = false;
    }
    while (true) {
        if (done()) return true;
        Task task;
        {
            std::unique_lock lock(m_mutex);
            while (true) {
                if (m_stopped) return true;
                const double t = now();
                if (t >= deadline) return false;
                if (!m_tasks.empty() && m_tasks.begin()->first.first <= t) break;
                const double next = m_tasks.empty() ? deadline : std::min(deadline, m_tasks.begin()->first.first);
                m_wake.wait_for(lock, std::chrono::duration<double>(next - t));
            }
            auto it = m_tasks.begin();
            const double due = it->first.first;
            task = std::move(it->second);
            m_tasks.erase(it);
            if (task.interval > 0) {
                m_tasks.emplace(std::make_pair(due + task.interval, m_seq++), Task{task.id, task.interval, task.fn});
            }
        }
        task.fn();
    }
}

}  // namespace vantro
