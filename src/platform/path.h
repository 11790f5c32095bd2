// SPDX-License-Identifier: MIT
// A 2-D path of lines and circular arcs, with non-zero winding containment.
#pragma once

#include "platform/geometry.h"

#include <optional>
#include <vector>

namespace vantro {

/// Path elements as recorded; shells replay them into their own path type.
///
/// Arc direction is named as in a y-up space: `clockwise == false` runs towards larger angles,
/// `clockwise == true` towards smaller ones; the point at angle t is centre + r·(cos t, sin t).
/// As on the handset, a sweep against the direction wraps round (counter-clockwise from 90° to 0°
/// sweeps 270°) and a sweep never exceeds one full turn.
class Path {
public:
    enum class Op { Move, Line, Arc, Close };
    struct Element {
        Op op = Op::Move;
        Point point;   // Move, Line: the point; Arc: its end point
        Point center;  // Arc only
        double radius = 0;
        double startAngle = 0;
        double endAngle = 0;
        bool clockwise = false;
    };

    void moveTo(Point p);
    void lineTo(Point p);
    /// Joins the current point to the arc's start with a line (or moves there on an empty subpath).
    void arc(Point center, double radius, double startAngle, double endAngle, bool clockwise);
    void closeSubpath();
    void addRect(const Rect& r);

    const std::vector<Element>& elements() const { return m_elements; }
    bool isEmpty() const { return m_elements.empty(); }
    std::optional<Point> currentPoint() const { return m_current; }
    /// False when any coordinate is NaN or infinite; such a path contains nothing.
    bool isFinite() const;

    /// The signed sweep of an arc after wrapping, in radians (negative for clockwise).
    static double arcSweep(double startAngle, double endAngle, bool clockwise);

    /// Closed polygons approximating the path within `tolerance` points.
    std::vector<std::vector<Point>> flatten(double tolerance = 0.02) const;
    /// Non-zero winding rule, every subpath implicitly closed.
    bool contains(Point p) const;
    Rect boundingBox() const;

private:
    std::vector<Element> m_elements;
    std::optional<Point> m_current;
    std::optional<Point> m_subpathStart;
};

}  // namespace vantro
