// SPDX-License-Identifier: MIT
// The vertical band that marks the selected bar.
#include "charts/chart_selection_view.h"

namespace vantro {

ChartSelectionView::ChartSelectionView(UiContext& ui, Rect frame) : View(ui, frame) {
    setBackgroundColor(Color::clear());
}

void ChartSelectionView::setBgColor(std::optional<Color> color) {
    m_bgColor = color;
    setNeedsDisplay();
}

void ChartSelectionView::drawRect(Canvas& canvas, const Rect& rect) {
    canvas.fillRect(rect, Color::clear());
    const Color c = m_bgColor.value_or(kDefaultBandColor);
    canvas.save();
    canvas.clipToRect(rect);
    canvas.drawLinearGradient({rect.midX(), rect.maxY()}, {rect.midX(), rect.minY()}, {{0, c}, {1, c.withAlpha(0)}});
    canvas.restore();
}

}  // namespace vantro
