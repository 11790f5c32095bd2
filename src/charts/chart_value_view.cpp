// SPDX-License-Identifier: MIT
// A large value and its smaller unit, sharing a baseline at the middle of the view.
#include "charts/chart_value_view.h"

#include "charts/chart_header_view.h"

#include <cmath>

namespace vantro {

ChartValueView::ChartValueView(UiContext& ui, Rect frame) : View(ui, frame) {
    m_valueLabel = std::make_shared<Label>(ui);
    styleChartLabel(*m_valueLabel, "HelveticaNeue-CondensedBold", 100, TextAlignment::Right, kDefaultValueColor,
                    kDefaultShadowColor);
    addSubview(m_valueLabel);
    m_unitLabel = std::make_shared<Label>(ui);
    styleChartLabel(*m_unitLabel, "HelveticaNeue", 60, TextAlignment::Left, kDefaultUnitColor, kDefaultShadowColor);
    addSubview(m_unitLabel);
}

void ChartValueView::layoutSubviews() {
    const Rect b = bounds();
    const double w = std::ceil((b.width - 20) * 0.5);
    const double mid = std::ceil(b.height * 0.5);
    const Size v = m_valueLabel->textSize();
    m_valueLabel->setFrame({10, mid - std::ceil(v.height * 0.5), w, v.height});
    const Size u = m_unitLabel->textSize();
    m_unitLabel->setFrame({m_valueLabel->frame().maxX(), mid - std::ceil(u.height * 0.5) + 13, w, u.height});
}

}  // namespace vantro
