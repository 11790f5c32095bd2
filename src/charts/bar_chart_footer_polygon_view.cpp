// SPDX-License-Identifier: MIT
// The band under the bars with two small upward ticks.
#include "charts/bar_chart_footer_polygon_view.h"

namespace vantro {

BarChartFooterPolygonView::BarChartFooterPolygonView(UiContext& ui, Rect frame) : View(ui, frame) {}

Path BarChartFooterPolygonView::outline(double x0, double w, double h, double p) {
    Path path;
    path.moveTo({x0, h});
    path.lineTo({x0, 8});
    path.lineTo({x0 + p, 8});
    path.lineTo({x0 + p + 8, 0});
    path.lineTo({x0 + p + 16, 8});
    path.lineTo({w - p - 16, 8});
    path.lineTo({w - p - 8, 0});
    path.lineTo({w - p, 8});
    path.lineTo({w, 8});
    path.lineTo({w, h});
    path.lineTo({x0, h});
    path.closeSubpath();
    return path;
}

void BarChartFooterPolygonView::drawRect(Canvas& canvas, const Rect& rect) {
    if (!m_delegate) return;
    const double p = m_delegate->paddingForChartFooterPolygonView(*this);
    const Color color = m_delegate->backgroundColorForChartFooterPolygonView(*this);
    const Rect b = bounds();
    canvas.save();
    canvas.clip(outline(b.x, b.width, b.height, p));
    // Two equal stops: the band is one solid colour drawn the gradient way.
    canvas.drawLinearGradient({rect.x, rect.minY()}, {rect.x, rect.maxY()}, {{0, color}, {1, color}});
    canvas.restore();
}

}  // namespace vantro
