// SPDX-License-Identifier: MIT
// The clock of all animations: ticks on the run loop while anything runs and ends what is due.
#pragma once

#include "charts/animatable.h"
#include "charts/timing_function.h"
#include "platform/run_loop.h"

#include <functional>
#include <memory>
#include <vector>

namespace vantro {

/// Options of a block of view changes animated together.
struct ViewAnimationOptions {
    double duration = 0.25;
    double delay = 0;
    /// Start from what is on screen instead of the stored value.
    bool beginFromCurrentState = false;
    TimingFunction curve = TimingFunction::easeInEaseOut();
};

/// Ticks every 1/60 s on the run loop while any animation runs: ends the animations that are due
/// (stop callbacks in order of their start), then tells the host to repaint.
class Animator {
public:
    static constexpr double kFrameInterval = 1.0 / 60.0;

    explicit Animator(RunLoop& loop);
    ~Animator();
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;

    RunLoop& runLoop() const { return m_loop; }
    double now() const { return m_loop.now(); }
    bool isTicking() const { return m_timer != 0; }
    /// Called after every tick; the GUI repaints there.
    void setFrameHandler(std::function<void()> handler) { m_frameHandler = std::move(handler); }

    /// Runs `changes`; every animatable view property it sets animates from its old (or on-screen)
    /// value to the new one. `completion` runs once, when the last of those animations has stopped,
    /// with finished = true only if all finished; with no animation it runs on the next turn.
    void animate(const ViewAnimationOptions& options, const std::function<void()>& changes,
                 std::function<void(bool finished)> completion = {});

    /// For property setters, before they store a new value: inside `animate`, remembers where the
    /// property starts from (its on-screen or stored value, as the block asks). Outside a block it
    /// does nothing and the setter just stores the value.
    void recordChange(Animatable& object, const std::string& keyPath);

    /// One frame: public so a host can step it; normally the run-loop timer calls it.
    void tick();

private:
    friend class Animatable;
    struct Change {
        Animatable* object;
        std::weak_ptr<int> alive;
        std::string keyPath;
        AnimValue from;
    };
    struct Block {
        ViewAnimationOptions options;
        std::vector<Change> changes;
    };
    void started(Animatable* object);
    void forget(Animatable* object);
    std::uint64_t nextSequence() { return m_sequence++; }

    RunLoop& m_loop;
    TimerId m_timer = 0;
    std::vector<Animatable*> m_active;
    std::vector<Block> m_blocks;
    std::vector<Change> m_spareChanges;
    std::function<void()> m_frameHandler;
    std::uint64_t m_sequence = 0;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro
