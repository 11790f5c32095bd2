// SPDX-License-Identifier: MIT
// Animations of properties over time: basic (from → to), keyframe (values spread evenly), group.
#include "charts/animation.h"

#include <algorithm>
#include <cmath>

namespace vantro {
namespace {

double lerp(double a, double b, double t) {
    return a + t * (b - a);
}

}  // namespace

AnimValue interpolate(const AnimValue& a, const AnimValue& b, double t) {
    if (a.index() == b.index()) {
        if (const auto* x = std::get_if<double>(&a)) return lerp(*x, std::get<double>(b), t);
        if (const auto* r = std::get_if<Rect>(&a)) {
            const Rect& s = std::get<Rect>(b);
            return Rect{lerp(r->x, s.x, t), lerp(r->y, s.y, t), lerp(r->width, s.width, t),
                        lerp(r->height, s.height, t)};
        }
        if (const auto* c = std::get_if<Color>(&a)) {
            const Color& d = std::get<Color>(b);
            const auto f = static_cast<float>(t);
            return Color{c->r + f * (d.r - c->r), c->g + f * (d.g - c->g), c->b + f * (d.b - c->b),
                         c->a + f * (d.a - c->a)};
        }
    }
    return t < 1 ? a : b;
}

BasicAnimation::BasicAnimation(std::string keyPath, AnimValue from, AnimValue to)
    : m_keyPath(std::move(keyPath)), m_from(std::move(from)), m_to(std::move(to)) {}

bool BasicAnimation::valueAt(std::string_view keyPath, double progress, AnimValue& value) const {
    if (keyPath != m_keyPath) return false;
    value = interpolate(m_from, m_to, progress);
    return true;
}

KeyframeAnimation::KeyframeAnimation(std::string keyPath, std::vector<AnimValue> values)
    : m_keyPath(std::move(keyPath)), m_values(std::move(values)) {}

std::size_t KeyframeAnimation::frameIndexAt(double progress) const {
    if (m_values.size() < 2 || !(progress > 0)) return 0;
    const double last = static_cast<double>(m_values.size() - 1);
    const double pos = std::min(progress, 1.0) * last;
    return std::min(static_cast<std::size_t>(std::floor(pos)), m_values.size() - 1);
}

bool KeyframeAnimation::valueAt(std::string_view keyPath, double progress, AnimValue& value) const {
    if (keyPath != m_keyPath || m_values.empty()) return false;
    const std::size_t k = frameIndexAt(progress);
    if (k + 1 >= m_values.size()) {
        value = m_values[k];
        return true;
    }
    const double last = static_cast<double>(m_values.size() - 1);
    const double local = std::clamp(progress, 0.0, 1.0) * last - static_cast<double>(k);
    const AnimValue& a = m_values[k];
    const AnimValue& b = m_values[k + 1];
    // Held values must not jump to the next frame early, so only interpolable pairs blend.
    value = (a.index() == b.index() && !std::holds_alternative<std::any>(a)) ? interpolate(a, b, local) : a;
    return true;
}

AnimationGroup::AnimationGroup(std::vector<std::shared_ptr<Animation>> animations)
    : m_animations(std::move(animations)) {}

bool AnimationGroup::animatesKeyPath(std::string_view keyPath) const {
    return std::any_of(m_animations.begin(), m_animations.end(),
                       [&](const auto& a) { return a && a->animatesKeyPath(keyPath); });
}

void AnimationGroup::collectKeyPaths(std::vector<std::string>& out) const {
    for (const auto& a : m_animations)
        if (a) a->collectKeyPaths(out);
}

bool AnimationGroup::valueAt(std::string_view keyPath, double progress, AnimValue& value) const {
    bool any = false;
    for (const auto& a : m_animations)
        if (a && a->valueAt(keyPath, progress, value)) any = true;
    return any;
}

}  // namespace vantro
