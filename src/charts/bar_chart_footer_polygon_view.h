// SPDX-License-Identifier: MIT
// The band under the bars with two small upward ticks.
#pragma once

#include "charts/view.h"

namespace vantro {

class BarChartFooterPolygonView;

/// Supplies the band's colour and the inset of its ticks.
class BarChartFooterPolygonViewDelegate {
public:
    virtual ~BarChartFooterPolygonViewDelegate() = default;
    virtual Color backgroundColorForChartFooterPolygonView(BarChartFooterPolygonView& view) = 0;
    virtual float paddingForChartFooterPolygonView(BarChartFooterPolygonView& view) = 0;
};

/// Draws a solid band with two ticks 16 wide and 8 high, p points in from each end.
class BarChartFooterPolygonView : public View {
public:
    explicit BarChartFooterPolygonView(UiContext& ui, Rect frame = {});

    /// Not owned.
    BarChartFooterPolygonViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(BarChartFooterPolygonViewDelegate* delegate) { m_delegate = delegate; }

    /// The band's outline in a rectangle of width w and height h with tick inset p.
    static Path outline(double x0, double w, double h, double p);

    void drawRect(Canvas& canvas, const Rect& rect) override;

private:
    BarChartFooterPolygonViewDelegate* m_delegate = nullptr;
};

}  // namespace vantro
