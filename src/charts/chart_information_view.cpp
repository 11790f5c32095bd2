// SPDX-License-Identifier: MIT
// The panel that shows a title and a large value with its unit, sliding and fading in and out.
#include "charts/chart_information_view.h"

#include "charts/chart_header_view.h"

namespace vantro {

ChartInformationView::ChartInformationView(UiContext& ui, Rect frame, std::int32_t layout)
    : View(ui, frame), m_layout(layout) {
    setClipsToBounds(true);
    m_titleLabel = std::make_shared<Label>(ui);
    styleChartLabel(*m_titleLabel, "HelveticaNeue", 20, layout == 0 ? TextAlignment::Left : TextAlignment::Center,
                    kDefaultTitleColor, kDefaultShadowColor);
    m_separatorView = std::make_shared<View>(ui);
    m_separatorView->setBackgroundColor(kDefaultSeparatorColor);
    m_valueView = std::make_shared<ChartValueView>(ui, valueViewRect());
    addSubview(m_titleLabel);
    addSubview(m_separatorView);
    addSubview(m_valueView);
    setHidden(true, false);
}

Rect ChartInformationView::valueViewRect() const {
    const Rect b = bounds();
    if (m_layout == 0) return {10, 60, b.width - 20, b.height - 70};
    return {105, 10, b.width - 115, b.height - 20};
}

Rect ChartInformationView::titleViewRectForHidden(bool hidden) const {
    const Rect b = bounds();
    const double y = hidden ? -50 : 10;
    if (m_layout == 0) return {10, y, b.width - 20, 50};
    return {10, y, 75, b.height - 20};
}

Rect ChartInformationView::separatorViewRectForHidden(bool hidden) const {
    const Rect b = bounds();
    if (m_layout == 0) return {hidden ? 10 - b.width : 10, 50, b.width - 20, 1};
    return {95, hidden ? b.height : 10, 1, b.height - 20};
}

void ChartInformationView::setTitleText(std::optional<std::string> text) {
    m_separatorView->setHidden(!text.has_value());
    m_titleLabel->setText(std::move(text));
}

void ChartInformationView::setValueText(std::optional<std::string> value, std::optional<std::string> unit) {
    m_valueView->valueLabel()->setText(std::move(value));
    m_valueView->unitLabel()->setText(std::move(unit));
    m_valueView->setNeedsLayout();
}

void ChartInformationView::setTitleTextColor(Color color) {
    m_titleLabel->setTextColor(color);
}

void ChartInformationView::setValueAndUnitTextColor(Color color) {
    m_valueView->valueLabel()->setTextColor(color);
    m_valueView->unitLabel()->setTextColor(color);
}

void ChartInformationView::setTextShadowColor(Color color) {
    m_valueView->valueLabel()->setShadowColor(color);
    m_valueView->unitLabel()->setShadowColor(color);
    m_titleLabel->setShadowColor(color);
}

void ChartInformationView::setSeparatorColor(Color color) {
    m_separatorView->setBackgroundColor(color);
}

void ChartInformationView::setContentAlpha(double alpha) {
    m_titleLabel->setAlpha(alpha);
    m_separatorView->setAlpha(alpha);
    m_valueView->valueLabel()->setAlpha(alpha);
    m_valueView->unitLabel()->setAlpha(alpha);
}

void ChartInformationView::placeTitleAndSeparator(bool hidden) {
    m_titleLabel->setFrame(titleViewRectForHidden(hidden));
    m_separatorView->setFrame(separatorViewRectForHidden(hidden));
}

void ChartInformationView::setHidden(bool hidden, bool animated) {
    if (!animated) {
        placeTitleAndSeparator(hidden);
        setContentAlpha(hidden ? 0 : 1);
        return;
    }
    Animator& animator = ui().animator();
    if (hidden) {
        std::weak_ptr<int> alive = m_alive;
        animator.animate(
            {kHideDuration, 0, true}, [this] { setContentAlpha(0); },
            [this, alive](bool finished) {
                // A show that interrupts the fade owns the title now; moving it away
                // would leave a shown panel without its title.
                if (finished && !alive.expired()) placeTitleAndSeparator(true);
            });
    } else {
        animator.animate({kShowDuration, 0, true}, [this] {
            placeTitleAndSeparator(false);
            setContentAlpha(1);
        });
    }
}

}  // namespace vantro
