// SPDX-License-Identifier: MIT
// The footer under the bar chart: the tick band and a label at each end.
#include "charts/bar_chart_footer_view.h"

#include "charts/chart_header_view.h"

#include <cmath>

namespace vantro {

BarChartFooterView::BarChartFooterView(UiContext& ui, Rect frame) : View(ui, frame) {
    setBackgroundColor(kDefaultFooterColor);
    setClipsToBounds(false);
    const Rect b = bounds();
    m_polygonView = std::make_shared<BarChartFooterPolygonView>(ui, Rect{b.x, b.y - 8, b.width, b.height + 8});
    m_polygonView->setDelegate(this);
    addSubview(m_polygonView);
    m_leftLabel = std::make_shared<Label>(ui);
    styleChartLabel(*m_leftLabel, "HelveticaNeue-Light", 12, TextAlignment::Left, std::nullopt, Color::black());
    addSubview(m_leftLabel);
    m_rightLabel = std::make_shared<Label>(ui);
    styleChartLabel(*m_rightLabel, "HelveticaNeue-Light", 12, TextAlignment::Right, std::nullopt, Color::black());
    addSubview(m_rightLabel);
}

void BarChartFooterView::setFooterBackgroundColor(Color color) {
    m_footerBackgroundColor = color;
    m_polygonView->setNeedsDisplay();
}

void BarChartFooterView::setPadding(float padding) {
    m_padding = padding;
    setNeedsLayout();
    m_polygonView->setNeedsDisplay();
}

void BarChartFooterView::layoutSubviews() {
    const Rect b = bounds();
    const double p = m_padding;
    const double w = std::ceil(b.width * 0.5) - p;
    m_leftLabel->setFrame({p, 0, w, b.height});
    m_rightLabel->setFrame({m_leftLabel->frame().maxX(), 0, w, b.height});
}

Color BarChartFooterView::backgroundColorForChartFooterPolygonView(BarChartFooterPolygonView&) {
    return m_footerBackgroundColor;
}

float BarChartFooterView::paddingForChartFooterPolygonView(BarChartFooterPolygonView&) {
    return m_padding;
}

}  // namespace vantro
