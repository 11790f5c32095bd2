// SPDX-License-Identifier: MIT
// The chart header: a title, a thin separator line and a subtitle.
#include "charts/chart_header_view.h"

#include <cmath>

namespace vantro {

void styleChartLabel(Label& label, const char* fontName, double size, TextAlignment alignment,
                     std::optional<Color> textColor, Color shadowColor) {
    label.setFont({fontName, size});
    label.setTextAlignment(alignment);
    label.setNumberOfLines(1);
    label.setAdjustsFontSizeToFitWidth(true);
    label.setBackgroundColor(std::nullopt);
    if (textColor) label.setTextColor(*textColor);
    label.setShadowColor(shadowColor);
    label.setShadowOffset({0, 1});
}

ChartHeaderView::ChartHeaderView(UiContext& ui, Rect frame) : View(ui, frame) {
    setBackgroundColor(std::nullopt);
    m_titleLabel = std::make_shared<Label>(ui);
    styleChartLabel(*m_titleLabel, "HelveticaNeue-Bold", 24, TextAlignment::Center, Color::white(), Color::black());
    addSubview(m_titleLabel);
    m_separatorView = std::make_shared<View>(ui);
    m_separatorView->setBackgroundColor(m_separatorColor);
    addSubview(m_separatorView);
    m_subtitleLabel = std::make_shared<Label>(ui);
    styleChartLabel(*m_subtitleLabel, "HelveticaNeue-Light", 14, TextAlignment::Center, Color::white(), Color::black());
    addSubview(m_subtitleLabel);
}

void ChartHeaderView::setSeparatorColor(Color color) {
    m_separatorColor = color;
    m_separatorView->setBackgroundColor(color);
    setNeedsLayout();
}

void ChartHeaderView::layoutSubviews() {
    const Rect b = bounds();
    const double t = std::ceil(b.height * 0.5);
    m_titleLabel->setFrame({10, 0, b.width - 20, t});
    const double s = m_titleLabel->frame().height;
    m_separatorView->setFrame({20, s, b.width - 40, 0.5});
    m_subtitleLabel->setFrame({10, s + 0.5, b.width - 20, b.height - t - 0.5});
}

}  // namespace vantro
