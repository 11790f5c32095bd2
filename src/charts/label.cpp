// SPDX-License-Identifier: MIT
// A view that draws one line of text.
#include "charts/label.h"

namespace vantro {

Label::Label(UiContext& ui, Rect frame) : View(ui, frame) {
    setUserInteractionEnabled(false);
}

void Label::setText(std::optional<std::string> text) {
    m_text = std::move(text);
    setNeedsDisplay();
}

void Label::setFont(Font font) {
    m_font = std::move(font);
    setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment) {
    m_alignment = alignment;
    setNeedsDisplay();
}

void Label::setAdjustsFontSizeToFitWidth(bool adjusts) {
    m_adjusts = adjusts;
    setNeedsDisplay();
}

void Label::setTextColor(Color color) {
    m_textColor = color;
    setNeedsDisplay();
}

void Label::setShadowColor(std::optional<Color> color) {
    m_shadowColor = color;
    setNeedsDisplay();
}

void Label::setShadowOffset(Size offset) {
    m_shadowOffset = offset;
    setNeedsDisplay();
}

Size Label::textSize() const {
    if (!m_text || m_text->empty()) return {};
    return ui().text().measureText(*m_text, m_font);
}

Font Label::fittedFont(double width) const {
    Font font = m_font;
    const Size size = textSize();
    if (m_adjusts && size.width > width && size.width > 0 && width > 0) {
        font.size *= width / size.width;
        // Where text comes only in whole sizes the size just found may round up past the width: step
        // down until the text, measured as it will be drawn, fits.
        for (int i = 0; i < 16 && font.size > 1 && ui().text().measureText(*m_text, font).width > width; ++i)
            font.size -= 0.5;
    }
    return font;
}

void Label::drawRect(Canvas& canvas, const Rect& rect) {
    if (!m_text || m_text->empty()) return;
    const Font font = fittedFont(rect.width);
    const Size size = canvas.measureText(*m_text, font);
    canvas.save();
    if (m_shadowColor) canvas.setShadow(Shadow{m_shadowOffset, 0, *m_shadowColor});
    const Rect line{rect.x, rect.y + (rect.height - size.height) / 2, rect.width, size.height};
    canvas.drawText(*m_text, line, font, m_textColor, m_alignment);
    canvas.restore();
}

}  // namespace vantro
