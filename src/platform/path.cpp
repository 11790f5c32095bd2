// SPDX-License-Identifier: MIT
// A 2-D path of lines and circular arcs, with non-zero winding containment.
#include "platform/path.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace vantro {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// A bound on arc segments keeps a huge radius from costing unbounded time.
constexpr int kMaxArcSegments = 2048;

Point arcPoint(Point c, double r, double t) {
    return {c.x + r * std::cos(t), c.y + r * std::sin(t)};
}

bool finitePoint(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

void Path::moveTo(Point p) {
    m_elements.push_back(Element{Op::Move, p, {}, 0, 0, 0, false});
    m_current = p;
    m_subpathStart = p;
}

void Path::lineTo(Point p) {
    if (!m_current) {
        moveTo(p);
        return;
    }
    m_elements.push_back(Element{Op::Line, p, {}, 0, 0, 0, false});
    m_current = p;
}

double Path::arcSweep(double startAngle, double endAngle, bool clockwise) {
    double sweep = clockwise ? startAngle - endAngle : endAngle - startAngle;
    if (!std::isfinite(sweep)) return 0;
    if (sweep < 0) sweep = std::fmod(sweep, kTwoPi) + kTwoPi;
    if (sweep > kTwoPi) sweep = kTwoPi;
    return clockwise ? -sweep : sweep;
}

void Path::arc(Point center, double radius, double startAngle, double endAngle, bool clockwise) {
    const Point start = arcPoint(center, radius, startAngle);
    if (!m_current) {
        moveTo(start);
    } else if (!(*m_current == start)) {
        lineTo(start);
    }
    const double sweep = arcSweep(startAngle, endAngle, clockwise);
    const Point end = arcPoint(center, radius, startAngle + sweep);
    m_elements.push_back({Op::Arc, end, center, radius, startAngle, endAngle, clockwise});
    m_current = end;
}

void Path::closeSubpath() {
    if (!m_current) return;
    m_elements.push_back(Element{Op::Close, m_subpathStart.value_or(Point{}), {}, 0, 0, 0, false});
    m_current = m_subpathStart;
}

void Path::addRect(const Rect& r) {
    moveTo({r.x, r.y});
    lineTo({r.x + r.width, r.y});
    lineTo({r.x + r.width, r.y + r.height});
    lineTo({r.x, r.y + r.height});
    closeSubpath();
}

bool Path::isFinite() const {
    for (const auto& e : m_elements) {
        if (!finitePoint(e.point)) return false;
        if (e.op == Op::Arc && (!finitePoint(e.center) || !std::isfinite(e.radius) || !std::isfinite(e.startAngle) ||
                                !std::isfinite(e.endAngle)))
            return false;
    }
    return true;
}

std::vector<std::vector<Point>> Path::flatten(double tolerance) const {
    std::vector<std::vector<Point>> polys;
    if (!isFinite()) return polys;
    if (!(tolerance > 0)) tolerance = 0.02;
    std::vector<Point>* cur = nullptr;
    for (const auto& e : m_elements) {
        switch (e.op) {
            case Op::Move:
                polys.emplace_back();
                cur = &polys.back();
                cur->push_back(e.point);
                break;
            case Op::Line:
                if (cur) cur->push_back(e.point);
                break;
            case Op::Arc: {
                if (!cur) break;
                const double sweep = arcSweep(e.startAngle, e.endAngle, e.clockwise);
                const double r = std::fabs(e.radius);
                int n = 1;
                if (r > tolerance) {
                    const double step = 2 * std::acos(1 - tolerance / r);
                    n = static_cast<int>(std::ceil(std::fabs(sweep) / step));
                }
                n = std::clamp(n, 1, kMaxArcSegments);
                for (int i = 1; i <= n; ++i) cur->push_back(arcPoint(e.center, e.radius, e.startAngle + sweep * i / n));
                break;
            }
            case Op::Close:
                cur = nullptr;
                break;
        }
    }
    return polys;
}

bool Path::contains(Point p) const {
    if (!finitePoint(p)) return false;
    int winding = 0;
    for (const auto& poly : flatten()) {
        const size_t n = poly.size();
        for (size_t i = 0; i < n; ++i) {
            const Point a = poly[i];
            const Point b = poly[(i + 1) % n];
            const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
            if (a.y <= p.y) {
                if (b.y > p.y && side > 0) ++winding;
            } else if (b.y <= p.y && side < 0) {
                --winding;
            }
        }
    }
    return winding != 0;
}

Rect Path::boundingBox() const {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0;
    double x1 = -x0, y1 = -x0;
    for (const auto& poly : flatten()) {
        for (const auto& q : poly) {
            x0 = std::min(x0, q.x);
            y0 = std::min(y0, q.y);
            x1 = std::max(x1, q.x);
            y1 = std::max(y1, q.y);
        }
    }
    if (x0 > x1) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace vantro
