// SPDX-License-Identifier: MIT
// The drawing port on QPainter: paths, clips, fills, gradients and text with shadows, antialiased.
#include "gui/qt_canvas.h"

#include "gui/app_fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace vantro::gui {
namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

bool hasFamily(const QString& family) {
    return QFontDatabase::families().contains(family);
}

}  // namespace

QColor toQColor(const Color& c) {
    QColor out;
    out.setRgbF(std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f), std::clamp(c.b, 0.0f, 1.0f),
                std::clamp(c.a, 0.0f, 1.0f));
    return out;
}

QFont qtFontFor(const Font& font) {
    const FontFace face = nearestFace(font);
    QFont f = AppFonts::font(face.size, face.weight >= 600);
    // The condensed face comes with the extra DejaVu fonts; without them the plain face stands in.
    const QString family = QString::fromStdString(face.family);
    if (family == QLatin1String("DejaVu Sans")) return f;
    AppFonts::installChartFaces();
    if (hasFamily(family)) {
        QStringList families = AppFonts::families();
        families.prepend(family);
        f.setFamilies(families);
    }
    return f;
}

QPainterPath toQPainterPath(const Path& path) {
    QPainterPath out;
    out.setFillRule(Qt::WindingFill);
    bool open = false;  // a subpath with a current point
    for (const auto& e : path.elements()) {
        switch (e.op) {
            case Path::Op::Move:
                out.moveTo(e.point.x, e.point.y);
                open = true;
                break;
            case Path::Op::Line:
                if (open)
                    out.lineTo(e.point.x, e.point.y);
                else
                    out.moveTo(e.point.x, e.point.y);
                open = true;
                break;
            case Path::Op::Arc: {
                // Our angles run towards +y (screen down) and Qt's towards -y, so both flip sign.
                const QRectF box(e.center.x - e.radius, e.center.y - e.radius, 2 * e.radius, 2 * e.radius);
                const double start = -e.startAngle * kDegrees;
                const double sweep = -Path::arcSweep(e.startAngle, e.endAngle, e.clockwise) * kDegrees;
                if (!open) out.arcMoveTo(box, start);
                out.arcTo(box, start, sweep);
                open = true;
                break;
            }
            case Path::Op::Close:
                out.closeSubpath();
                open = false;
                break;
        }
    }
    return out;
}

Size QtTextMeasurer::measureText(std::string_view text, const Font& font) const {
    const QFontMetricsF fm(qtFontFor(font));
    return {fm.horizontalAdvance(q(text)), fm.height()};
}

std::optional<double> QtTextMeasurer::ascent(const Font& font) const {
    return QFontMetricsF(qtFontFor(font)).ascent();
}

QtCanvas::QtCanvas(QPainter& painter) : m_painter(painter) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

QtCanvas::~QtCanvas() {
    while (!m_stack.empty()) restore();
    m_painter.restore();
}

Size QtCanvas::measureText(std::string_view text, const Font& font) const {
    return QtTextMeasurer().measureText(text, font);
}

void QtCanvas::save() {
    m_painter.save();
    m_stack.push_back(m_state);
}

void QtCanvas::restore() {
    if (m_stack.empty()) return;  // an unbalanced restore is ignored
    m_painter.restore();
    m_state = m_stack.back();
    m_stack.pop_back();
}

void QtCanvas::translate(double dx, double dy) {
    m_painter.translate(dx, dy);
}
void QtCanvas::scale(double sx, double sy) {
    m_painter.scale(sx, sy);
}
void QtCanvas::rotate(double radians) {
    m_painter.rotate(radians * kDegrees);
}

void QtCanvas::setAlpha(double alpha) {
    m_painter.setOpacity(m_painter.opacity() * std::clamp(alpha, 0.0, 1.0));
}

void QtCanvas::clip(const Path& path) {
    if (!path.isFinite()) {
        m_painter.setClipRect(QRectF(), Qt::IntersectClip);  // nothing stays drawable
        return;
    }
    m_painter.setClipPath(toQPainterPath(path), Qt::IntersectClip);
}

void QtCanvas::clipToRect(const Rect& rect) {
    m_painter.setClipRect(QRectF(rect.minX(), rect.minY(), std::abs(rect.width), std::abs(rect.height)),
                          Qt::IntersectClip);
}

void QtCanvas::fillWithShadow(const QPainterPath& path, const QColor& color) {
    if (m_state.shadow && m_state.shadow->color.a > 0) {
        // A soft shadow: the shape offset, drawn a few times with growing spread and falling alpha.
        const Shadow& s = *m_state.shadow;
        QColor sc = toQColor(s.color);
        const int passes = s.blur > 0.5 ? 3 : 1;
        sc.setAlphaF(sc.alphaF() / passes);
        for (int i = 0; i < passes; ++i) {
            const double spread = passes == 1 ? 0 : s.blur * (i + 1) / (2.0 * passes);
            QPainterPath shifted = path.translated(s.offset.width, s.offset.height);
            if (spread > 0) {
                QPainterPathStroker stroker;
                stroker.setWidth(spread * 2);
                shifted = shifted.united(stroker.createStroke(shifted));
            }
            m_painter.fillPath(shifted, sc);
        }
    }
    m_painter.fillPath(path, color);
}

void QtCanvas::fillPath(const Path& path, const Color& color) {
    if (!path.isFinite() || color.a <= 0) return;
    fillWithShadow(toQPainterPath(path), toQColor(color));
}

void QtCanvas::fillRect(const Rect& rect, const Color& color) {
    if (!rect.isFinite() || color.a <= 0) return;
    QPainterPath p;
    p.addRect(QRectF(rect.minX(), rect.minY(), std::abs(rect.width), std::abs(rect.height)));
    fillWithShadow(p, toQColor(color));
}

void QtCanvas::drawLinearGradient(Point start, Point end, const std::vector<GradientStop>& stops) {
    if (stops.empty()) return;
    QLinearGradient g(QPointF(start.x, start.y), QPointF(end.x, end.y));
    g.setSpread(QGradient::PadSpread);
    for (const auto& s : stops) g.setColorAt(std::clamp(s.location, 0.0, 1.0), toQColor(s.color));
    // Fill the whole clip: without one, everything the painter can reach.
    QRectF area = m_painter.hasClipping() ? m_painter.clipBoundingRect()
                                          : m_painter.transform().inverted().mapRect(QRectF(m_painter.viewport()));
    m_painter.fillRect(area, g);
}

void QtCanvas::setShadow(const std::optional<Shadow>& shadow) {
    m_state.shadow = shadow;
}

void QtCanvas::drawText(std::string_view text, const Rect& rect, const Font& font, const Color& color,
                        TextAlignment alignment) {
    if (text.empty() || color.a <= 0 || !rect.isFinite()) return;
    const QFont f = qtFontFor(font);
    const QString s = q(text);
    const QFontMetricsF fm(f);
    const double width = fm.horizontalAdvance(s);
    double x = rect.minX();
    if (alignment == TextAlignment::Center) x = rect.minX() + (std::abs(rect.width) - width) / 2;
    if (alignment == TextAlignment::Right) x = rect.maxX() - width;
    const QPointF baseline(x, rect.minY() + fm.ascent());
    m_painter.setFont(f);
    if (m_state.shadow && m_state.shadow->color.a > 0) {
        m_painter.setPen(toQColor(m_state.shadow->color));
        m_painter.drawText(baseline + QPointF(m_state.shadow->offset.width, m_state.shadow->offset.height), s);
    }
    m_painter.setPen(toQColor(color));
    m_painter.drawText(baseline, s);
}

}  // namespace vantro::gui
