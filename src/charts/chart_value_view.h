// SPDX-License-Identifier: MIT
// A large value and its smaller unit, sharing a baseline at the middle of the view.
#pragma once

#include "charts/label.h"

#include <memory>

namespace vantro {

/// The right-aligned value ends at the middle; the left-aligned unit starts there, 13 points lower.
class ChartValueView : public View {
public:
    static constexpr Color kDefaultValueColor = Color::white();
    static constexpr Color kDefaultUnitColor = Color::white();
    static constexpr Color kDefaultShadowColor = Color::black();

    explicit ChartValueView(UiContext& ui, Rect frame = {});

    const std::shared_ptr<Label>& valueLabel() const { return m_valueLabel; }
    const std::shared_ptr<Label>& unitLabel() const { return m_unitLabel; }

    void layoutSubviews() override;

private:
    std::shared_ptr<Label> m_valueLabel;
    std::shared_ptr<Label> m_unitLabel;
};

}  // namespace vantro
