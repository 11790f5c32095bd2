// SPDX-License-Identifier: MIT
// A rectangle on screen with subviews, drawing, touches and animatable frame and alpha.
#pragma once

#include "charts/animatable.h"
#include "charts/ui_context.h"
#include "platform/canvas.h"

#include <memory>
#include <optional>
#include <vector>

namespace vantro {

class View;

/// One finger; the location is kept in the root view's coordinates.
struct Touch {
    Point rootLocation;
    /// The location in `view`'s own (bounds) coordinates.
    Point locationInView(const View& view) const;
};

/// A view: frame in its superview, bounds, alpha, hidden, background, clipping, ordered subviews
/// (first drawn first), layout, drawing and touches. "frame" and "alpha" animate: set them inside
/// Animator::animate. Views are shared (std::make_shared); a superview owns its subviews.
class View : public Animatable, public std::enable_shared_from_this<View> {
public:
    explicit View(UiContext& ui, Rect frame = {});
    ~View() override;

    UiContext& ui() const { return m_ui; }

    Rect frame() const { return m_frame; }
    virtual void setFrame(const Rect& frame);
    /// Own coordinates: the bounds origin (usually 0, 0) and the frame's size.
    Rect bounds() const { return {m_boundsOrigin.x, m_boundsOrigin.y, m_frame.width, m_frame.height}; }
    void setBounds(const Rect& bounds);
    double alpha() const { return m_alpha; }
    void setAlpha(double alpha);
    bool isHidden() const { return m_hidden; }
    virtual void setHidden(bool hidden);
    const std::optional<Color>& backgroundColor() const { return m_background; }
    void setBackgroundColor(std::optional<Color> color);
    bool clipsToBounds() const { return m_clips; }
    void setClipsToBounds(bool clips) { m_clips = clips; }
    bool isUserInteractionEnabled() const { return m_interactive; }
    void setUserInteractionEnabled(bool enabled) { m_interactive = enabled; }

    /// What is on screen now: the stored value with running animations applied.
    Rect presentationFrame() const;
    double presentationAlpha() const;

    View* superview() const { return m_superview; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return m_subviews; }
    /// Adds on top; a view already elsewhere moves here.
    void addSubview(const std::shared_ptr<View>& view);
    /// Places `view` just below `sibling` in drawing order; on top when `sibling` is not a subview.
    void insertSubviewBelow(const std::shared_ptr<View>& view, const View* sibling);
    void removeFromSuperview();
    /// Removes many subviews in one pass (a reload replaces thousands of bars).
    void removeSubviews(const std::vector<std::shared_ptr<View>>& views);
    std::size_t indexOfSubview(const View* view) const;

    void setNeedsLayout() { m_needsLayout = true; }
    bool needsLayout() const { return m_needsLayout; }
    /// Lays out this view (when asked to) and then its subviews.
    void layoutIfNeeded();
    virtual void layoutSubviews() {}

    void setNeedsDisplay() { m_needsDisplay = true; }
    bool needsDisplay() const { return m_needsDisplay; }
    /// Draws the view's own content in its bounds; the background is already filled.
    virtual void drawRect(Canvas& canvas, const Rect& rect);
    /// Draws this view and its subviews as they are on screen, in the canvas's current space
    /// (the superview's coordinates).
    void render(Canvas& canvas);

    /// The deepest visible, interactive view containing `point` (in this view's coordinates).
    View* hitTest(Point point);
    virtual bool pointInside(Point point) const;
    /// From the root's coordinates into this view's.
    Point convertFromRoot(Point point) const;
    /// From this view's coordinates into `other`'s (both in one tree).
    Point convertPoint(Point point, const View& other) const;

    /// Touch events; by default each passes to the superview, as an unhandled event does.
    virtual void touchesBegan(const std::vector<Touch>& touches);
    virtual void touchesMoved(const std::vector<Touch>& touches);
    virtual void touchesEnded(const std::vector<Touch>& touches);
    virtual void touchesCancelled(const std::vector<Touch>& touches);

    AnimValue modelValue(std::string_view keyPath) const override;

private:
    void attach(const std::shared_ptr<View>& view, std::size_t index);
    void renderWithAlpha(Canvas& canvas, double parentAlpha);
    Point toRoot(Point point) const;

    UiContext& m_ui;
    Rect m_frame;
    Point m_boundsOrigin;
    double m_alpha = 1;
    bool m_hidden = false;
    std::optional<Color> m_background;
    bool m_clips = false;
    bool m_interactive = true;
    bool m_needsLayout = true;
    bool m_needsDisplay = true;
    View* m_superview = nullptr;
    std::vector<std::shared_ptr<View>> m_subviews;
};

/// Routes a finger to the view it began on, as a window does: moves and the end go to that view
/// even when the finger leaves it.
class TouchRouter {
public:
    explicit TouchRouter(View& root) : m_root(root) {}
    void began(Point rootLocation);
    void moved(Point rootLocation);
    void ended(Point rootLocation);
    void cancelled(Point rootLocation);

private:
    View& m_root;
    std::weak_ptr<View> m_target;
};

}  // namespace vantro
