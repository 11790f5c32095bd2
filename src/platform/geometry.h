// SPDX-License-Identifier: MIT
// Points, sizes, rectangles, colours and affine transforms for drawing and layout.
#pragma once

#include <algorithm>
#include <cmath>

namespace vantro {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

/// A rectangle in a y-down space; edges are read from the standardised rectangle, so a negative
/// width still has its minX on the left.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    double minX() const { return std::min(x, x + width); }
    double maxX() const { return std::max(x, x + width); }
    double midX() const { return x + width * 0.5; }
    double minY() const { return std::min(y, y + height); }
    double maxY() const { return std::max(y, y + height); }
    double midY() const { return y + height * 0.5; }
    bool isEmpty() const { return !(width > 0 && height > 0); }
    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height);
    }
    /// Half-open on the far edges, like a hit test on screen.
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    bool operator==(const Rect&) const = default;
};

/// An RGBA colour, each component 0 to 1.
struct Color {
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 1;

    static constexpr Color white() { return {1, 1, 1, 1}; }
    static constexpr Color black() { return {0, 0, 0, 1}; }
    static constexpr Color clear() { return {0, 0, 0, 0}; }
    /// Components given as 0..255, the way designers write them.
    static constexpr Color rgb255(int r, int g, int b, float a = 1) {
        return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f, static_cast<float>(b) / 255.0f, a};
    }
    constexpr Color withAlpha(float alpha) const { return {r, g, b, alpha}; }
    bool operator==(const Color&) const = default;
};

/// x' = a·x + c·y + tx, y' = b·x + d·y + ty.
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    /// This transform applied after `first`.
    AffineTransform after(const AffineTransform& first) const {
        return {a * first.a + c * first.b, b * first.a + d * first.b,        a * first.c + c * first.d,
                b * first.c + d * first.d, a * first.tx + c * first.ty + tx, b * first.tx + d * first.ty + ty};
    }
    /// The user-space operations of a drawing context prepend to the current transform.
    AffineTransform translated(double dx, double dy) const { return after({1, 0, 0, 1, dx, dy}); }
    AffineTransform scaled(double sx, double sy) const { return after({sx, 0, 0, sy, 0, 0}); }
    AffineTransform rotated(double radians) const {
        const double cs = std::cos(radians), sn = std::sin(radians);
        return after({cs, sn, -sn, cs, 0, 0});
    }
    bool operator==(const AffineTransform&) const = default;
};

}  // namespace vantro
