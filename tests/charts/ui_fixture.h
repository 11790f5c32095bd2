// SPDX-License-Identifier: MIT
// Virtual time and deterministic text metrics for the chart tests.
#pragma once

#include "charts/ui_context.h"
#include "platform/manual_run_loop.h"

#include <gtest/gtest.h>

namespace vantro::testing {

struct UiFixture : ::testing::Test {
    ManualRunLoop loop;
    FixedTextMetrics metrics;
    UiContext ui{loop, metrics};

    /// Moves virtual time forward, firing the animator's ticks and any posted calls on the way.
    void step(double seconds) {
        loop.advance(seconds);
        loop.runPending();
    }
};

inline void expectRectNear(const Rect& actual, const Rect& expected, double tolerance = 1e-3) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.width, expected.width, tolerance);
    EXPECT_NEAR(actual.height, expected.height, tolerance);
}

}  // namespace vantro::testing
