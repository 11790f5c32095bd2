// SPDX-License-Identifier: MIT
// The one main thread: every callback of the core runs as a turn of this loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace vantro {

using TimerId = std::uint64_t;
using Instant = std::chrono::system_clock::time_point;

/// Port for the main-thread event loop: next-turn calls, one-shot and repeating timers, clocks.
class RunLoop {
public:
    virtual ~RunLoop() = default;

    /// Runs fn on a later turn, after everything already queued.
    virtual TimerId post(std::function<void()> fn) = 0;
    /// Runs fn once, `seconds` from now.
    virtual TimerId after(double seconds, std::function<void()> fn) = 0;
    /// Runs fn every `seconds`, first time one interval from now, until cancelled.
    virtual TimerId every(double seconds, std::function<void()> fn) = 0;
    /// Cancelling an unknown or finished id is harmless.
    virtual void cancel(TimerId id) = 0;
    /// Monotonic seconds, for timers and animations.
    virtual double now() const = 0;
    /// Wall-clock instant, for dates and times of day.
    virtual Instant wallNow() const = 0;
};

}  // namespace vantro
