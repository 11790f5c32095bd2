// SPDX-License-Identifier: MIT
// An object whose properties animate: model values apart from what running animations show.
#include "charts/animatable.h"

#include "charts/animator.h"

#include <algorithm>

namespace vantro {

Animatable::Animatable(Animator& animator) : m_animator(animator) {}

Animatable::Animatable(const Animatable& other) : m_animator(other.m_animator) {}

Animatable::~Animatable() {
    m_animator.forget(this);
}

void Animatable::addAnimation(std::shared_ptr<Animation> animation, std::string key) {
    if (!animation) return;
    auto it = std::find_if(m_running.begin(), m_running.end(), [&](const Running& r) { return r.key == key; });
    if (it != m_running.end()) {
        Running old = std::move(*it);
        m_running.erase(it);
        stopEarly(std::move(old));
    }
    const double delay = animation->delay > 0 ? animation->delay : 0;  // NaN counts as none
    m_running.push_back(
        Running{std::move(key), std::move(animation), m_animator.now() + delay, m_animator.nextSequence()});
    m_animator.started(this);
}

std::shared_ptr<const Animation> Animatable::animationForKey(std::string_view key) const {
    for (const auto& r : m_running)
        if (r.key == key) return r.animation;
    return nullptr;
}

void Animatable::removeAnimation(std::string_view key) {
    auto it = std::find_if(m_running.begin(), m_running.end(), [&](const Running& r) { return r.key == key; });
    if (it == m_running.end()) return;
    Running old = std::move(*it);
    m_running.erase(it);
    if (m_running.empty()) m_animator.forget(this);
    stopEarly(std::move(old));
}

void Animatable::removeAllAnimations() {
    auto running = std::move(m_running);
    m_running.clear();
    m_animator.forget(this);
    for (auto& r : running) stopEarly(std::move(r));
}

std::vector<std::string> Animatable::animationKeys() const {
    std::vector<std::string> keys;
    for (const auto& r : m_running) keys.push_back(r.key);
    return keys;
}

void Animatable::stopEarly(Running running) {
    if (!running.animation->didStop) return;
    // As on the handset, the callback of a stopped animation arrives on a later turn, never inside
    // the call that stopped it.
    std::weak_ptr<int> alive = m_alive;
    m_animator.runLoop().post([alive, animation = std::move(running.animation)] {
        if (!alive.expired()) animation->didStop(*animation, false);
    });
}

AnimValue Animatable::presentationValue(std::string_view keyPath) const {
    AnimValue value = modelValue(keyPath);
    if (m_running.empty()) return value;
    const double now = m_animator.now();
    for (const auto& r : m_running) {
        const Animation& a = *r.animation;
        if (!a.animatesKeyPath(keyPath)) continue;
        const double local = now - r.begin;
        double progress = 0;
        if (local < 0) {
            if (!a.fillsBackwards) continue;
        } else {
            // An animation past its end shows the stored value even before the tick removes it.
            if (!(a.duration > 0) || local >= a.duration - 1e-9) continue;
            progress = local / a.duration;
        }
        a.valueAt(keyPath, a.timingFunction.valueAt(progress), value);
    }
    return value;
}

}  // namespace vantro
