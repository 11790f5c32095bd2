// SPDX-License-Identifier: MIT
// A canvas that records every operation, for tests and benchmarks.
#pragma once

#include "platform/canvas.h"

#include <string>
#include <vector>

namespace vantro {

/// One recorded operation with the state it was drawn in.
struct CanvasOp {
    enum class Kind {
        Save,
        Restore,
        Translate,
        Scale,
        Rotate,
        SetAlpha,
        Clip,
        ClipRect,
        FillPath,
        FillRect,
        Gradient,
        SetShadow,
        Text
    };
    Kind kind = Kind::Save;
    AffineTransform transform;  // the current transform when the operation ran (after it, for transforms)
    double alpha = 1;           // the current alpha, likewise
    std::optional<Shadow> shadow;
    Path path;    // Clip, FillPath
    Rect rect;    // ClipRect, FillRect, Text
    Color color;  // FillPath, FillRect, Text
    Point start;  // Gradient; Translate and Scale keep their arguments here
    Point end;    // Gradient
    std::vector<GradientStop> stops;
    std::string text;
    Font font;
    TextAlignment alignment = TextAlignment::Left;
};

/// Records operations in order and keeps the transform, alpha and shadow stack like a real
/// context. Text is measured with FixedTextMetrics.
class RecordingCanvas : public Canvas {
public:
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
    Size measureText(std::string_view text, const Font& font) const override;

    const std::vector<CanvasOp>& ops() const { return m_ops; }
    std::vector<const CanvasOp*> opsOf(CanvasOp::Kind kind) const;
    void clear();
    /// Depth of the save stack; 0 when balanced.
    std::size_t depth() const { return m_stack.size(); }

private:
    struct State {
        AffineTransform transform;
        double alpha = 1;
        std::optional<Shadow> shadow;
    };
    CanvasOp& record(CanvasOp::Kind kind);

    State m_state;
    std::vector<State> m_stack;
    std::vector<CanvasOp> m_ops;
    FixedTextMetrics m_metrics;
};

}  // namespace vantro
