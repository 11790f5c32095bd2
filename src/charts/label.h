// SPDX-License-Identifier: MIT
// A view that draws one line of text.
#pragma once

#include "charts/view.h"

#include <optional>
#include <string>

namespace vantro {

/// One line of text, vertically centred, aligned left, centre or right, optionally shrunk to fit
/// the width, with a text shadow. A label lets touches pass to the view behind it.
class Label : public View {
public:
    explicit Label(UiContext& ui, Rect frame = {});

    /// Absent and empty differ for the views that show a separator only with a text.
    const std::optional<std::string>& text() const { return m_text; }
    void setText(std::optional<std::string> text);
    const Font& font() const { return m_font; }
    void setFont(Font font);
    TextAlignment textAlignment() const { return m_alignment; }
    void setTextAlignment(TextAlignment alignment);
    int numberOfLines() const { return m_lines; }
    void setNumberOfLines(int lines) { m_lines = lines; }
    bool adjustsFontSizeToFitWidth() const { return m_adjusts; }
    void setAdjustsFontSizeToFitWidth(bool adjusts);
    const Color& textColor() const { return m_textColor; }
    void setTextColor(Color color);
    const std::optional<Color>& shadowColor() const { return m_shadowColor; }
    void setShadowColor(std::optional<Color> color);
    Size shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(Size offset);

    /// The size of the text in the label's font (zero without text).
    Size textSize() const;
    /// The font actually drawn in a width: smaller when the text must shrink to fit.
    Font fittedFont(double width) const;

    void drawRect(Canvas& canvas, const Rect& rect) override;

private:
    std::optional<std::string> m_text;
    Font m_font{std::string(kSystemFontName), 17};
    TextAlignment m_alignment = TextAlignment::Left;
    int m_lines = 1;
    bool m_adjusts = false;
    Color m_textColor = Color::black();
    std::optional<Color> m_shadowColor;
    Size m_shadowOffset{0, -1};
};

}  // namespace vantro
