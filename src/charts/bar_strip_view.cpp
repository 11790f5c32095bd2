// SPDX-License-Identifier: MIT
// Bars too thin to deserve a view each, drawn and moved as one view.
#include "charts/bar_strip_view.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace vantro {
namespace {

constexpr const char* kWaveKey = "wave";
// The animator ends what is due this much early; the bars' steps end by the same rule.
constexpr double kDueSlack = 1e-9;
// The strip wakes a little before the next step is due, never after it, whatever the rounding.
constexpr double kWakeEarly = 1e-7;

/// Animates nothing: it only keeps the animator ticking and wakes the strip when it ends.
class Alarm : public Animation {
public:
    bool animatesKeyPath(std::string_view) const override { return false; }
    void collectKeyPaths(std::vector<std::string>&) const override {}
    bool valueAt(std::string_view, double, AnimValue&) const override { return false; }
};

bool due(double now, double begin, double duration) {
    return now >= begin + duration - kDueSlack;
}

}  // namespace

struct BarStripView::Wave {
    double duration = 0;
    std::function<std::optional<double>(const Rect&)> settle;
    std::function<void()> done;
};

BarStripView::BarStripView(UiContext& ui, Rect frame) : View(ui, frame) {
    setUserInteractionEnabled(false);  // touches belong to the chart below
}

BarStripView::~BarStripView() = default;

void BarStripView::stopWave() {
    m_wave.reset();
    removeAnimation(kWaveKey);
    for (Bar& bar : m_bars) bar.phase = 0;
}

void BarStripView::setBars(std::vector<Rect> frames, std::vector<std::optional<Color>> colours) {
    stopWave();
    m_bars.clear();
    m_bars.resize(frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        m_bars[i].frame = frames[i];
        if (i < colours.size()) m_bars[i].colour = colours[i];
    }
    setNeedsDisplay();
}

Rect BarStripView::presentationBarFrame(std::size_t index) const {
    const Bar& bar = m_bars[index];
    if (bar.phase == 0) return bar.frame;
    // As a view's presentation: the start during the delay, the stored frame once the step is over.
    const double local = ui().animator().now() - bar.step.begin;
    double progress = 0;
    if (local >= 0) {
        if (!(bar.step.duration > 0) || local >= bar.step.duration - kDueSlack) return bar.frame;
        progress = local / bar.step.duration;
    }
    static const TimingFunction curve = ViewAnimationOptions{}.curve;
    return std::get<Rect>(interpolate(bar.step.from, bar.step.to, curve.valueAt(progress)));
}

void BarStripView::runWave(double base, double stepDuration, const std::function<double(std::size_t)>& delay,
                           std::function<std::optional<double>(const Rect&)> settle, std::function<void()> done) {
    if (m_wave && m_wave->done) {
        // A wave cut short still reports, on a later turn, as the bar views' stopped steps do.
        ui().runLoop().post(std::move(m_wave->done));
    }
    removeAnimation(kWaveKey);
    m_wave.reset();
    if (m_bars.empty() || !(stepDuration > 0)) return;
    auto wave = std::make_shared<Wave>();
    wave->duration = stepDuration;
    wave->settle = std::move(settle);
    wave->done = std::move(done);
    const double now = ui().animator().now();
    for (std::size_t i = 0; i < m_bars.size(); ++i) {
        Bar& bar = m_bars[i];
        const Rect from = presentationBarFrame(i);
        bar.frame.y = base - bar.frame.height;
        const double d = delay(i);
        bar.step = {from, bar.frame, now + (d > 0 ? d : 0), stepDuration};
        bar.phase = 1;
    }
    m_wave = std::move(wave);
    scheduleNext();
}

void BarStripView::advance() {
    if (!m_wave) return;
    const std::shared_ptr<Wave> wave = m_wave;
    const double now = ui().animator().now();
    bool lastSettled = false;
    for (std::size_t i = 0; i < m_bars.size(); ++i) {
        Bar& bar = m_bars[i];
        if (bar.phase == 0 || !due(now, bar.step.begin, bar.step.duration)) continue;
        if (bar.phase == 1) {
            // The rise is over: the settle starts now from where the bar stands.
            const Rect from = bar.frame;
            const std::optional<double> y = wave->settle(bar.frame);
            if (y) {
                bar.frame.y = *y;
                bar.step = {from, bar.frame, now, wave->duration};
                bar.phase = 2;
                continue;
            }
            // Nothing to settle: like an animation block without changes, it completes on the next turn.
            bar.phase = 0;
            if (i + 1 == m_bars.size() && wave->done) ui().runLoop().post(std::exchange(wave->done, nullptr));
            continue;
        }
        bar.phase = 0;
        if (i + 1 == m_bars.size()) lastSettled = true;
    }
    const bool running = std::any_of(m_bars.begin(), m_bars.end(), [](const Bar& b) { return b.phase != 0; });
    if (!running) m_wave.reset();
    if (lastSettled && wave->done) {
        auto done = std::move(wave->done);
        wave->done = nullptr;
        done();
    }
    if (running && m_wave == wave) scheduleNext();
}

void BarStripView::scheduleNext() {
    double next = std::numeric_limits<double>::infinity();
    for (const Bar& bar : m_bars)
        if (bar.phase != 0) next = std::min(next, bar.step.begin + bar.step.duration);
    if (!(next < std::numeric_limits<double>::infinity())) return;
    auto alarm = std::make_shared<Alarm>();
    alarm->duration = std::max(0.0, next - ui().animator().now() - kWakeEarly);
    const std::weak_ptr<Wave> wave = m_wave;
    alarm->didStop = [this, wave](const Animation&, bool finished) {
        // Only the strip's own alarm running out wakes it; one that was replaced or removed does not.
        if (finished && !wave.expired() && wave.lock() == m_wave) advance();
    };
    addAnimation(std::move(alarm), kWaveKey);
}

void BarStripView::drawRect(Canvas& canvas, const Rect&) {
    // The calls a bar view makes for its background, with the same transform and alpha: the strip's
    // own alpha (set by the view machinery) is the one each bar view would have set.
    for (std::size_t i = 0; i < m_bars.size(); ++i) {
        const std::optional<Color>& colour = m_bars[i].colour;
        if (!colour || !(colour->a > 0)) continue;
        const Rect f = presentationBarFrame(i);
        if (!f.isFinite()) continue;
        canvas.save();
        canvas.translate(f.x, f.y);
        canvas.fillRect({0, 0, f.width, f.height}, *colour);
        canvas.restore();
    }
}

}  // namespace vantro
