// SPDX-License-Identifier: MIT
// Animation pacing curves: cubic Béziers from (0,0) to (1,1), solved for y at x.
#include "charts/timing_function.h"

#include <algorithm>
#include <cmath>

namespace vantro {
namespace {

// One coordinate of the curve at parameter t, with control values p1 and p2.
double bezier(double p1, double p2, double t) {
    const double u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double bezierSlope(double p1, double p2, double t) {
    const double u = 1 - t;
    return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}

}  // namespace

TimingFunction::TimingFunction(double x1, double y1, double x2, double y2)
    // x must stay monotonic for the curve to be a function of time.
    : m_x1(std::clamp(x1, 0.0, 1.0)), m_y1(y1), m_x2(std::clamp(x2, 0.0, 1.0)), m_y2(y2) {}

double TimingFunction::valueAt(double x) const {
    if (!(x > 0)) return 0;  // also NaN
    if (x >= 1) return 1;
    // Newton first; it converges in a few steps for the usual curves.
    double t = x;
    for (int i = 0; i < 8; ++i) {
        const double err = bezier(m_x1, m_x2, t) - x;
        if (std::fabs(err) < 1e-9) return bezier(m_y1, m_y2, t);
        const double slope = bezierSlope(m_x1, m_x2, t);
        if (std::fabs(slope) < 1e-7) break;
        t -= err / slope;
    }
    // Bisection where the slope is flat.
    double lo = 0, hi = 1;
    t = x;
    for (int i = 0; i < 64; ++i) {
        const double v = bezier(m_x1, m_x2, t);
        if (std::fabs(v - x) < 1e-9) break;
        if (v < x) {
            lo = t;
        } else {
            hi = t;
        }
        t = (lo + hi) / 2;
    }
    return bezier(m_y1, m_y2, t);
}

}  // namespace vantro
