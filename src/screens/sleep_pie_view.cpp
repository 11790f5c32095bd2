// SPDX-License-Identifier: MIT
// The view of one night's pie: a pie layer as its content, slices pulled out by a tap.
#include "screens/sleep_pie_view.h"

#include <cmath>

namespace vantro {

SleepPieView::SleepPieView(UiContext& ui, Rect frame) : View(ui, frame), m_layer(std::make_unique<PieLayer>(ui)) {
    m_layer->setBounds(bounds());
    m_layer->setDisplayHandler([this] { setNeedsDisplay(); });
    setup();
}

void SleepPieView::setup() {
    m_layer->setMaxRadius(100, 20, false);
    m_layer->setAnimationDuration(0.6f);
    m_layer->setShowTitles(1);
    // The screen's pixel scale is the host's business: the canvas draws at device resolution.
}

void SleepPieView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    m_layer->setBounds({0, 0, frame.width, frame.height});
}

void SleepPieView::drawRect(Canvas& canvas, const Rect&) {
    m_layer->presentation()->drawInContext(canvas);
}

void SleepPieView::handleTap(const TapGesture& tap) {
    if (tap.state != TapGesture::kRecognized) return;
    const auto element = m_layer->pieElemInPoint(tap.location);
    if (!element) return;
    const auto target = element->centrOffset() > 0 ? nullptr : element;
    const PieValues values = m_layer->values();
    PieElement::animateChanges([&] {
        for (const auto& e : values) e->setCentrOffset(e == target ? kPulledOffset : 0);
    });
}

void SleepPieView::touchesBegan(const std::vector<Touch>& touches) {
    m_tapStart = touches.empty() ? std::nullopt : std::optional<Point>(touches.front().locationInView(*this));
}

void SleepPieView::touchesMoved(const std::vector<Touch>& touches) {
    if (!m_tapStart || touches.empty()) return;
    const Point p = touches.front().locationInView(*this);
    if (std::hypot(p.x - m_tapStart->x, p.y - m_tapStart->y) > kTapSlop) m_tapStart.reset();
}

void SleepPieView::touchesEnded(const std::vector<Touch>& touches) {
    touchesMoved(touches);
    if (!m_tapStart || touches.empty()) return;
    m_tapStart.reset();
    handleTap({TapGesture::kRecognized, touches.front().locationInView(*this)});
}

void SleepPieView::touchesCancelled(const std::vector<Touch>&) {
    m_tapStart.reset();
}

}  // namespace vantro
