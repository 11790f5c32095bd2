// SPDX-License-Identifier: MIT
#include "platform/canvas.h"
#include "platform/path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace vantro;

namespace {
constexpr double kPi = std::numbers::pi;

// A ring slice like the pie draws: inner arc up, line out, outer arc back.
Path ringSlice(Point c, double inner, double outer, double a, double b) {
    Path p;
    p.moveTo({c.x + inner * std::cos(a), c.y + inner * std::sin(a)});
    p.arc(c, inner, a, b, false);
    p.lineTo({c.x + outer * std::cos(b), c.y + outer * std::sin(b)});
    p.arc(c, outer, b, a, true);
    p.closeSubpath();
    return p;
}
}  // namespace

TEST(PathTest, ArcSweepFollowsDirectionAndWrapsLikeTheHandset) {
    EXPECT_DOUBLE_EQ(Path::arcSweep(0, kPi / 2, false), kPi / 2);
    EXPECT_DOUBLE_EQ(Path::arcSweep(kPi / 2, 0, true), -kPi / 2);
    // Against the direction: the long way round.
    EXPECT_NEAR(Path::arcSweep(kPi / 2, 0, false), 1.5 * kPi, 1e-12);
    // Never more than a full turn, and a zero sweep stays zero.
    EXPECT_NEAR(Path::arcSweep(0, 10 * kPi, false), 2 * kPi, 1e-12);
    EXPECT_EQ(Path::arcSweep(1, 1, false), 0);
    EXPECT_EQ(Path::arcSweep(0, NAN, false), 0);
}

TEST(PathTest, ArcJoinsFromTheCurrentPointAndEndsOnTheCircle) {
    Path p;
    p.moveTo({0, 0});
    p.arc({10, 0}, 5, 0, kPi, false);
    ASSERT_EQ(p.elements().size(), 3u);
    EXPECT_EQ(p.elements()[1].op, Path::Op::Line);
    EXPECT_EQ(p.elements()[1].point, (Point{15, 0}));
    EXPECT_NEAR(p.elements()[2].point.x, 5, 1e-9);
    EXPECT_NEAR(p.elements()[2].point.y, 0, 1e-9);
    // An arc on an empty path starts a subpath at its first point.
    Path q;
    q.arc({0, 0}, 2, 0, kPi / 2, false);
    EXPECT_EQ(q.elements()[0].op, Path::Op::Move);
    EXPECT_EQ(q.elements()[0].point, (Point{2, 0}));
}

TEST(PathTest, RingSliceContainsOnlyItsBand) {
    const Path slice = ringSlice({100, 100}, 20, 60, 0, kPi / 2);
    EXPECT_TRUE(slice.contains({100 + 40 * std::cos(kPi / 4), 100 + 40 * std::sin(kPi / 4)}));
    EXPECT_FALSE(slice.contains({100 + 10 * std::cos(kPi / 4), 100 + 10 * std::sin(kPi / 4)}));  // hole
    EXPECT_FALSE(slice.contains({100 + 70 * std::cos(kPi / 4), 100 + 70 * std::sin(kPi / 4)}));  // beyond
    EXPECT_FALSE(slice.contains({100 - 40, 100}));                                               // other angle
    EXPECT_TRUE(slice.contains({100 + 21, 100 + 1}));
    EXPECT_FALSE(slice.contains({100 + 19, 100 + 0.5}));
}

TEST(PathTest, FullRingAndNonZeroWinding) {
    // Two same-direction squares overlap: non-zero keeps the inner one filled.
    Path p;
    p.addRect({0, 0, 10, 10});
    p.addRect({2, 2, 6, 6});
    EXPECT_TRUE(p.contains({5, 5}));
    EXPECT_TRUE(p.contains({1, 1}));
    EXPECT_FALSE(p.contains({11, 5}));
    const Path ring = ringSlice({0, 0}, 20, 60, 0, 2 * kPi);
    EXPECT_TRUE(ring.contains({-40, 0.5}));
    EXPECT_TRUE(ring.contains({0.5, 40}));
    EXPECT_FALSE(ring.contains({0, 0}));
}

TEST(PathTest, NonFinitePathsAndPointsContainNothing) {
    Path p;
    p.moveTo({0, 0});
    p.arc({0, 0}, NAN, 0, 1, false);
    EXPECT_FALSE(p.isFinite());
    EXPECT_FALSE(p.contains({0, 0}));
    EXPECT_TRUE(p.flatten().empty());
    Path r;
    r.addRect({0, 0, 10, 10});
    EXPECT_FALSE(r.contains({NAN, 5}));
    EXPECT_EQ(r.boundingBox(), (Rect{0, 0, 10, 10}));
    EXPECT_EQ(Path{}.boundingBox(), Rect{});
}

TEST(PathTest, HugeRadiusStaysBounded) {
    Path p;
    p.arc({0, 0}, 1e12, 0, 2 * kPi, false);
    const auto polys = p.flatten();
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_LE(polys[0].size(), 2100u);
}

TEST(FontTest, NearestFaceKeepsWeightAndSize) {
    EXPECT_EQ(nearestFace({"HelveticaNeue-Bold", 24}), (FontFace{"DejaVu Sans", 700, 24}));
    EXPECT_EQ(nearestFace({"HelveticaNeue-Light", 14}), (FontFace{"DejaVu Sans", 300, 14}));
    EXPECT_EQ(nearestFace({"HelveticaNeue", 20}), (FontFace{"DejaVu Sans", 400, 20}));
    EXPECT_EQ(nearestFace({"HelveticaNeue-CondensedBold", 100}), (FontFace{"DejaVu Sans Condensed", 700, 100}));
    EXPECT_EQ(nearestFace({std::string(kSystemFontName), 10}), (FontFace{"DejaVu Sans", 400, 10}));
}

TEST(FontTest, FixedMetricsCountCodePoints) {
    FixedTextMetrics m;
    EXPECT_EQ(m.measureText("12345", {"X", 100}), (Size{300, 120}));
    EXPECT_EQ(m.measureText("运动", {"X", 10}), (Size{12, 12}));
    EXPECT_EQ(m.measureText("", {"X", 10}), (Size{0, 12}));
    EXPECT_EQ(m.measureText("ab", {"X", -3}), (Size{0, 0}));
}
