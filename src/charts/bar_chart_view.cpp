// SPDX-License-Identifier: MIT
// A bar chart: scaled bars between header and footer, touch selection, collapse and expand waves.
#include "charts/bar_chart_view.h"

#include <algorithm>
#include <cmath>

namespace vantro {

BarChartView::BarChartView(UiContext& ui, Rect frame) : ChartView(ui, frame) {}

BarChartView::~BarChartView() {
    // The strip may outlive the chart (a caller can hold it); its wave asks the chart where to settle.
    if (m_strip) m_strip->stopWave();
}

double BarChartView::footerHeight() const {
    return footerView() ? footerView()->frame().height : 0;
}

double BarChartView::headerHeight() const {
    return headerView() ? headerView()->frame().height : 0;
}

void BarChartView::insertBelowFooter(const std::shared_ptr<View>& view) {
    const auto& footer = footerView();
    if (footer && footer->superview() == this) {
        insertSubviewBelow(view, footer.get());
    } else {
        addSubview(view);
    }
}

void BarChartView::reloadData() {
    // Data.
    m_cachedMaxHeight = -1;
    const std::int32_t n = m_dataSource ? std::max(0, m_dataSource->numberOfBarsInBarChartView(*this)) : 0;
    std::vector<float> data;
    data.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
        data.push_back(m_delegate ? m_delegate->heightForBarViewAtAtIndex(*this, i) : 0);
    m_chartData = std::move(data);

    // Padding.
    const auto padding = m_dataSource ? m_dataSource->barPaddingForBarChartView(*this) : std::nullopt;
    if (padding) {
        m_barPadding = static_cast<float>(*padding);
    } else {
        m_barPadding = m_chartData.empty() ? 0.0f : 50.0f / static_cast<float>(m_chartData.size());
    }
    // Past a few hundred bars the gaps alone outgrow the chart and the newest bars would be pushed off
    // its right edge; the bars then close up and share the width evenly instead.
    if (!m_chartData.empty() && barWidth() < 1) m_barPadding = 0;

    layOutBars(n);

    // Selection band: above the bars, below the footer, transparent until a touch.
    const Rect b = bounds();
    const double footerH = footerHeight();
    const float width = barWidth();
    if (m_selectionView) m_selectionView->removeFromSuperview();
    m_selectionView = std::make_shared<ChartSelectionView>(ui(), Rect{0, 0, width, b.height});
    m_selectionView->setAlpha(0);
    if (m_dataSource) m_selectionView->setBgColor(m_dataSource->selectionBarColorForBarChartView(*this));
    insertBelowFooter(m_selectionView);

    if (const auto& header = headerView()) header->setFrame({b.x, b.y, b.width, header->frame().height});
    if (const auto& footer = footerView()) footer->setFrame({b.x, b.height - footerH, b.width, footerH});
}

void BarChartView::layOutBars(std::int32_t n) {
    removeSubviews(m_barViews);
    m_barViews.clear();
    const Rect b = bounds();
    const double footerH = footerHeight();
    const float width = barWidth();
    const float pad = headerPadding();
    const bool shared = n > 0 && width < m_ownViewMinWidth;
    std::vector<Rect> frames;
    std::vector<std::optional<Color>> colours;
    if (shared) {
        frames.reserve(static_cast<std::size_t>(n));
        colours.reserve(static_cast<std::size_t>(n));
    } else {
        m_barViews.reserve(static_cast<std::size_t>(n));
    }
    const double step = static_cast<double>(width) + m_barPadding;
    for (std::int32_t p = 0; p < n; ++p) {
        const double h = normalizedHeightForRawHeight(m_chartData[static_cast<std::size_t>(p)]);
        // The bottom edge sits 10 points below the footer's top, hidden behind it.
        // Rounding must neither carry the last bar past the right edge nor leave it short of it.
        const double x = std::min(p * step, b.width);
        double w = std::min(static_cast<double>(width), b.width - x);
        if (p == n - 1 && std::abs(b.width - x - w) < 1e-3) w = b.width - x;
        const Rect frame{x, b.height - h - footerH + pad, w, std::max(0.0, h + 10 - pad)};
        if (shared) {
            // Under a point wide a bar is its colour: a supplied view only lends its background.
            std::optional<Color> colour = m_dataSource ? m_dataSource->barColorForBarChartView(*this, p) : std::nullopt;
            if (!colour) {
                const auto supplied = m_dataSource ? m_dataSource->barViewForBarChartView(*this, p) : nullptr;
                colour = supplied ? supplied->backgroundColor() : std::optional<Color>(kDefaultBarColor);
            }
            frames.push_back(frame);
            colours.push_back(colour);
            continue;
        }
        std::shared_ptr<View> bar = m_dataSource ? m_dataSource->barViewForBarChartView(*this, p) : nullptr;
        if (!bar) {
            bar = std::make_shared<View>(ui());
            const auto colour = m_dataSource ? m_dataSource->barColorForBarChartView(*this, p) : std::nullopt;
            bar->setBackgroundColor(colour.value_or(kDefaultBarColor));
        }
        bar->setFrame(frame);
        insertBelowFooter(bar);
        m_barViews.push_back(std::move(bar));
    }
    if (!shared) {
        if (m_strip) m_strip->removeFromSuperview();
        m_strip.reset();
        return;
    }
    if (!m_strip) m_strip = std::make_shared<BarStripView>(ui(), b);
    // Its own coordinates are the chart's, so the bars' frames need no conversion.
    m_strip->setFrame(b);
    m_strip->setBounds(b);
    m_strip->setBars(std::move(frames), std::move(colours));
    insertBelowFooter(m_strip);
}

Rect BarChartView::barFrame(std::size_t index) const {
    if (index < m_barViews.size()) return m_barViews[index]->frame();
    return m_strip && index < m_strip->count() ? m_strip->barFrame(index) : Rect{};
}

Rect BarChartView::presentationBarFrame(std::size_t index) const {
    if (index < m_barViews.size()) return m_barViews[index]->presentationFrame();
    return m_strip && index < m_strip->count() ? m_strip->presentationBarFrame(index) : Rect{};
}

float BarChartView::availableHeight() const {
    return static_cast<float>(bounds().height - headerHeight() - footerHeight() - headerPadding());
}

float BarChartView::maxHeight() {
    if (m_cachedMaxHeight == -1) {
        float best = 0;
        bool any = false;
        for (float h : m_chartData) {
            if (!std::isfinite(h)) continue;  // a NaN would poison the scale of every bar
            if (!any || h > best) best = h;
            any = true;
        }
        m_cachedMaxHeight = any ? best : 0;
    }
    return m_cachedMaxHeight;
}

float BarChartView::normalizedHeightForRawHeight(float raw) {
    const float range = maxHeight() - minHeight();
    if (!(range > 0) || !std::isfinite(raw)) return 0;
    const float h = (raw - minHeight()) / range * availableHeight();
    return h > 0 ? h : 0;
}

float BarChartView::barWidth() const {
    const auto k = static_cast<float>(m_chartData.size());
    if (k < 1) return 0;
    const float w = (static_cast<float>(bounds().width) - (k - 1) * m_barPadding) / k;
    return w > 0 ? w : 0;
}

std::int32_t BarChartView::barViewIndexForPoint(Point point) const {
    const double x = point.x;
    if (!(x >= 0 && x <= bounds().width)) return -1;
    const double half = std::ceil(m_barPadding * 0.5);
    const std::size_t n = barCount();
    for (std::size_t i = 0; i < n; ++i) {
        const Rect f = barFrame(i);
        if (f.minX() - half <= x && x <= f.maxX() + half) return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::shared_ptr<View> BarChartView::barViewForForPoint(Point point) const {
    const std::int32_t i = barViewIndexForPoint(point);
    return i < 0 || static_cast<std::size_t>(i) >= m_barViews.size() ? nullptr
                                                                     : m_barViews[static_cast<std::size_t>(i)];
}

void BarChartView::setSelectionViewVisible(bool visible, bool animated) {
    m_selectionViewVisible = visible;
    if (!m_selectionView) return;
    const double alpha = visible ? 1 : 0;
    if (animated) {
        ui().animator().animate({kSelectionFadeDuration, 0, true}, [&] { m_selectionView->setAlpha(alpha); });
    } else {
        m_selectionView->setAlpha(alpha);
    }
}

bool BarChartView::acceptsTouches() const {
    return m_showsSelection && state() != kStateCollapsed;
}

void BarChartView::selectAt(const std::vector<Touch>& touches) {
    if (!acceptsTouches() || touches.empty()) return;
    const Point p = touches.front().locationInView(*this);
    const std::int32_t index = barViewIndexForPoint(p);
    if (index < 0) {
        setSelectionViewVisible(false, true);
        return;
    }
    const Rect bar = barFrame(static_cast<std::size_t>(index));
    if (m_selectionView) {
        const Rect band = m_selectionView->frame();
        m_selectionView->setFrame({bar.x, band.y, band.width, band.height});
    }
    setSelectionViewVisible(true, true);
    if (m_delegate) m_delegate->didSelectBarAtIndex(*this, index);
}

void BarChartView::touchesBegan(const std::vector<Touch>& touches) {
    selectAt(touches);
}

void BarChartView::touchesMoved(const std::vector<Touch>& touches) {
    selectAt(touches);
}

void BarChartView::touchesEnded(const std::vector<Touch>& touches) {
    if (!acceptsTouches() || touches.empty()) return;
    setSelectionViewVisible(false, true);
    const std::int32_t index = barViewIndexForPoint(touches.front().locationInView(*this));
    if (m_delegate) m_delegate->didUnselectBarAtIndex(*this, index);
}

void BarChartView::setState(std::int32_t state, bool animated, std::function<void()> callback) {
    ChartView::setState(state, animated, callback);
    if (animated) {
        runWave(state, callback);
        return;
    }
    const double height = bounds().height;
    const double footerH = footerHeight();
    const auto moved = [&](Rect f) {
        if (state == kStateCollapsed) {
            f.y = height;
        } else if (state == kStateExpanded) {
            f.y = height + 10 - (f.height + footerH);
        }
        return f;
    };
    for (const auto& bar : m_barViews) bar->setFrame(moved(bar->frame()));
    if (m_strip)
        for (std::size_t i = 0; i < m_strip->count(); ++i) m_strip->setBarFrame(i, moved(m_strip->barFrame(i)));
    if (callback) callback();
}

double BarChartView::waveDelay(std::size_t index, std::size_t count) {
    const double step =
        count > 1 ? std::min(kWaveDelayPerBar, kWaveMaxDelay / static_cast<double>(count - 1)) : kWaveDelayPerBar;
    return static_cast<double>(index) * step;
}

void BarChartView::runWave(std::int32_t state, const std::function<void()>& callback) {
    Animator& animator = ui().animator();
    const double base = bounds().height - footerHeight();
    const std::weak_ptr<int> alive = m_alive;
    if (m_strip) {
        const std::size_t count = m_strip->count();
        m_strip->runWave(
            base, kWaveStepDuration, [count](std::size_t i) { return waveDelay(i, count); },
            [this, state, base](const Rect& f) -> std::optional<double> {
                if (state == kStateCollapsed) return bounds().height;
                if (state == kStateExpanded) return base - f.height + 10;
                return std::nullopt;
            },
            callback);
    }
    for (std::size_t i = 0; i < m_barViews.size(); ++i) {
        const std::weak_ptr<View> weakBar = m_barViews[i];
        View& bar = *m_barViews[i];
        // First every bar rises until its bottom meets the footer's top, one after the other.
        animator.animate(
            {kWaveStepDuration, waveDelay(i, m_barViews.size()), true},
            [&bar, base] {
                Rect f = bar.frame();
                f.y = base - f.height;
                bar.setFrame(f);
            },
            [this, alive, weakBar, i, state, base, callback](bool) {
                auto bar = weakBar.lock();
                if (alive.expired() || !bar) return;
                // Then it drops out of sight or settles 10 points lower into its place.
                ui().animator().animate(
                    {kWaveStepDuration, 0, true},
                    [&] {
                        Rect f = bar->frame();
                        if (state == kStateCollapsed) {
                            f.y = bounds().height;
                        } else if (state == kStateExpanded) {
                            f.y = base - f.height + 10;
                        }
                        bar->setFrame(f);
                    },
                    [this, alive, i, callback](bool) {
                        if (alive.expired()) return;
                        if (i + 1 == m_barViews.size() && callback) callback();
                    });
            });
    }
}

}  // namespace vantro
