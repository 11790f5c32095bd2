// SPDX-License-Identifier: MIT
// A drawing layer that shows pie elements as a ring-shaped pie, animated when they change.
#pragma once

#include "charts/animatable.h"
#include "charts/pie_element.h"
#include "charts/timing_function.h"
#include "charts/ui_context.h"
#include "platform/canvas.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantro {

/// Slices proportional to their values between an inner and an outer radius over an angle range
/// (degrees, counter-clockwise on screen from 3 o'clock), pulled out by `centrOffset`, with titles
/// outside the ring. Changes made inside PieElement::animateChanges, and animated inserts and
/// deletes, are merged per run-loop turn into one animation that starts on the next turn.
///
/// Animatable key paths: "values", "maxRadius", "minRadius", "startAngle", "endAngle".
class PieLayer : public Animatable {
public:
    static constexpr const char* kValuesKey = "animationValues";
    static constexpr const char* kAnglesKey = "animationStartEndAngle";
    static constexpr const char* kRadiiKey = "animationMaxMinRadius";
    /// Keyframes per second of a value animation.
    static constexpr int kFramesPerSecond = 36;
    /// A bound on frames so an absurd duration cannot exhaust memory (100 s worth).
    static constexpr int kMaxFrames = 3600;

    explicit PieLayer(UiContext& ui);
    ~PieLayer() override;
    PieLayer& operator=(const PieLayer&) = delete;

    /// The layer as on screen now: stored properties with every running animation applied.
    std::unique_ptr<PieLayer> presentation() const;
    bool isPresentationCopy() const { return !m_isNotCopyForAnimation; }

    // Properties.
    const PieValues& values() const { return m_values; }
    float maxRadius() const { return m_maxRadius; }
    float minRadius() const { return m_minRadius; }
    float startAngle() const { return m_startAngle; }
    float endAngle() const { return m_endAngle; }
    std::int32_t showTitles() const { return m_showTitles; }
    void setShowTitles(std::int32_t showTitles);
    using TitleBlock = std::function<std::string(const PieElement&)>;
    const TitleBlock& transformTitleBlock() const { return m_transformTitleBlock; }
    void setTransformTitleBlock(TitleBlock block);
    const Font& font() const { return m_font; }
    void setFont(Font font);
    const std::optional<std::vector<int>>& deletingIndexes() const { return m_deletingIndexes; }
    bool isFakeAngleAnimation() const { return m_isFakeAngleAnimation; }
    float animationDuration() const { return m_animationDuration; }
    void setAnimationDuration(float seconds) { m_animationDuration = seconds; }
    Rect bounds() const { return m_bounds; }
    void setBounds(const Rect& bounds);

    // Pending animation (absent when nothing is pending).
    const std::optional<PieValues>& animationBeginState() const { return m_beginState; }
    const std::optional<PieValues>& animationEndState() const { return m_endState; }
    const std::optional<std::vector<int>>& animationDeletingIndexes() const { return m_pendingDeleting; }

    /// Redraw requests; the hosting view repaints on them.
    void setNeedsDisplay();
    void setDisplayHandler(std::function<void()> handler) { m_displayHandler = std::move(handler); }
    int displayRequests() const { return m_displayRequests; }

    // Inserting and deleting.
    void addValues(const PieValues& values, bool animated);
    /// `indexes` are the target positions, one per element; lists of different lengths are refused.
    void insertValues(const PieValues& values, const std::vector<int>& indexes, bool animated);
    void deleteValues(const PieValues& values, bool animated);

    // Element notifications.
    void pieElementUpdate() { setNeedsDisplay(); }
    void pieElementWillAnimateUpdate();

    // Animation.
    bool performDelayedAnimation();
    void delayedAnimateChanges();
    void animateFromValues(const PieValues& from, const PieValues& to, const TimingFunction& curve);
    /// A grow (true) or shrink (false) sweep of the angle range. The shrink freezes `frozen`, or
    /// the list on screen when none is given.
    void animateStartAngleEndAngleFillUp(bool fillUp, const TimingFunction& curve, const PieValues* frozen = nullptr);
    void animateFromStartAngle(float fromStart, float toStart, float fromEnd, float toEnd);
    void setStartAngle(float startAngle, float endAngle, bool animated);
    void setMaxRadius(float maxRadius, float minRadius, bool animated);
    void animationDidStop(const Animation& animation, bool finished);

    // Drawing and hit testing.
    void drawInContext(Canvas& canvas) const;
    /// The element of `values` under a point in the layer's coordinates (y down), or none.
    std::shared_ptr<PieElement> pieElemInPoint(Point point) const;
    /// Start and end angle of every slice of `values`, in degrees as drawn; empty when nothing is drawn.
    std::vector<std::pair<double, double>> sliceAnglesInDegrees() const;
    /// The outline of one slice between angles a and b (radians, y up), as drawn and hit-tested.
    static Path sliceOutline(Point centre, double minRadius, double maxRadius, double a, double b);
    /// Where a title of size `text` goes for angle θ (radians, y down) and radius r around `centre`.
    static Rect titleRect(Point centre, double theta, double radius, Size text);
    /// Where each title is drawn (y down), in `values` order; absent for a title that is not drawn.
    /// A title placed by `titleRect` that would cover a slice or an earlier title moves straight out
    /// along its direction until it is clear; the others stay where `titleRect` puts them.
    std::vector<std::optional<Rect>> titleRects(const TextMeasurer& text) const;

    AnimValue modelValue(std::string_view keyPath) const override;

private:
    PieLayer(const PieLayer& other);  // presentation copies only
    void setValues(PieValues values);
    void applyPresentation(PieLayer& copy) const;
    bool drawable() const;
    void drawValuesText(Canvas& canvas) const;
    std::string titleText(const PieElement& e) const;
    void addKeyframes(std::vector<AnimValue> frames, const TimingFunction& curve);

    UiContext& m_ui;
    PieValues m_values;
    float m_maxRadius;
    float m_minRadius = 0;
    float m_startAngle = 0;
    float m_endAngle = 360;
    std::int32_t m_showTitles = 0;
    TitleBlock m_transformTitleBlock;
    Font m_font;
    std::optional<std::vector<int>> m_deletingIndexes;
    bool m_isFakeAngleAnimation = false;

    bool m_isNotCopyForAnimation = true;
    float m_animationDuration = 0.6f;
    std::optional<PieValues> m_beginState;
    std::optional<PieValues> m_endState;
    std::optional<std::vector<int>> m_pendingDeleting;

    Rect m_bounds;
    TimerId m_pendingCall = 0;
    std::function<void()> m_displayHandler;
    int m_displayRequests = 0;
};

}  // namespace vantro
