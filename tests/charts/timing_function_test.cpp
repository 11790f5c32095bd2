// SPDX-License-Identifier: MIT
#include "charts/timing_function.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantro;

namespace {
// y of the curve at parameter t, to check the solver against points on the curve itself.
std::pair<double, double> curveAt(const TimingFunction& f, double t) {
    const auto [x1, y1, x2, y2] = f.controlPoints();
    const double u = 1 - t;
    return {3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t, 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t};
}
}  // namespace

TEST(TimingFunctionTest, SolvesForYAtXOnTheCurve) {
    for (const auto& f : {TimingFunction::easeOut(), TimingFunction::easeInEaseOut(), TimingFunction::easeIn(),
                          TimingFunction{0.9, 0.1, 0.1, 0.9}}) {
        for (double t = 0.05; t < 1; t += 0.05) {
            const auto [x, y] = curveAt(f, t);
            EXPECT_NEAR(f.valueAt(x), y, 1e-6) << "t=" << t;
        }
    }
}

TEST(TimingFunctionTest, ShapesAndEnds) {
    const auto eio = TimingFunction::easeInEaseOut();
    EXPECT_NEAR(eio.valueAt(0.5), 0.5, 1e-9);  // symmetric
    EXPECT_LT(eio.valueAt(0.25), 0.25);
    EXPECT_GT(TimingFunction::easeOut().valueAt(0.25), 0.25);
    EXPECT_NEAR(TimingFunction::linear().valueAt(0.3), 0.3, 1e-9);
    EXPECT_EQ(eio.valueAt(0), 0);
    EXPECT_EQ(eio.valueAt(1), 1);
    EXPECT_EQ(eio.valueAt(-3), 0);
    EXPECT_EQ(eio.valueAt(7), 1);
    EXPECT_EQ(eio.valueAt(NAN), 0);
}
