// SPDX-License-Identifier: MIT
// Virtual time and deterministic text metrics for the chart tests.
#pragma once

#include "charts/pie_layer.h"
#include "charts/ui_context.h"
#include "platform/manual_run_loop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

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

/// A ring of 20 to 100 in a 300 × 300 layer, as the sleep screen sets up its pie.
struct PieFixture : UiFixture {
    PieLayer layer{ui};
    PieValues elements;

    void SetUp() override {
        PieElement::resetAnimationGroupFlag();
        layer.setBounds({0, 0, 300, 300});
        layer.setMaxRadius(100, 20, false);
    }
    /// Appends slices of `values`, in four distinct colours, unanimated.
    void fill(std::vector<float> values) {
        const Color colors[] = {{0.6f, 0.6f, 0.6f, 1}, {0.6f, 0.4f, 0.2f, 1}, {1, 0, 1, 1}, {1, 0.5f, 0, 1}};
        elements.clear();
        for (std::size_t i = 0; i < values.size(); ++i)
            elements.push_back(PieElement::pieElementWithValue(values[i], colors[i % 4]));
        layer.addValues(elements, false);
    }
    /// A point on screen (y down) at `degrees` counter-clockwise from 3 o'clock, `radius` from the centre.
    static Point screenPoint(double degrees, double radius) {
        const double r = degrees * std::numbers::pi / 180;
        return {150 + radius * std::cos(r), 150 - radius * std::sin(r)};
    }
};

inline void expectRectNear(const Rect& actual, const Rect& expected, double tolerance = 1e-3) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.width, expected.width, tolerance);
    EXPECT_NEAR(actual.height, expected.height, tolerance);
}

}  // namespace vantro::testing
