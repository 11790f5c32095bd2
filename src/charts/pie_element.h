// SPDX-License-Identifier: MIT
// One value of the pie with its colour, pull-out and title settings.
#pragma once

#include "platform/geometry.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantro {

class PieLayer;

/// A slice's data. Elements are shared between the caller and the layers that show them; each
/// layer registers in the element so that changes reach it (redraw, or animate inside a group).
class PieElement {
public:
    PieElement() = default;
    PieElement(const PieElement&) = delete;
    PieElement& operator=(const PieElement&) = delete;
    virtual ~PieElement() = default;

    /// `val` and `color` stored as given (a negative value too), everything else at defaults.
    static std::shared_ptr<PieElement> pieElementWithValue(float val, std::optional<Color> color);

    /// Runs `changes` as one animation group: the notifying setters called inside animate.
    /// Nested groups restore the outer state when they return.
    static void animateChanges(const std::function<void()>& changes);
    /// The process-wide group flag.
    static bool isAnimatingGroup() { return s_animationGroup; }
    /// For tests that must start from a clean flag.
    static void resetAnimationGroupFlag() { s_animationGroup = false; }

    /// A new element of the same class, filled with fillWithPieElement (and what the class adds).
    virtual std::shared_ptr<PieElement> copy() const;
    /// Copies value, colour, pull-out, showTitle and titleAlpha; not the layers.
    void fillWithPieElement(const PieElement& other);
    virtual std::string className() const { return "PieElement"; }
    /// "[PieElement: 12.500000]"
    std::string description() const;

    bool showTitle() const { return m_showTitle; }
    float val() const { return m_val; }
    const std::optional<Color>& color() const { return m_color; }
    float centrOffset() const { return m_centrOffset; }
    float titleAlpha() const { return m_titleAlpha; }
    /// Absent until the element is first inserted into a layer.
    const std::optional<std::vector<PieLayer*>>& containsInLayers() const { return m_layers; }

    /// Notifying setters: nothing when the value is unchanged; inside a group the layers prepare an
    /// animation before the value is stored, outside they redraw after. setVal keeps values ≥ 0.
    void setVal(float val);
    void setColor(std::optional<Color> color);
    void setCentrOffset(float offset);
    void setShowTitle(bool show);

    /// Plain setters for animation frames: no notification.
    void setVal_(float val) { m_val = val; }
    void setColor_(std::optional<Color> color) { m_color = color; }
    void setCentrOffset_(float offset) { m_centrOffset = offset; }
    void setTitleAlpha(float alpha) { m_titleAlpha = alpha; }

    void addedToPieLayer(PieLayer* layer);
    /// Removes one entry for `layer`.
    void removedFromLayer(PieLayer* layer);
    void notifyUpdated();
    void notifyPerformForAnimation();

    /// n elements from this one to `to`: copies with value, colour, pull-out and title alpha at
    /// t = k / (n − 1), showTitle of this one. n = 1 gives `to` itself, n ≤ 0 nothing.
    std::vector<std::shared_ptr<PieElement>> animationValuesToPieElement(const std::shared_ptr<PieElement>& to,
                                                                         int capacity) const;
    /// Component-wise c1 + value × (c2 − c1), value clamped to [0, 1]; an absent colour counts as 0.
    static Color colorBetweenColor1(const std::optional<Color>& c1, const std::optional<Color>& c2, float value);

private:
    template <typename T>
    void change(T& field, T value);

    static bool s_animationGroup;

    std::optional<std::vector<PieLayer*>> m_layers;
    bool m_showTitle = false;
    float m_val = 0;
    std::optional<Color> m_color;
    float m_centrOffset = 0;
    float m_titleAlpha = 0;
};

using PieValues = std::vector<std::shared_ptr<PieElement>>;

}  // namespace vantro
