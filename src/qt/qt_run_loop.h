// SPDX-License-Identifier: MIT
// The core's run loop on Qt's event loop: queued calls, precise timers, monotonic clock.
#pragma once

#include "platform/run_loop.h"

#include <QElapsedTimer>
#include <QObject>

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

class QTimer;

namespace vantro::qt {

/// RunLoop on the Qt event loop of the thread that created it (the GUI thread).
/// `post` may be called from any thread; timers and `cancel` of timers belong to the GUI thread.
class QtRunLoop : public QObject, public RunLoop {
    Q_OBJECT
public:
    explicit QtRunLoop(QObject* parent = nullptr);
    ~QtRunLoop() override;

    TimerId post(std::function<void()> fn) override;
    TimerId after(double seconds, std::function<void()> fn) override;
    TimerId every(double seconds, std::function<void()> fn) override;
    void cancel(TimerId id) override;
    double now() const override;
    Instant wallNow() const override { return std::chrono::system_clock::now(); }

    /// Runs Qt's event loop until `done` holds; false when `seconds` of real time passed first. For
    /// programs without an event loop of their own (the command line).
    bool runUntil(const std::function<bool()>& done, double seconds);

    /// Timers that are still scheduled (tests check that finished one-shots are gone).
    std::size_t activeTimerCount() const { return m_timers.size(); }

private:
    TimerId startTimer(double seconds, bool repeating, std::function<void()> fn);

    QElapsedTimer m_clock;
    std::atomic<TimerId> m_nextId{1};
    std::mutex m_postMutex;
    std::unordered_set<TimerId> m_posted;  // posted and neither run nor cancelled yet
    std::unordered_map<TimerId, QTimer*> m_timers;
};

}  // namespace vantro::qt
