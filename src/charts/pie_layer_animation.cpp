// SPDX-License-Identifier: MIT
// The pie layer's animations: grouped changes merged per run-loop turn, value animations, sweeps,
// angle and radius animations.
#include "charts/pie_layer.h"

#include <algorithm>
#include <cmath>

namespace vantro {
namespace {

double sumOfValues(const PieValues& values) {
    double s = 0;
    for (const auto& e : values) s += e ? static_cast<double>(e->val()) : 0.0;
    return s;
}

std::shared_ptr<AnimationGroup> pairAnimation(const char* key1, double from1, double to1, const char* key2,
                                              double from2, double to2) {
    return std::make_shared<AnimationGroup>(std::vector<std::shared_ptr<Animation>>{
        std::make_shared<BasicAnimation>(key1, from1, to1), std::make_shared<BasicAnimation>(key2, from2, to2)});
}

}  // namespace

void PieLayer::pieElementWillAnimateUpdate() {
    if (!performDelayedAnimation()) setNeedsDisplay();
}

bool PieLayer::performDelayedAnimation() {
    if (m_beginState && m_endState) return true;  // joins the animation pending for this turn
    PieValues shown;
    std::vector<int> removing;
    if (animationForKey(kValuesKey)) {
        const auto p = presentation();
        shown = p->m_values;
        removing = p->m_deletingIndexes.value_or(std::vector<int>{});
    } else {
        shown = m_values;
    }
    if (m_values.size() + removing.size() != shown.size()) return false;
    std::sort(removing.begin(), removing.end());
    m_pendingDeleting = removing;
    m_beginState.emplace();
    for (const auto& e : shown) m_beginState->push_back(e->copy());
    // The target holds the elements themselves, so values set later in this turn join it.
    m_endState = m_values;
    for (int p : removing) {
        if (p < 0 || static_cast<std::size_t>(p) >= shown.size()) continue;
        auto c = shown[static_cast<std::size_t>(p)]->copy();
        c->setVal_(0);
        c->setTitleAlpha(0);
        m_endState->insert(
            m_endState->begin() + std::min<std::ptrdiff_t>(p, static_cast<std::ptrdiff_t>(m_endState->size())),
            std::move(c));
    }
    if (m_pendingCall) m_ui.runLoop().cancel(m_pendingCall);
    m_pendingCall = m_ui.runLoop().post([this] {
        m_pendingCall = 0;
        delayedAnimateChanges();
    });
    return true;
}

void PieLayer::delayedAnimateChanges() {
    if (!m_beginState || !m_endState) return;
    const TimingFunction curve =
        animationForKey(kValuesKey) ? TimingFunction::easeOut() : TimingFunction::easeInEaseOut();
    const PieValues from = std::move(*m_beginState);
    const PieValues to = std::move(*m_endState);
    std::vector<int> deleting = m_pendingDeleting.value_or(std::vector<int>{});
    m_beginState.reset();
    m_endState.reset();
    m_pendingDeleting.reset();
    animateFromValues(from, to, curve);
    m_deletingIndexes = std::move(deleting);
}

void PieLayer::animateFromValues(const PieValues& from, const PieValues& to, const TimingFunction& curve) {
    const double f = sumOfValues(from);
    const double t = sumOfValues(to);
    if (!(f > 0) || !(t > 0)) {
        // A pie from or to nothing cannot be shared out; the angle range sweeps instead.
        animateStartAngleEndAngleFillUp(f == 0, curve, &from);
        return;
    }
    if (m_isFakeAngleAnimation) {
        const auto p = presentation();
        animateFromStartAngle(p->m_startAngle, m_startAngle, p->m_endAngle, m_endAngle);
        m_isFakeAngleAnimation = false;
    }
    const double wanted = static_cast<double>(m_animationDuration) * kFramesPerSecond;
    const int n = wanted > 0 ? static_cast<int>(std::min<double>(wanted, kMaxFrames)) : 0;
    std::vector<PieValues> frames(static_cast<std::size_t>(n));
    const std::size_t count = std::min(from.size(), to.size());
    for (std::size_t i = 0; i < count; ++i) {
        const auto steps = from[i]->animationValuesToPieElement(to[i], n);
        for (std::size_t k = 0; k < steps.size(); ++k) frames[k].push_back(steps[k]);
    }
    std::vector<AnimValue> keyframes;
    keyframes.reserve(frames.size());
    for (auto& frame : frames) keyframes.emplace_back(std::any(std::move(frame)));
    addKeyframes(std::move(keyframes), curve);
}

void PieLayer::addKeyframes(std::vector<AnimValue> frames, const TimingFunction& curve) {
    auto animation = std::make_shared<KeyframeAnimation>("values", std::move(frames));
    animation->duration = m_animationDuration;
    animation->timingFunction = curve;
    animation->didStop = [this](const Animation& a, bool finished) { animationDidStop(a, finished); };
    addAnimation(std::move(animation), kValuesKey);
}

void PieLayer::animateStartAngleEndAngleFillUp(bool fillUp, const TimingFunction& curve, const PieValues* frozen) {
    const bool angleRunning = animationForKey(kAnglesKey) != nullptr;
    const auto shown = presentation();
    const float fromStart = angleRunning ? shown->m_startAngle : m_startAngle;
    if (fillUp) {
        const float fromEnd = angleRunning ? shown->m_endAngle : m_startAngle;
        animateFromStartAngle(fromStart, m_startAngle, fromEnd, m_endAngle);
        m_isFakeAngleAnimation = true;
        return;
    }
    const float fromEnd = angleRunning ? shown->m_endAngle : m_endAngle;
    animateFromStartAngle(fromStart, m_startAngle, fromEnd, m_startAngle);
    m_isFakeAngleAnimation = true;
    // The closing range keeps showing the slices as they were, none of them hittable.
    const PieValues list = frozen ? *frozen : shown->m_values;
    std::vector<int> all;
    for (std::size_t i = 0; i < list.size(); ++i) all.push_back(static_cast<int>(i));
    m_deletingIndexes = std::move(all);
    removeAnimation(kValuesKey);
    addKeyframes({std::any(list), std::any(list)}, curve);
}

void PieLayer::animateFromStartAngle(float fromStart, float toStart, float fromEnd, float toEnd) {
    TimingFunction curve = TimingFunction::easeInEaseOut();
    if (animationForKey(kAnglesKey)) {
        removeAnimation(kAnglesKey);
        curve = TimingFunction::easeOut();
    }
    auto group = pairAnimation("startAngle", fromStart, toStart, "endAngle", fromEnd, toEnd);
    group->duration = m_animationDuration;
    group->timingFunction = curve;
    addAnimation(std::move(group), kAnglesKey);
}

void PieLayer::setStartAngle(float startAngle, float endAngle, bool animated) {
    if (animated) {
        const auto p = presentation();
        animateFromStartAngle(p->m_startAngle, startAngle, p->m_endAngle, endAngle);
        m_isFakeAngleAnimation = false;
    }
    m_startAngle = startAngle;
    m_endAngle = endAngle;
    setNeedsDisplay();
}

void PieLayer::setMaxRadius(float maxRadius, float minRadius, bool animated) {
    if (animated) {
        TimingFunction curve = TimingFunction::easeInEaseOut();
        if (animationForKey(kRadiiKey)) {
            const auto p = presentation();
            removeAnimation(kRadiiKey);
            m_maxRadius = p->m_maxRadius;
            m_minRadius = p->m_minRadius;
            curve = TimingFunction::easeOut();
        }
        auto group = pairAnimation("maxRadius", m_maxRadius, maxRadius, "minRadius", m_minRadius, minRadius);
        group->duration = m_animationDuration;
        group->timingFunction = curve;
        addAnimation(std::move(group), kRadiiKey);
    }
    m_maxRadius = maxRadius;
    m_minRadius = minRadius;
    setNeedsDisplay();
}

void PieLayer::animationDidStop(const Animation& animation, bool finished) {
    if (!finished) return;
    if (animation.animatesKeyPath("values")) {
        m_deletingIndexes.reset();
    } else {
        m_isFakeAngleAnimation = false;
    }
    setNeedsDisplay();
}

}  // namespace vantro
