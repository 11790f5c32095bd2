// SPDX-License-Identifier: MIT
// The chart base view: a header, a footer, a header padding and a display state.
#pragma once

#include "charts/view.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace vantro {

/// Base of the bar chart: owns the header and footer views and the state; clips to its bounds.
class ChartView : public View {
public:
    explicit ChartView(UiContext& ui, Rect frame = {});

    const std::shared_ptr<View>& headerView() const { return m_headerView; }
    const std::shared_ptr<View>& footerView() const { return m_footerView; }
    /// Replace the old view, then reload the chart.
    void setHeaderView(std::shared_ptr<View> view);
    void setFooterView(std::shared_ptr<View> view);
    float headerPadding() const { return m_headerPadding; }
    void setHeaderPadding(float padding) { m_headerPadding = padding; }
    std::int32_t state() const { return m_state; }

    virtual void reloadData() {}
    virtual void validateHeaderAndFooterHeights() {}
    /// Stores the state when it differs; derived charts move their content.
    virtual void setState(std::int32_t state, bool animated, std::function<void()> callback);
    void setState(std::int32_t state, bool animated) { setState(state, animated, nullptr); }
    void setState(std::int32_t state) { setState(state, false); }

private:
    void replace(std::shared_ptr<View>& slot, std::shared_ptr<View> view);

    std::shared_ptr<View> m_footerView;
    std::shared_ptr<View> m_headerView;
    float m_headerPadding = 0;
    std::int32_t m_state = 0;
};

}  // namespace vantro
