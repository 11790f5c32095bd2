// SPDX-License-Identifier: MIT
// The chart header: a title, a thin separator line and a subtitle.
#pragma once

#include "charts/label.h"
#include "charts/view.h"

#include <memory>

namespace vantro {

/// Title above, subtitle below, a half-point line between them.
class ChartHeaderView : public View {
public:
    static constexpr Color kDefaultSeparatorColor = Color::white();

    explicit ChartHeaderView(UiContext& ui, Rect frame = {});

    const std::shared_ptr<Label>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<Label>& subtitleLabel() const { return m_subtitleLabel; }
    const Color& separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(Color color);
    const std::shared_ptr<View>& separatorView() const { return m_separatorView; }

    void layoutSubviews() override;

private:
    std::shared_ptr<Label> m_titleLabel;
    std::shared_ptr<Label> m_subtitleLabel;
    Color m_separatorColor = kDefaultSeparatorColor;
    std::shared_ptr<View> m_separatorView;
};

/// The label style the chart decorations share: one line, shrinking to fit, clear background,
/// a shadow one point below the text.
void styleChartLabel(Label& label, const char* fontName, double size, TextAlignment alignment,
                     std::optional<Color> textColor, Color shadowColor);

}  // namespace vantro
