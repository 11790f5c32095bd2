// SPDX-License-Identifier: MIT
// The view of one night's pie: a pie layer as its content, slices pulled out by a tap.
#pragma once

#include "charts/pie_layer.h"
#include "charts/view.h"

#include <memory>

namespace vantro {

/// What a tap recogniser reports: its state (3 = recognised) and where, in the view.
struct TapGesture {
    static constexpr int kRecognized = 3;
    int state = kRecognized;
    Point location;
};

/// Draws its pie layer as it is on screen; the layer always has the view's bounds.
class SleepPieView : public View {
public:
    static constexpr float kPulledOffset = 20;
    /// A finger that moves further than this is not a tap.
    static constexpr double kTapSlop = 10;

    explicit SleepPieView(UiContext& ui, Rect frame = {});

    PieLayer& layer() { return *m_layer; }
    const PieLayer& layer() const { return *m_layer; }

    /// Ring of radius 100 around a hole of 20, 0.6 s animations, titles of marked slices.
    void setup();
    /// A recognised tap on a slice pulls it out and puts any other back; a tap on the pulled-out
    /// slice puts it back. A tap on no slice changes nothing.
    void handleTap(const TapGesture& tap);

    void setFrame(const Rect& frame) override;
    void drawRect(Canvas& canvas, const Rect& rect) override;
    void touchesBegan(const std::vector<Touch>& touches) override;
    void touchesMoved(const std::vector<Touch>& touches) override;
    void touchesEnded(const std::vector<Touch>& touches) override;
    void touchesCancelled(const std::vector<Touch>& touches) override;

private:
    std::unique_ptr<PieLayer> m_layer;
    std::optional<Point> m_tapStart;
};

}  // namespace vantro
