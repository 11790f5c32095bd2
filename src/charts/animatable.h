// SPDX-License-Identifier: MIT
// An object whose properties animate: model values apart from what running animations show.
#pragma once

#include "charts/animation.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

class Animator;

/// Keeps its model values (what was last set) apart from the presentation (the model with every
/// running animation applied at the animator's time). Subclasses expose their properties by key path.
///
/// Copying gives an object with the same animator and no animations, as the layer machinery copies
/// a layer for the screen.
class Animatable {
public:
    explicit Animatable(Animator& animator);
    Animatable(const Animatable& other);
    Animatable& operator=(const Animatable&) = delete;
    /// A destroyed object's animations end silently: no stop callbacks.
    virtual ~Animatable();

    /// Starts `animation` now (plus its delay). A running animation under the same key is replaced;
    /// its stop callback runs on the next run-loop turn with finished = false.
    void addAnimation(std::shared_ptr<Animation> animation, std::string key);
    std::shared_ptr<const Animation> animationForKey(std::string_view key) const;
    /// Stops the animation under `key` early (finished = false on the next turn).
    void removeAnimation(std::string_view key);
    void removeAllAnimations();
    bool hasAnimations() const { return !m_running.empty(); }
    std::vector<std::string> animationKeys() const;

    /// The stored value of a key path; an empty std::any for an unknown one.
    virtual AnimValue modelValue(std::string_view keyPath) const = 0;
    /// The model value with every running animation of that key path applied, in the order added.
    AnimValue presentationValue(std::string_view keyPath) const;

    Animator& animator() const { return m_animator; }

private:
    friend class Animator;
    struct Running {
        std::string key;
        std::shared_ptr<Animation> animation;
        double begin = 0;
        std::uint64_t sequence = 0;
    };
    void stopEarly(Running running);

    Animator& m_animator;
    std::vector<Running> m_running;
    // Where the animator lists this object while it animates, so starting and ending cost the same
    // for one bar as for thousands.
    static constexpr std::size_t kNotListed = static_cast<std::size_t>(-1);
    std::size_t m_activeSlot = kNotListed;
    // Lets deferred callbacks see whether this object still exists.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro
