// SPDX-License-Identifier: MIT
// The panel that shows a title and a large value with its unit, sliding and fading in and out.
#pragma once

#include "charts/chart_value_view.h"
#include "charts/label.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vantro {

/// Layout 0: title above, a horizontal line, value below. Other layouts: title left, a vertical
/// line, value right. "Hidden" hides the contents; the panel itself stays in the tree.
class ChartInformationView : public View {
public:
    static constexpr Color kDefaultSeparatorColor = Color::white();
    static constexpr Color kDefaultTitleColor = Color::white();
    static constexpr Color kDefaultShadowColor = Color::black();
    static constexpr double kHideDuration = 0.125;
    static constexpr double kShowDuration = 0.25;

    /// Starts hidden.
    ChartInformationView(UiContext& ui, Rect frame, std::int32_t layout = 0);

    std::int32_t layout() const { return m_layout; }
    const std::shared_ptr<ChartValueView>& valueView() const { return m_valueView; }
    const std::shared_ptr<Label>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<View>& separatorView() const { return m_separatorView; }

    /// An absent title hides the separator line; any text, even empty, shows it.
    void setTitleText(std::optional<std::string> text);
    void setValueText(std::optional<std::string> value, std::optional<std::string> unit);
    void setTitleTextColor(Color color);
    void setValueAndUnitTextColor(Color color);
    void setTextShadowColor(Color color);
    void setSeparatorColor(Color color);

    /// Hiding with animation fades (0.125 s) and then moves the title and line away; showing moves
    /// them in and fades everything in together (0.25 s).
    void setHidden(bool hidden, bool animated);
    void setHidden(bool hidden) override { setHidden(hidden, false); }

    Rect valueViewRect() const;
    Rect titleViewRectForHidden(bool hidden) const;
    Rect separatorViewRectForHidden(bool hidden) const;

private:
    void setContentAlpha(double alpha);
    void placeTitleAndSeparator(bool hidden);

    std::int32_t m_layout;
    std::shared_ptr<ChartValueView> m_valueView;
    std::shared_ptr<Label> m_titleLabel;
    std::shared_ptr<View> m_separatorView;
    // Completions of the hide animation must not outlive the panel.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro
