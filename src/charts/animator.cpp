// SPDX-License-Identifier: MIT
// The clock of all animations: ticks on the run loop while anything runs and ends what is due.
#include "charts/animator.h"

#include <algorithm>
#include <cmath>

namespace vantro {

Animator::Animator(RunLoop& loop) : m_loop(loop) {}

Animator::~Animator() {
    if (m_timer) m_loop.cancel(m_timer);
}

void Animator::started(Animatable* object) {
    if (object->m_activeSlot == Animatable::kNotListed) {
        object->m_activeSlot = m_active.size();
        m_active.push_back(object);
    }
    if (!m_timer) m_timer = m_loop.every(kFrameInterval, [this] { tick(); });
}

void Animator::forget(Animatable* object) {
    const std::size_t slot = object->m_activeSlot;
    if (slot == Animatable::kNotListed || slot >= m_active.size() || m_active[slot] != object) return;
    // The last one takes the freed place: the order of the list does not matter, stop callbacks are
    // sorted by their start.
    m_active[slot] = m_active.back();
    m_active[slot]->m_activeSlot = slot;
    m_active.pop_back();
    object->m_activeSlot = Animatable::kNotListed;
}

void Animator::tick() {
    const double now = m_loop.now();
    struct Done {
        std::weak_ptr<int> alive;
        std::shared_ptr<Animation> animation;
        double begin;
        std::uint64_t sequence;
    };
    std::vector<Done> done;
    const auto active = m_active;
    for (Animatable* object : active) {
        auto& running = object->m_running;
        for (auto it = running.begin(); it != running.end();) {
            const double duration = it->animation->duration > 0 ? it->animation->duration : 0;
            if (now >= it->begin + duration - 1e-9) {
                done.push_back({object->m_alive, it->animation, it->begin, it->sequence});
                it = running.erase(it);
            } else {
                ++it;
            }
        }
        if (running.empty()) forget(object);
    }
    std::sort(done.begin(), done.end(), [](const Done& a, const Done& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.sequence < b.sequence;
    });
    std::weak_ptr<int> self = m_alive;
    for (const auto& d : done) {
        // A callback may destroy other objects (or this animator) whose ends are still in the list.
        if (self.expired()) return;
        if (!d.alive.expired() && d.animation->didStop) d.animation->didStop(*d.animation, true);
    }
    if (self.expired()) return;
    if (m_active.empty() && m_timer) {
        m_loop.cancel(m_timer);
        m_timer = 0;
    }
    if (m_frameHandler) m_frameHandler();
}

void Animator::recordChange(Animatable& object, const std::string& keyPath) {
    if (m_blocks.empty()) return;
    Block& block = m_blocks.back();
    for (const auto& c : block.changes)
        if (c.object == &object && c.keyPath == keyPath) return;  // the first value is where it starts
    AnimValue from =
        block.options.beginFromCurrentState ? object.presentationValue(keyPath) : object.modelValue(keyPath);
    block.changes.push_back({&object, object.m_alive, keyPath, std::move(from)});
}

void Animator::animate(const ViewAnimationOptions& options, const std::function<void()>& changes,
                       std::function<void(bool)> completion) {
    // The list of a block's changes reuses the storage of the last one: a wave over thousands of bars
    // calls this once per bar.
    m_blocks.push_back({options, std::move(m_spareChanges)});
    m_blocks.back().changes.clear();
    if (changes) changes();
    Block block = std::move(m_blocks.back());
    m_blocks.pop_back();

    struct Transaction {
        int pending = 0;
        bool allFinished = true;
        std::function<void(bool)> completion;
    };
    auto txn = std::make_shared<Transaction>();
    txn->completion = std::move(completion);
    const bool animating = options.duration > 0 && std::isfinite(options.duration);
    for (auto& change : block.changes) {
        if (!animating || change.alive.expired()) continue;
        auto animation = std::make_shared<BasicAnimation>(change.keyPath, std::move(change.from),
                                                          change.object->modelValue(change.keyPath));
        animation->duration = options.duration;
        animation->delay = options.delay;
        animation->timingFunction = options.curve;
        animation->fillsBackwards = true;
        animation->didStop = [txn](const Animation&, bool finished) {
            if (!finished) txn->allFinished = false;
            if (--txn->pending == 0 && txn->completion) {
                auto done = std::move(txn->completion);
                txn->completion = nullptr;
                done(txn->allFinished);
            }
        };
        ++txn->pending;
        change.object->addAnimation(std::move(animation), change.keyPath);
    }
    if (txn->pending == 0 && txn->completion) {
        m_loop.post([done = std::move(txn->completion)] { done(true); });
    }
    m_spareChanges = std::move(block.changes);
}

}  // namespace vantro
