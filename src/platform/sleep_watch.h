// SPDX-License-Identifier: MIT
// The machine's suspend as the companion sees it: told before and after, and able to delay it briefly.
#pragma once

#include <functional>

namespace vantro {

/// Port: the system's sleep (logind on Linux). Callbacks arrive on the run loop.
class SleepWatch {
public:
    virtual ~SleepWatch() = default;
    /// False when nothing tells of suspends (no logind): the companion then simply never hears of one.
    virtual bool available() const = 0;
    /// Holds (true) or lets go of (false) a short delay of the next suspend, so work that must not be cut
    /// (a sync) can finish or end cleanly; holding twice holds once.
    virtual void holdSleep(bool hold) = 0;
    virtual bool holdingSleep() const = 0;
    /// Called with true just before the machine sleeps, with false once it has woken.
    std::function<void(bool sleeping)> onPrepareForSleep;
};

/// A machine that never sleeps: the default without logind, and what tests drive by hand.
class ManualSleepWatch : public SleepWatch {
public:
    bool available() const override { return m_available; }
    void holdSleep(bool hold) override {
        if (hold && !m_holding && m_available) ++m_holdsTaken;
        m_holding = hold && m_available;
    }
    /// How often a lock was taken that was not held before.
    int holdsTaken() const { return m_holdsTaken; }
    bool holdingSleep() const override { return m_holding; }
    void setAvailable(bool available) { m_available = available; }
    /// Tells the companion the machine goes to sleep (true) or woke (false).
    void prepareForSleep(bool sleeping) {
        if (onPrepareForSleep) onPrepareForSleep(sleeping);
    }

private:
    bool m_available = true;
    bool m_holding = false;
    int m_holdsTaken = 0;
};

}  // namespace vantro
