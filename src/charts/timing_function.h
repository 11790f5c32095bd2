// SPDX-License-Identifier: MIT
// Animation pacing curves: cubic Béziers from (0,0) to (1,1), solved for y at x.
#pragma once

#include <array>

namespace vantro {

/// A cubic Bézier through (0,0), (x1,y1), (x2,y2), (1,1). valueAt(x) solves the curve for x and
/// returns its y; x is clamped to [0, 1].
class TimingFunction {
public:
    TimingFunction(double x1, double y1, double x2, double y2);

    static TimingFunction linear() { return {0, 0, 1, 1}; }
    static TimingFunction easeIn() { return {0.42, 0, 1, 1}; }
    static TimingFunction easeOut() { return {0, 0, 0.58, 1}; }
    static TimingFunction easeInEaseOut() { return {0.42, 0, 0.58, 1}; }

    double valueAt(double x) const;
    std::array<double, 4> controlPoints() const { return {m_x1, m_y1, m_x2, m_y2}; }
    bool operator==(const TimingFunction&) const = default;

private:
    double m_x1, m_y1, m_x2, m_y2;
};

}  // namespace vantro
