// SPDX-License-Identifier: MIT
// The chart base view: a header, a footer, a header padding and a display state.
#include "charts/chart_view.h"

namespace vantro {

ChartView::ChartView(UiContext& ui, Rect frame) : View(ui, frame) {
    setClipsToBounds(true);
}

void ChartView::replace(std::shared_ptr<View>& slot, std::shared_ptr<View> view) {
    if (slot && slot->superview() == this) slot->removeFromSuperview();
    slot = std::move(view);
    validateHeaderAndFooterHeights();
    if (slot) addSubview(slot);
    reloadData();
}

void ChartView::setHeaderView(std::shared_ptr<View> view) {
    replace(m_headerView, std::move(view));
}

void ChartView::setFooterView(std::shared_ptr<View> view) {
    replace(m_footerView, std::move(view));
}

void ChartView::setState(std::int32_t state, bool, std::function<void()>) {
    if (state != m_state) m_state = state;
}

}  // namespace vantro
