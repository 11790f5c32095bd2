// SPDX-License-Identifier: MIT
// Bars too thin to deserve a view each, drawn and moved as one view.
#pragma once

#include "charts/view.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantro {

/// Holds many bars as plain rectangles and draws each exactly as a bar view with that frame and
/// background would be drawn. The bar chart's wave moves them as it moves bar views (a rise to
/// the footer, then a drop or a settle, each step starting on the animator's tick after the
/// previous one ended), but with one animation for all of them instead of two per bar: ten years
/// of days are 3,653 bars under a tenth of a point wide each.
class BarStripView : public View {
public:
    /// Covers its superview (the chart); the bars' frames are in the superview's coordinates.
    BarStripView(UiContext& ui, Rect frame);
    ~BarStripView() override;

    /// Replaces every bar; a wave still running is dropped without its callback, as bar views that
    /// go away take their animations with them.
    void setBars(std::vector<Rect> frames, std::vector<std::optional<Color>> colours);
    std::size_t count() const { return m_bars.size(); }
    /// The stored frame of bar `index` (where it is, or will be when the wave has passed).
    Rect barFrame(std::size_t index) const { return m_bars[index].frame; }
    /// Stores a frame without animation; a step of the wave still running keeps showing its move.
    void setBarFrame(std::size_t index, const Rect& frame) { m_bars[index].frame = frame; }
    /// Where bar `index` is on screen now.
    Rect presentationBarFrame(std::size_t index) const;
    const std::optional<Color>& barColor(std::size_t index) const { return m_bars[index].colour; }

    /// The wave: bar i starts rising to y = base − its height after `delay(i)`, taking `stepDuration`
    /// from where it is on screen; then moves to `settle(frame)` (no move when absent). `done` runs when
    /// the last bar has settled.
    void runWave(double base, double stepDuration, const std::function<double(std::size_t)>& delay,
                 std::function<std::optional<double>(const Rect&)> settle, std::function<void()> done);
    bool waveRunning() const { return m_wave != nullptr; }
    /// Ends a running wave at once, without its callback: every bar stands at its stored frame.
    void stopWave();

    void drawRect(Canvas& canvas, const Rect& rect) override;

private:
    struct Step {
        Rect from;
        Rect to;
        double begin = 0;
        double duration = 0;
    };
    struct Bar {
        Rect frame;
        std::optional<Color> colour;
        int phase = 0;  // 0: still, 1: rising, 2: settling
        Step step;
    };
    struct Wave;
    /// Ends the steps that are due, starts the ones that follow, and sleeps until the next is due.
    void advance();
    void scheduleNext();

    std::vector<Bar> m_bars;
    std::shared_ptr<Wave> m_wave;
};

}  // namespace vantro
