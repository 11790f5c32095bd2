// SPDX-License-Identifier: MIT
#include "charts/bar_chart_footer_view.h"
#include "charts/bar_chart_view.h"
#include "charts/chart_header_view.h"

#include "ui_fixture.h"

#include <cmath>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct Source : BarChartViewDataSource, BarChartViewDelegate {
    std::vector<float> heights;
    std::optional<std::int32_t> padding;
    std::vector<std::int32_t> selected;
    std::vector<std::int32_t> unselected;
    std::int32_t numberOfBarsInBarChartView(BarChartView&) override {
        return static_cast<std::int32_t>(heights.size());
    }
    std::optional<std::int32_t> barPaddingForBarChartView(BarChartView&) override { return padding; }
    float heightForBarViewAtAtIndex(BarChartView&, std::int32_t i) override {
        return heights.at(static_cast<std::size_t>(i));
    }
    void didSelectBarAtIndex(BarChartView&, std::int32_t i) override { selected.push_back(i); }
    void didUnselectBarAtIndex(BarChartView&, std::int32_t i) override { unselected.push_back(i); }
};

struct BarChartTest : UiFixture {
    Source source;
    std::shared_ptr<BarChartView> chart = std::make_shared<BarChartView>(ui, Rect{0, 0, 300, 360});
    std::shared_ptr<ChartHeaderView> header = std::make_shared<ChartHeaderView>(ui, Rect{10, 190, 280, 60});
    std::shared_ptr<BarChartFooterView> footer = std::make_shared<BarChartFooterView>(ui, Rect{10, 167, 280, 25});

    /// The worked example: 300 × 360, padding 1, header 60, footer 25, header padding 10.
    void build(std::vector<float> heights, std::optional<std::int32_t> padding = 1) {
        source.heights = std::move(heights);
        source.padding = padding;
        chart->setDelegate(&source);
        chart->setDataSource(&source);
        chart->setHeaderPadding(10);
        chart->setHeaderView(header);
        chart->setFooterView(footer);
        chart->reloadData();
    }
    Rect bar(std::size_t i) const {
        EXPECT_LT(i, chart->barCount());
        return chart->barFrame(i);
    }
    Rect shown(std::size_t i) const { return chart->presentationBarFrame(i); }
    void touch(void (BarChartView::*event)(const std::vector<Touch>&), double x, double y = 100) {
        (chart.get()->*event)({Touch{{x, y}}});
    }
};

}  // namespace

TEST_F(BarChartTest, WorkedExampleScalesAndPlacesTheBars) {
    build({10, 20, 40});
    EXPECT_NEAR(chart->barWidth(), 298.0 / 3, 1e-4);
    // Heights scale to the 265 points between header and footer: 10 of 40 is 66.25.
    expectRectNear(bar(0), {0, 360 - 66.25 - 25 + 10, 298.0 / 3, 66.25});
    expectRectNear(bar(2), {2 * (298.0 / 3 + 1), 80, 298.0 / 3, 265});
    // Header across the top, footer across the bottom, full width, own heights.
    EXPECT_EQ(header->frame(), (Rect{0, 0, 300, 60}));
    EXPECT_EQ(footer->frame(), (Rect{0, 335, 300, 25}));
    // Bottom edges 10 points below the footer's top.
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(bar(i).maxY(), 345, 1e-4);
}

TEST_F(BarChartTest, DrawingOrderBarsThenBandThenFooter) {
    build({1, 2});
    ASSERT_EQ(chart->barViews().size(), 2u);
    EXPECT_EQ(chart->subviews(), (std::vector<std::shared_ptr<View>>{header, chart->barViews()[0], chart->barViews()[1],
                                                                     chart->selectionView(), footer}));
    EXPECT_EQ(chart->selectionView()->frame(), (Rect{0, 0, 149.5, 360}));
    EXPECT_EQ(chart->selectionView()->alpha(), 0);
    // A reload replaces bars and band and keeps the order.
    source.heights = {5, 5, 5};
    chart->reloadData();
    EXPECT_EQ(chart->subviews().size(), 6u);
    EXPECT_EQ(chart->subviews().back(), footer);
}

TEST_F(BarChartTest, HitTestingWidensByHalfThePaddingAndTheLeftBarWins) {
    build({1, 1, 1}, 6);                                  // width 96, half-padding 3
    EXPECT_EQ(chart->barViewIndexForPoint({101, 0}), 1);  // 1 point left of bar 1's edge (102)
    EXPECT_EQ(chart->barViewIndexForPoint({99, 0}), 0);   // inside both widened ranges
    EXPECT_EQ(chart->barViewIndexForPoint({98.9, 0}), 0);
    EXPECT_EQ(chart->barViewIndexForPoint({300, 0}), 2);
    EXPECT_EQ(chart->barViewIndexForPoint({-0.1, 0}), -1);
    EXPECT_EQ(chart->barViewIndexForPoint({300.1, 0}), -1);
    EXPECT_EQ(chart->barViewIndexForPoint({NAN, 0}), -1);
    EXPECT_EQ(chart->barViewForForPoint({150, 999}), chart->barViews()[1]);  // y is not looked at
    EXPECT_EQ(chart->barViewForForPoint({-5, 0}), nullptr);

    build({1, 1, 1}, 1);  // half-padding ceil(0.5) = 1: every gap belongs to the left bar
    const double w = 298.0 / 3;
    EXPECT_EQ(chart->barViewIndexForPoint({w + 0.5, 0}), 0);
    EXPECT_EQ(chart->barViewIndexForPoint({w + 1, 0}), 0);
    EXPECT_EQ(chart->barViewIndexForPoint({w + 1.01 + 1, 0}), 1);
}

TEST_F(BarChartTest, TouchesSelectMoveTheBandAndReportTheLiftedIndex) {
    build({10, 20, 40});
    touch(&BarChartView::touchesBegan, 150);
    EXPECT_EQ(source.selected, std::vector<std::int32_t>{1});
    EXPECT_TRUE(chart->selectionViewVisible());
    EXPECT_NEAR(chart->selectionView()->frame().x, bar(1).x, 1e-9);
    EXPECT_EQ(chart->selectionView()->frame().height, 360);
    step(0.125);
    EXPECT_NEAR(chart->selectionView()->presentationAlpha(), 0.5, 1e-9);
    touch(&BarChartView::touchesMoved, 250);
    EXPECT_EQ(source.selected, (std::vector<std::int32_t>{1, 2}));
    touch(&BarChartView::touchesMoved, 400);  // off the chart: hides the band, selects nothing
    EXPECT_EQ(source.selected.size(), 2u);
    EXPECT_FALSE(chart->selectionViewVisible());
    touch(&BarChartView::touchesEnded, 20);
    EXPECT_EQ(source.unselected, std::vector<std::int32_t>{0});
    touch(&BarChartView::touchesBegan, 50);
    touch(&BarChartView::touchesEnded, -3);
    EXPECT_EQ(source.unselected, (std::vector<std::int32_t>{0, -1}));
    step(0.3);
    EXPECT_EQ(chart->selectionView()->presentationAlpha(), 0);
    touch(&BarChartView::touchesCancelled, 50);
    EXPECT_EQ(source.unselected.size(), 2u);
}

TEST_F(BarChartTest, CollapsedTouchesAreIgnored) {
    build({10, 20, 40});
    chart->setState(BarChartView::kStateCollapsed);
    touch(&BarChartView::touchesBegan, 150);
    touch(&BarChartView::touchesEnded, 150);
    EXPECT_TRUE(source.selected.empty());
    EXPECT_TRUE(source.unselected.empty());
}

TEST_F(BarChartTest, StateWithoutAnimationMovesAtOnceAndCallsBack) {
    build({10, 20, 40});
    const Rect expanded = bar(1);
    int called = 0;
    chart->setState(1, false, [&] { ++called; });
    EXPECT_EQ(bar(1).y, 360);
    EXPECT_EQ(bar(1).height, expanded.height);
    chart->setState(7, false, [&] { ++called; });  // other states leave the bars
    EXPECT_EQ(bar(1).y, 360);
    chart->setState(0, false, [&] { ++called; });
    EXPECT_NEAR(bar(1).y, expanded.y, 1e-4);
    EXPECT_EQ(called, 3);
}

TEST_F(BarChartTest, CollapseWaveRisesThenDropsBarByBar) {
    build({10, 20, 40});
    const double base = 360 - 25;
    const Rect start1 = bar(1);
    int called = 0;
    chart->setState(1, true, [&] { ++called; });
    EXPECT_EQ(chart->state(), 1);
    // Bar 1 waits 0.025 s, showing where it was.
    step(0.02);
    EXPECT_NEAR(shown(1).y, start1.y, 1e-9);
    // Bar 0 is halfway up at 0.025 (ease-in-ease-out is symmetric).
    step(0.005);
    EXPECT_NEAR(shown(0).y, (278.75 + 268.75) / 2, 1e-6);  // from 278.75 towards 335 − 66.25
    // Bar 1 ends its rise at 0.075 (first tick after: 0.0833) and then drops.
    step(0.05);
    EXPECT_NEAR(shown(1).y, base - start1.height, 1e-6);
    step(0.0833 - 0.075 + 0.001);
    EXPECT_EQ(bar(1).y, 360);  // the drop has started
    EXPECT_LT(shown(1).y, 360);
    EXPECT_EQ(called, 0);
    // The last bar's drop ends at 0.15.
    step(0.15 - 0.0843 - 0.002);
    EXPECT_EQ(called, 0);
    step(0.005);
    EXPECT_EQ(called, 1);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(shown(i).y, 360);
    step(1);
    EXPECT_EQ(called, 1);
    EXPECT_FALSE(ui.animator().isTicking());
}

TEST_F(BarChartTest, ExpandWaveSettlesTenPointsBelowTheFooterTop) {
    build({10, 20, 40});
    const Rect expanded = bar(2);
    chart->setState(1);
    bool called = false;
    chart->setState(0, true, [&] { called = true; });
    step(0.105);  // bar 2's rise (0.05–0.10) is over: its bottom on the footer's top, just settling
    EXPECT_NEAR(shown(2).maxY(), 335, 0.5);
    step(0.05);
    EXPECT_TRUE(called);
    EXPECT_NEAR(bar(2).y, expanded.y, 1e-4);
    EXPECT_NEAR(shown(2).maxY(), 345, 1e-4);
}

TEST_F(BarChartTest, AnimatedChangeWithoutBarsNeverCallsBack) {
    build({});
    bool called = false;
    chart->setState(1, true, [&] { called = true; });
    step(1);
    EXPECT_FALSE(called);
    chart->setState(0, false, [&] { called = true; });
    EXPECT_TRUE(called);
}

TEST_F(BarChartTest, EmptyZeroAndBadHeightsNeverMakeBadFrames) {
    build({}, std::nullopt);  // no division by the zero bar count
    EXPECT_EQ(chart->barWidth(), 0);
    EXPECT_EQ(chart->barPadding(), 0);
    EXPECT_EQ(chart->maxHeight(), 0);
    EXPECT_EQ(chart->selectionView()->frame(), (Rect{0, 0, 0, 360}));
    touch(&BarChartView::touchesBegan, 10);
    EXPECT_TRUE(source.selected.empty());

    build({0, 0, 0});
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(bar(i).height, 0);  // 10 − header padding
        EXPECT_EQ(bar(i).y, 345);
    }

    build({NAN, -5, 20, INFINITY}, std::nullopt);
    EXPECT_EQ(chart->maxHeight(), 20);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(bar(i).isFinite()) << i;
        EXPECT_FLOAT_EQ(static_cast<float>(bar(i).height), i == 2 ? 265 : 0) << i;
    }
}

TEST_F(BarChartTest, DestroyedChartIgnoresItsPendingWave) {
    build({1, 2, 3});
    bool called = false;
    chart->setState(1, true, [&] { called = true; });
    std::vector<std::shared_ptr<View>> bars = chart->barViews();  // the bars outlive the chart
    chart.reset();
    step(1);
    EXPECT_FALSE(called);
}

TEST_F(BarChartTest, EveryBarStaysInsideTheChartForAnyNumberOfDays) {
    std::vector<std::size_t> counts;
    for (std::size_t n = 1; n <= 700; ++n) counts.push_back(n);
    for (std::size_t n = 701; n <= 10000; n += 331) counts.push_back(n);
    counts.push_back(10000);
    for (const std::size_t n : counts) {
        build(std::vector<float>(n, 1));
        ASSERT_EQ(chart->barCount(), n);
        double lastX = -1;
        for (std::size_t i = 0; i < n; ++i) {
            const Rect f = bar(i);
            ASSERT_TRUE(f.minX() >= 0 && f.maxX() <= 300 && f.x > lastX) << n << " bars, bar " << i;
            lastX = f.x;
        }
        ASSERT_EQ(chart->barViewIndexForPoint({300, 0}), static_cast<std::int32_t>(n - 1)) << n << " bars";
        // Bars at least a point wide keep the one-point gaps.
        if (n <= 150) {
            ASSERT_NEAR(bar(n - 1).x, (n - 1) * (chart->barWidth() + 1.0), 1e-3) << n << " bars";
        }
    }
}
