// SPDX-License-Identifier: MIT
// Animations of properties over time: basic (from → to), keyframe (values spread evenly), group.
#pragma once

#include "charts/timing_function.h"
#include "platform/geometry.h"

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantro {

/// A property value an animation can carry. Numbers, rectangles and colours interpolate; anything
/// else (a list of pie elements, say) is held as it is.
using AnimValue = std::variant<double, Rect, Color, std::any>;

/// a + t × (b − a) for interpolable values of the same kind; otherwise a while t < 1, then b.
AnimValue interpolate(const AnimValue& a, const AnimValue& b, double t);

/// What every animation shares: timing, pacing and the stop callback.
/// An animation is added to an object once and not changed afterwards.
class Animation {
public:
    virtual ~Animation() = default;

    /// Seconds; zero, negative or NaN makes an animation that only ends.
    double duration = 0.25;
    /// Seconds between adding and the start.
    double delay = 0;
    TimingFunction timingFunction = TimingFunction::linear();
    /// Show the first value during the delay instead of the stored value.
    bool fillsBackwards = false;
    /// The delegate's stop callback: `finished` is false when the animation was replaced or removed early.
    std::function<void(const Animation&, bool finished)> didStop;

    virtual bool animatesKeyPath(std::string_view keyPath) const = 0;
    virtual void collectKeyPaths(std::vector<std::string>& out) const = 0;
    /// Sets `value` to what this animation shows for the key path at `progress` (0..1, already
    /// paced by the curve). False when it does not animate that key path.
    virtual bool valueAt(std::string_view keyPath, double progress, AnimValue& value) const = 0;
};

/// From one value to another.
class BasicAnimation : public Animation {
public:
    BasicAnimation(std::string keyPath, AnimValue from, AnimValue to);
    bool animatesKeyPath(std::string_view keyPath) const override { return keyPath == m_keyPath; }
    void collectKeyPaths(std::vector<std::string>& out) const override { out.push_back(m_keyPath); }
    bool valueAt(std::string_view keyPath, double progress, AnimValue& value) const override;

    const std::string& keyPath() const { return m_keyPath; }
    const AnimValue& fromValue() const { return m_from; }
    const AnimValue& toValue() const { return m_to; }

private:
    std::string m_keyPath;
    AnimValue m_from;
    AnimValue m_to;
};

/// n values at evenly spaced times 0, 1/(n−1), …, 1 of the paced progress. Interpolable neighbours
/// blend; values that cannot be interpolated are held frame by frame (value k from k/(n−1) until
/// the next). With no values the animation shows the stored value.
class KeyframeAnimation : public Animation {
public:
    KeyframeAnimation(std::string keyPath, std::vector<AnimValue> values);
    bool animatesKeyPath(std::string_view keyPath) const override { return keyPath == m_keyPath; }
    void collectKeyPaths(std::vector<std::string>& out) const override { out.push_back(m_keyPath); }
    bool valueAt(std::string_view keyPath, double progress, AnimValue& value) const override;

    const std::string& keyPath() const { return m_keyPath; }
    const std::vector<AnimValue>& values() const { return m_values; }
    /// The index of the value shown at a paced progress.
    std::size_t frameIndexAt(double progress) const;

private:
    std::string m_keyPath;
    std::vector<AnimValue> m_values;
};

/// Children that share the group's time and curve; their own timing fields are not used.
class AnimationGroup : public Animation {
public:
    explicit AnimationGroup(std::vector<std::shared_ptr<Animation>> animations);
    bool animatesKeyPath(std::string_view keyPath) const override;
    void collectKeyPaths(std::vector<std::string>& out) const override;
    bool valueAt(std::string_view keyPath, double progress, AnimValue& value) const override;

    const std::vector<std::shared_ptr<Animation>>& animations() const { return m_animations; }

private:
    std::vector<std::shared_ptr<Animation>> m_animations;
};

}  // namespace vantro
