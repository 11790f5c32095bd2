// SPDX-License-Identifier: MIT
// A bar chart: scaled bars between header and footer, touch selection, collapse and expand waves.
#pragma once

#include "charts/bar_strip_view.h"
#include "charts/chart_selection_view.h"
#include "charts/chart_view.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vantro {

class BarChartView;

/// Supplies the bars. Only the count is required; the others fall back when they answer nothing.
class BarChartViewDataSource {
public:
    virtual ~BarChartViewDataSource() = default;
    virtual std::int32_t numberOfBarsInBarChartView(BarChartView& chart) = 0;
    /// Points between neighbouring bars; absent: 50 / number of bars.
    virtual std::optional<std::int32_t> barPaddingForBarChartView(BarChartView&) { return std::nullopt; }
    /// The view to use as bar `index`; null: a plain view in the bar's colour.
    virtual std::shared_ptr<View> barViewForBarChartView(BarChartView&, std::int32_t /*index*/) { return nullptr; }
    /// The colour of bar `index` when the chart makes its view or draws it without one; absent: the view's
    /// background, else the default bar colour.
    virtual std::optional<Color> barColorForBarChartView(BarChartView&, std::int32_t /*index*/) { return std::nullopt; }
    /// The colour of the selection band; absent: the band's default.
    virtual std::optional<Color> selectionBarColorForBarChartView(BarChartView&) { return std::nullopt; }
};

/// Supplies heights and hears about selection.
class BarChartViewDelegate {
public:
    virtual ~BarChartViewDelegate() = default;
    virtual float heightForBarViewAtAtIndex(BarChartView& chart, std::int32_t index) = 0;
    /// A bar is under the finger.
    virtual void didSelectBarAtIndex(BarChartView&, std::int32_t /*index*/) {}
    /// The finger was lifted; the index under it then, or −1.
    virtual void didUnselectBarAtIndex(BarChartView&, std::int32_t /*index*/) {}
};

/// State 0 is expanded (bars in place), 1 collapsed (bars below the bottom edge).
///
/// A bar at least one point wide is a view of its own. Narrower bars (past a few hundred of them)
/// have no view and no animations of their own: one strip under the band draws them and runs their
/// wave, with the same frames, colours and motion.
class BarChartView : public ChartView {
public:
    /// Bars narrower than this share the strip.
    static constexpr float kOwnViewMinWidth = 1;
    static constexpr Color kDefaultBarColor = Color::black();
    static constexpr std::int32_t kStateExpanded = 0;
    static constexpr std::int32_t kStateCollapsed = 1;
    static constexpr double kSelectionFadeDuration = 0.25;
    static constexpr double kWaveStepDuration = 0.05;
    static constexpr double kWaveDelayPerBar = 0.025;
    /// The latest start of a bar in the wave: with many bars they follow each other faster, so ten
    /// years of days settle within a second and a half instead of a minute and a half.
    static constexpr double kWaveMaxDelay = 1.0;
    /// When bar `index` of `count` starts to move in the wave.
    static double waveDelay(std::size_t index, std::size_t count);

    explicit BarChartView(UiContext& ui, Rect frame = {});
    ~BarChartView() override;

    bool showsSelection() const { return m_showsSelection; }
    void setShowsSelection(bool shows) { m_showsSelection = shows; }
    bool selectionViewVisible() const { return m_selectionViewVisible; }
    /// Not owned.
    BarChartViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(BarChartViewDelegate* delegate) { m_delegate = delegate; }
    BarChartViewDataSource* dataSource() const { return m_dataSource; }
    void setDataSource(BarChartViewDataSource* dataSource) { m_dataSource = dataSource; }
    /// Raw height by bar index, as read at the last reload.
    const std::vector<float>& chartDataDictionary() const { return m_chartData; }
    /// The bars' views, in index order; empty when the bars are drawn by the strip.
    const std::vector<std::shared_ptr<View>>& barViews() const { return m_barViews; }
    /// The number of bars, with or without views.
    std::size_t barCount() const { return m_barViews.empty() ? (m_strip ? m_strip->count() : 0) : m_barViews.size(); }
    /// The stored frame of bar `index` in the chart's coordinates.
    Rect barFrame(std::size_t index) const;
    /// Where bar `index` is on screen now, in the chart's coordinates.
    Rect presentationBarFrame(std::size_t index) const;
    /// The strip that draws bars without views; null when every bar has a view.
    const std::shared_ptr<BarStripView>& barStrip() const { return m_strip; }
    /// Bars narrower than `width` go to the strip (kOwnViewMinWidth unless set); 0 gives every bar a view.
    void setOwnViewMinWidth(float width) { m_ownViewMinWidth = width; }
    float barPadding() const { return m_barPadding; }
    float cachedMaxHeight() const { return m_cachedMaxHeight; }
    const std::shared_ptr<ChartSelectionView>& selectionView() const { return m_selectionView; }

    /// Re-reads every height and rebuilds the bars at their expanded places.
    void reloadData() override;

    float availableHeight() const;
    /// 0 for a raw height that is not a positive number or when nothing is above 0.
    float normalizedHeightForRawHeight(float raw);
    float maxHeight();
    float minHeight() const { return 0; }
    /// Never negative: when the gaps alone are wider than the chart the bars get no width.
    float barWidth() const;

    using ChartView::setState;
    void setState(std::int32_t state, bool animated, std::function<void()> callback) override;

    /// By x alone, widened by half the padding each side; the first match wins. −1 when none.
    std::int32_t barViewIndexForPoint(Point point) const;
    /// Null also for a bar drawn by the strip.
    std::shared_ptr<View> barViewForForPoint(Point point) const;
    void setSelectionViewVisible(bool visible, bool animated);
    void setSelectionViewVisible(bool visible) { setSelectionViewVisible(visible, false); }

    void touchesBegan(const std::vector<Touch>& touches) override;
    void touchesMoved(const std::vector<Touch>& touches) override;
    void touchesEnded(const std::vector<Touch>& touches) override;
    /// A cancelled touch changes nothing.
    void touchesCancelled(const std::vector<Touch>&) override {}

private:
    bool acceptsTouches() const;
    void selectAt(const std::vector<Touch>& touches);
    double footerHeight() const;
    double headerHeight() const;
    void insertBelowFooter(const std::shared_ptr<View>& view);
    void runWave(std::int32_t state, const std::function<void()>& callback);
    void layOutBars(std::int32_t n);
    std::optional<Color> colorOfBar(std::int32_t index, const std::shared_ptr<View>& suppliedView);

    bool m_showsSelection = true;
    bool m_selectionViewVisible = false;
    BarChartViewDelegate* m_delegate = nullptr;
    BarChartViewDataSource* m_dataSource = nullptr;
    std::vector<float> m_chartData;
    std::vector<std::shared_ptr<View>> m_barViews;
    float m_barPadding = 0;
    float m_cachedMaxHeight = -1;
    std::shared_ptr<ChartSelectionView> m_selectionView;
    std::shared_ptr<BarStripView> m_strip;
    float m_ownViewMinWidth = kOwnViewMinWidth;
    // Wave completions still pending when the chart goes away must do nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro
