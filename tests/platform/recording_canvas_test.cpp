// SPDX-License-Identifier: MIT
#include "platform/recording_canvas.h"

#include <gtest/gtest.h>

using namespace vantro;

TEST(RecordingCanvasTest, KeepsTheStateStackWithEveryOperation) {
    RecordingCanvas c;
    c.save();
    c.translate(10, 20);
    c.setAlpha(0.5);
    c.setShadow(Shadow{{0, 1}, 3, Color::black()});
    c.fillRect({0, 0, 5, 5}, Color::white());
    c.restore();
    c.fillRect({1, 1, 1, 1}, Color::black());

    const auto fills = c.opsOf(CanvasOp::Kind::FillRect);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0]->transform.apply({0, 0}), (Point{10, 20}));
    EXPECT_EQ(fills[0]->alpha, 0.5);
    ASSERT_TRUE(fills[0]->shadow);
    EXPECT_EQ(fills[0]->shadow->blur, 3);
    // Restored: identity, opaque, no shadow.
    EXPECT_EQ(fills[1]->transform, AffineTransform{});
    EXPECT_EQ(fills[1]->alpha, 1);
    EXPECT_FALSE(fills[1]->shadow);
    EXPECT_EQ(c.depth(), 0u);
}
