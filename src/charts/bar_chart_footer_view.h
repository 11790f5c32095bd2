// SPDX-License-Identifier: MIT
// The footer under the bar chart: the tick band and a label at each end.
#pragma once

#include "charts/bar_chart_footer_polygon_view.h"
#include "charts/label.h"

#include <memory>

namespace vantro {

/// A band reaching 8 points above its own top for the ticks, with left and right labels.
class BarChartFooterView : public View, public BarChartFooterPolygonViewDelegate {
public:
    static constexpr Color kDefaultFooterColor = Color::rgb255(183, 227, 228);

    explicit BarChartFooterView(UiContext& ui, Rect frame = {});

    const Color& footerBackgroundColor() const { return m_footerBackgroundColor; }
    void setFooterBackgroundColor(Color color);
    float padding() const { return m_padding; }
    void setPadding(float padding);
    const std::shared_ptr<Label>& leftLabel() const { return m_leftLabel; }
    const std::shared_ptr<Label>& rightLabel() const { return m_rightLabel; }
    const std::shared_ptr<BarChartFooterPolygonView>& polygonView() const { return m_polygonView; }

    void layoutSubviews() override;

    Color backgroundColorForChartFooterPolygonView(BarChartFooterPolygonView& view) override;
    float paddingForChartFooterPolygonView(BarChartFooterPolygonView& view) override;

private:
    Color m_footerBackgroundColor = kDefaultFooterColor;
    float m_padding = 4;
    std::shared_ptr<Label> m_leftLabel;
    std::shared_ptr<Label> m_rightLabel;
    std::shared_ptr<BarChartFooterPolygonView> m_polygonView;
};

}  // namespace vantro
