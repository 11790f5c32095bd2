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
    // The unit sits lower than centred so that both texts share a baseline. 13 points suits the faces
    // the layout was drawn for. Where the faces in use are known, the baselines are matched exactly,
    // as drawn: each label shrinks a long text to its width and centres the smaller line in its frame.
    const TextMeasurer& text = ui().text();
    const auto baselineIn = [&text](const Label& label, double width, double frameHeight) -> std::optional<double> {
        const Font font = label.fittedFont(width);
        const auto ascent = text.ascent(font);
        if (!ascent || !label.text()) return std::nullopt;
        return (frameHeight - text.measureText(*label.text(), font).height) / 2 + *ascent;
    };
    const Rect valueFrame = m_valueLabel->frame();
    const auto valueBaseline = baselineIn(*m_valueLabel, w, v.height);
    const auto unitBaseline = baselineIn(*m_unitLabel, w, u.height);
    const double y = valueBaseline && unitBaseline ? valueFrame.y + *valueBaseline - *unitBaseline
                                                   : mid - std::ceil(u.height * 0.5) + 13;
    m_unitLabel->setFrame({valueFrame.maxX(), y, w, u.height});
}

}  // namespace vantro
