// SPDX-License-Identifier: MIT
// A rectangle on screen with subviews, drawing, touches and animatable frame and alpha.
#include "charts/view.h"

#include <algorithm>

namespace vantro {

Point Touch::locationInView(const View& view) const {
    return view.convertFromRoot(rootLocation);
}

View::View(UiContext& ui, Rect frame) : Animatable(ui.animator()), m_ui(ui), m_frame(frame) {}

View::~View() {
    for (auto& s : m_subviews) s->m_superview = nullptr;
}

void View::setFrame(const Rect& frame) {
    if (frame.width != m_frame.width || frame.height != m_frame.height) {
        m_needsLayout = true;
        m_needsDisplay = true;
    }
    m_ui.animator().recordChange(*this, "frame");
    m_frame = frame;
}

void View::setBounds(const Rect& bounds) {
    m_boundsOrigin = bounds.origin();
    setFrame({m_frame.x, m_frame.y, bounds.width, bounds.height});
}

void View::setAlpha(double alpha) {
    m_ui.animator().recordChange(*this, "alpha");
    m_alpha = alpha;
}

void View::setHidden(bool hidden) {
    m_hidden = hidden;
}

void View::setBackgroundColor(std::optional<Color> color) {
    m_background = color;
    m_needsDisplay = true;
}

Rect View::presentationFrame() const {
    if (!hasAnimations()) return m_frame;
    const AnimValue v = presentationValue("frame");
    const Rect* r = std::get_if<Rect>(&v);
    return r ? *r : m_frame;
}

double View::presentationAlpha() const {
    if (!hasAnimations()) return m_alpha;
    const AnimValue v = presentationValue("alpha");
    const double* a = std::get_if<double>(&v);
    return a ? *a : m_alpha;
}

AnimValue View::modelValue(std::string_view keyPath) const {
    if (keyPath == "frame") return m_frame;
    if (keyPath == "alpha") return m_alpha;
    if (keyPath == "bounds") return bounds();
    return std::any{};
}

std::size_t View::indexOfSubview(const View* view) const {
    // From the top: the views we insert below usually sit there.
    for (std::size_t i = m_subviews.size(); i-- > 0;)
        if (m_subviews[i].get() == view) return i;
    return static_cast<std::size_t>(-1);
}

void View::attach(const std::shared_ptr<View>& view, std::size_t index) {
    index = std::min(index, m_subviews.size());
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->m_superview = this;
}

void View::addSubview(const std::shared_ptr<View>& view) {
    if (!view || view.get() == this) return;
    const std::shared_ptr<View> keep = view;
    keep->removeFromSuperview();
    attach(keep, m_subviews.size());
}

void View::insertSubviewBelow(const std::shared_ptr<View>& view, const View* sibling) {
    if (!view || view.get() == this) return;
    const std::shared_ptr<View> keep = view;
    keep->removeFromSuperview();
    attach(keep, sibling ? indexOfSubview(sibling) : m_subviews.size());
}

void View::removeFromSuperview() {
    if (!m_superview) return;
    auto& siblings = m_superview->m_subviews;
    const std::size_t i = m_superview->indexOfSubview(this);
    std::shared_ptr<View> keep;  // this view may have no other owner; it dies when we return
    if (i < siblings.size()) {
        keep = std::move(siblings[i]);
        siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(i));
    }
    m_superview = nullptr;
}

void View::removeSubviews(const std::vector<std::shared_ptr<View>>& views) {
    // A sorted list rather than a hash set: one allocation for thousands of bars instead of one each.
    std::vector<const View*> gone;
    gone.reserve(views.size());
    for (const auto& v : views)
        if (v && v->m_superview == this) gone.push_back(v.get());
    if (gone.empty()) return;
    std::sort(gone.begin(), gone.end());
    std::vector<std::shared_ptr<View>> keep;  // released after the list is consistent again
    keep.reserve(gone.size());
    auto it = std::stable_partition(m_subviews.begin(), m_subviews.end(), [&](const auto& v) {
        return !std::binary_search(gone.begin(), gone.end(), v.get());
    });
    for (auto j = it; j != m_subviews.end(); ++j) {
        (*j)->m_superview = nullptr;
        keep.push_back(std::move(*j));
    }
    m_subviews.erase(it, m_subviews.end());
}

void View::layoutIfNeeded() {
    if (m_needsLayout) {
        m_needsLayout = false;
        layoutSubviews();
    }
    // Layout may add or remove subviews; walk a snapshot.
    const auto subviews = m_subviews;
    for (const auto& s : subviews) s->layoutIfNeeded();
}

void View::drawRect(Canvas&, const Rect&) {}

void View::render(Canvas& canvas) {
    layoutIfNeeded();
    renderWithAlpha(canvas, 1.0);
}

void View::renderWithAlpha(Canvas& canvas, double parentAlpha) {
    if (m_hidden) return;
    const double alpha = parentAlpha * presentationAlpha();
    if (!(alpha > 0)) return;  // nothing of it would show
    const Rect f = presentationFrame();
    if (!f.isFinite()) return;
    canvas.save();
    canvas.translate(f.x - m_boundsOrigin.x, f.y - m_boundsOrigin.y);
    canvas.setAlpha(alpha);
    const Rect local{m_boundsOrigin.x, m_boundsOrigin.y, f.width, f.height};
    if (m_clips) canvas.clipToRect(local);
    if (m_background && m_background->a > 0) canvas.fillRect(local, *m_background);
    drawRect(canvas, local);
    m_needsDisplay = false;
    for (const auto& s : m_subviews) s->renderWithAlpha(canvas, alpha);
    canvas.restore();
}

bool View::pointInside(Point point) const {
    return bounds().contains(point);
}

View* View::hitTest(Point point) {
    if (m_hidden || !m_interactive || !(m_alpha >= 0.01) || !pointInside(point)) return nullptr;
    for (auto it = m_subviews.rbegin(); it != m_subviews.rend(); ++it) {
        const View& s = **it;
        const Point local{point.x - s.m_frame.x + s.m_boundsOrigin.x, point.y - s.m_frame.y + s.m_boundsOrigin.y};
        if (View* hit = (*it)->hitTest(local)) return hit;
    }
    return this;
}

Point View::convertFromRoot(Point point) const {
    if (!m_superview) return point;
    const Point p = m_superview->convertFromRoot(point);
    return {p.x - m_frame.x + m_boundsOrigin.x, p.y - m_frame.y + m_boundsOrigin.y};
}

Point View::toRoot(Point point) const {
    if (!m_superview) return point;
    return m_superview->toRoot({point.x + m_frame.x - m_boundsOrigin.x, point.y + m_frame.y - m_boundsOrigin.y});
}

Point View::convertPoint(Point point, const View& other) const {
    return other.convertFromRoot(toRoot(point));
}

void View::touchesBegan(const std::vector<Touch>& touches) {
    if (m_superview) m_superview->touchesBegan(touches);
}

void View::touchesMoved(const std::vector<Touch>& touches) {
    if (m_superview) m_superview->touchesMoved(touches);
}

void View::touchesEnded(const std::vector<Touch>& touches) {
    if (m_superview) m_superview->touchesEnded(touches);
}

void View::touchesCancelled(const std::vector<Touch>& touches) {
    if (m_superview) m_superview->touchesCancelled(touches);
}

void TouchRouter::began(Point rootLocation) {
    View* hit = m_root.hitTest(rootLocation);
    m_target = hit ? hit->weak_from_this() : std::weak_ptr<View>{};
    if (auto target = m_target.lock()) target->touchesBegan({Touch{rootLocation}});
}

void TouchRouter::moved(Point rootLocation) {
    if (auto target = m_target.lock()) target->touchesMoved({Touch{rootLocation}});
}

void TouchRouter::ended(Point rootLocation) {
    auto target = m_target.lock();
    m_target.reset();
    if (target) target->touchesEnded({Touch{rootLocation}});
}

void TouchRouter::cancelled(Point rootLocation) {
    auto target = m_target.lock();
    m_target.reset();
    if (target) target->touchesCancelled({Touch{rootLocation}});
}

}  // namespace vantro
