// SPDX-License-Identifier: MIT
// The vertical band that marks the selected bar.
#pragma once

#include "charts/view.h"

#include <optional>

namespace vantro {

/// Opaque at the bottom, fading to transparent at the top.
class ChartSelectionView : public View {
public:
    static constexpr Color kDefaultBandColor = Color::white();

    explicit ChartSelectionView(UiContext& ui, Rect frame = {});

    const std::optional<Color>& bgColor() const { return m_bgColor; }
    void setBgColor(std::optional<Color> color);

    void drawRect(Canvas& canvas, const Rect& rect) override;

private:
    std::optional<Color> m_bgColor;
};

}  // namespace vantro
