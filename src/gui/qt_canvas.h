// SPDX-License-Identifier: MIT
// The drawing port on QPainter: paths, clips, fills, gradients and text with shadows, antialiased.
#pragma once

#include "platform/canvas.h"

#include <QFont>
#include <QPainterPath>

#include <vector>

class QPainter;

namespace vantro::gui {

/// The pinned face for a font the drawing code names: DejaVu Sans, bold for bold names, condensed when
/// asked for and installed; the size in points is one logical pixel each.
QFont qtFontFor(const Font& font);
QPainterPath toQPainterPath(const Path& path);
QColor toQColor(const Color& c);

/// Text measuring with the same fonts QtCanvas draws with; for laying out views before any paint.
class QtTextMeasurer : public TextMeasurer {
public:
    Size measureText(std::string_view text, const Font& font) const override;
    std::optional<double> ascent(const Font& font) const override;
};

/// Canvas drawing into a QPainter that the caller has begun; leaves the painter as it found it.
class QtCanvas : public Canvas {
public:
    explicit QtCanvas(QPainter& painter);
    ~QtCanvas() override;

    Size measureText(std::string_view text, const Font& font) const override;
    void save() override;
    void restore() override;
    void translate(double dx, double dy) override;
    void scale(double sx, double sy) override;
    void rotate(double radians) override;
    void setAlpha(double alpha) override;
    void clip(const Path& path) override;
    void clipToRect(const Rect& rect) override;
    void fillPath(const Path& path, const Color& color) override;
    void fillRect(const Rect& rect, const Color& color) override;
    void drawLinearGradient(Point start, Point end, const std::vector<GradientStop>& stops) override;
    void setShadow(const std::optional<Shadow>& shadow) override;
    void drawText(std::string_view text, const Rect& rect, const Font& font, const Color& color,
                  TextAlignment alignment) override;

private:
    void fillWithShadow(const QPainterPath& path, const QColor& color);

    QPainter& m_painter;
    struct State {
        std::optional<Shadow> shadow;
    };
    std::vector<State> m_stack;
    State m_state;
};

}  // namespace vantro::gui
