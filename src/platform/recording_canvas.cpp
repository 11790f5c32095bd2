// SPDX-License-Identifier: MIT
// A canvas that records every operation, for tests and benchmarks.
#include "platform/recording_canvas.h"

namespace vantro {

CanvasOp& RecordingCanvas::record(CanvasOp::Kind kind) {
    CanvasOp& op = m_ops.emplace_back();
    op.kind = kind;
    op.transform = m_state.transform;
    op.alpha = m_state.alpha;
    op.shadow = m_state.shadow;
    return op;
}

void RecordingCanvas::save() {
    m_stack.push_back(m_state);
    record(CanvasOp::Kind::Save);
}

void RecordingCanvas::restore() {
    if (m_stack.empty()) return;
    m_state = m_stack.back();
    m_stack.pop_back();
    record(CanvasOp::Kind::Restore);
}

void RecordingCanvas::translate(double dx, double dy) {
    m_state.transform = m_state.transform.translated(dx, dy);
    record(CanvasOp::Kind::Translate).start = {dx, dy};
}

void RecordingCanvas::scale(double sx, double sy) {
    m_state.transform = m_state.transform.scaled(sx, sy);
    record(CanvasOp::Kind::Scale).start = {sx, sy};
}

void RecordingCanvas::rotate(double radians) {
    m_state.transform = m_state.transform.rotated(radians);
    record(CanvasOp::Kind::Rotate).start = {radians, 0};
}

void RecordingCanvas::setAlpha(double alpha) {
    m_state.alpha = alpha;
    record(CanvasOp::Kind::SetAlpha);
}

void RecordingCanvas::clip(const Path& path) {
    record(CanvasOp::Kind::Clip).path = path;
}

void RecordingCanvas::clipToRect(const Rect& rect) {
    record(CanvasOp::Kind::ClipRect).rect = rect;
}

void RecordingCanvas::fillPath(const Path& path, const Color& color) {
    CanvasOp& op = record(CanvasOp::Kind::FillPath);
    op.path = path;
    op.color = color;
}

void RecordingCanvas::fillRect(const Rect& rect, const Color& color) {
    CanvasOp& op = record(CanvasOp::Kind::FillRect);
    op.rect = rect;
    op.color = color;
}

void RecordingCanvas::drawLinearGradient(Point start, Point end, const std::vector<GradientStop>& stops) {
    CanvasOp& op = record(CanvasOp::Kind::Gradient);
    op.start = start;
    op.end = end;
    op.stops = stops;
}

void RecordingCanvas::setShadow(const std::optional<Shadow>& shadow) {
    m_state.shadow = shadow;
    record(CanvasOp::Kind::SetShadow);
}

void RecordingCanvas::drawText(std::string_view text, const Rect& rect, const Font& font, const Color& color,
                               TextAlignment alignment) {
    CanvasOp& op = record(CanvasOp::Kind::Text);
    op.text = std::string(text);
    op.rect = rect;
    op.font = font;
    op.color = color;
    op.alignment = alignment;
}

Size RecordingCanvas::measureText(std::string_view text, const Font& font) const {
    return m_metrics.measureText(text, font);
}

std::vector<const CanvasOp*> RecordingCanvas::opsOf(CanvasOp::Kind kind) const {
    std::vector<const CanvasOp*> out;
    for (const auto& op : m_ops)
        if (op.kind == kind) out.push_back(&op);
    return out;
}

void RecordingCanvas::clear() {
    m_ops.clear();
    m_stack.clear();
    m_state = State{};
}

}  // namespace vantro
