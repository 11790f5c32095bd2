// SPDX-License-Identifier: MIT
#include "charts/bar_chart_footer_view.h"
#include "charts/bar_chart_view.h"
#include "charts/chart_header_view.h"
#include "platform/recording_canvas.h"

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

// Bars under a point wide have no views: the strip that draws them must show exactly what the bar
// views showed, at rest and in every frame of the wave, and touches must find the same bars.
namespace {

// Ten years of days, coloured like the history's alternating bars, some of them see-through.
struct Days : BarChartViewDataSource, BarChartViewDelegate {
    std::vector<float> heights;
    bool suppliesViews = false;  // the older way: a view per bar with the colour as its background
    UiContext* ui = nullptr;
    int selected = -2;
    static Color colour(std::int32_t i) {
        const Color c = i % 2 == 0 ? Color::rgb255(8, 188, 239) : Color::rgb255(52, 178, 52);
        return i % 97 == 5 ? c.withAlpha(0.45f) : c;
    }
    std::int32_t numberOfBarsInBarChartView(BarChartView&) override {
        return static_cast<std::int32_t>(heights.size());
    }
    std::optional<std::int32_t> barPaddingForBarChartView(BarChartView&) override { return 1; }
    std::optional<Color> barColorForBarChartView(BarChartView&, std::int32_t i) override {
        if (suppliesViews) return std::nullopt;
        return colour(i);
    }
    std::shared_ptr<View> barViewForBarChartView(BarChartView&, std::int32_t i) override {
        if (!suppliesViews) return nullptr;
        auto v = std::make_shared<View>(*ui);
        v->setBackgroundColor(colour(i));
        return v;
    }
    float heightForBarViewAtAtIndex(BarChartView&, std::int32_t i) override {
        return heights.at(static_cast<std::size_t>(i));
    }
    void didSelectBarAtIndex(BarChartView&, std::int32_t i) override { selected = i; }
};

struct Fill {
    AffineTransform transform;
    double alpha;
    Rect rect;
    Color color;
    bool operator==(const Fill& o) const {
        const auto& t = transform;
        const auto& u = o.transform;
        return t.a == u.a && t.b == u.b && t.c == u.c && t.d == u.d && t.tx == u.tx && t.ty == u.ty &&
               alpha == o.alpha && rect == o.rect && color == o.color;
    }
};

struct StripTest : UiFixture {
    Days ownDays, sharedDays;
    std::shared_ptr<BarChartView> own, shared;

    std::shared_ptr<BarChartView> makeChart(Days& days, float ownViewMinWidth) {
        days.ui = &ui;
        auto chart = std::make_shared<BarChartView>(ui, Rect{10, 10, 300, 360});
        chart->setOwnViewMinWidth(ownViewMinWidth);
        chart->setBackgroundColor(Color::rgb255(38, 43, 51));
        chart->setAlpha(0.6);  // the strip's bars take the alpha their views would have had
        chart->setHeaderPadding(22);
        chart->setDelegate(&days);
        chart->setDataSource(&days);
        auto header = std::make_shared<ChartHeaderView>(ui, Rect{0, 0, 300, 60});
        header->titleLabel()->setText("STEP HISTORY");
        chart->setHeaderView(header);
        chart->setFooterView(std::make_shared<BarChartFooterView>(ui, Rect{0, 0, 300, 25}));
        chart->reloadData();
        return chart;
    }
    /// `own` gives every bar a view, as the chart always did; `shared` draws thin bars with the strip.
    void build(std::size_t days, bool suppliedViews = false) {
        std::vector<float> heights;
        for (std::size_t i = 0; i < days; ++i) heights.push_back(static_cast<float>((i * 7919) % 20000));
        ownDays.heights = sharedDays.heights = heights;
        ownDays.suppliesViews = sharedDays.suppliesViews = suppliedViews;
        own = makeChart(ownDays, 0);
        shared = makeChart(sharedDays, BarChartView::kOwnViewMinWidth);
    }
    static std::vector<Fill> fills(BarChartView& chart) {
        RecordingCanvas canvas;
        chart.render(canvas);
        std::vector<Fill> out;
        for (const CanvasOp* op : canvas.opsOf(CanvasOp::Kind::FillRect))
            out.push_back({op->transform, op->alpha, op->rect, op->color});
        return out;
    }
    /// The same frames, bar for bar, and (unless only the frames are asked for) the same picture, fill for fill.
    void expectSameDrawing(const char* when, bool framesOnly = false) {
        ASSERT_EQ(own->barCount(), shared->barCount()) << when;
        for (std::size_t i = 0; i < own->barCount(); ++i) {
            ASSERT_EQ(own->barFrame(i), shared->barFrame(i)) << when << ", bar " << i;
            ASSERT_EQ(own->presentationBarFrame(i), shared->presentationBarFrame(i)) << when << ", bar " << i;
        }
        if (framesOnly) return;
        const std::vector<Fill> a = fills(*own), b = fills(*shared);
        ASSERT_EQ(a.size(), b.size()) << when;
        for (std::size_t i = 0; i < a.size(); ++i) ASSERT_TRUE(a[i] == b[i]) << when << ", fill " << i;
    }
};

TEST_F(StripTest, TenYearsOfThinBarsHaveNoViewsAndDrawAsTheBarViewsDid) {
    build(3653);
    ASSERT_LT(shared->barWidth(), 1);
    EXPECT_EQ(own->barViews().size(), 3653u);
    EXPECT_TRUE(shared->barViews().empty());
    ASSERT_NE(shared->barStrip(), nullptr);
    EXPECT_EQ(shared->barStrip()->count(), 3653u);
    // Bars lowest, then the band, then the footer.
    const auto& subs = shared->subviews();
    ASSERT_EQ(subs.size(), 4u);
    EXPECT_EQ(subs[1], shared->barStrip());
    EXPECT_EQ(subs[2], shared->selectionView());
    expectSameDrawing("at rest");

    // A range switch: collapse at once, then the wave, frame by frame, with one callback at the same tick.
    int ownDone = 0, sharedDone = 0;
    for (auto* chart : {own.get(), shared.get()}) chart->setState(BarChartView::kStateCollapsed);
    expectSameDrawing("collapsed");
    own->setState(BarChartView::kStateExpanded, true, [&] { ++ownDone; });
    shared->setState(BarChartView::kStateExpanded, true, [&] { ++sharedDone; });
    // One animation for all of them, not two per bar.
    EXPECT_EQ(shared->barStrip()->animationKeys(), std::vector<std::string>{"wave"});
    for (int frame = 0; frame < 150; ++frame) {
        step(1.0 / 60);
        // Every frame's bars, every seventh frame's whole picture (recording ten years of fills is slow).
        expectSameDrawing(("expanding, frame " + std::to_string(frame)).c_str(), frame % 7 != 3);
        ASSERT_EQ(ownDone, sharedDone) << "frame " << frame;
    }
    EXPECT_EQ(sharedDone, 1);
    EXPECT_FALSE(shared->barStrip()->waveRunning());
    EXPECT_FALSE(ui.animator().isTicking());

    // The other way, started off the frame clock, and cut short by a reload that drops it silently.
    step(0.0071);
    own->setState(BarChartView::kStateCollapsed, true, [&] { ++ownDone; });
    shared->setState(BarChartView::kStateCollapsed, true, [&] { ++sharedDone; });
    for (int frame = 0; frame < 40; ++frame) {
        step(1.0 / 60);
        expectSameDrawing(("collapsing, frame " + std::to_string(frame)).c_str(), frame % 7 != 3);
    }
    own->reloadData();
    shared->reloadData();
    step(2);
    expectSameDrawing("reloaded");
    EXPECT_EQ(ownDone, 1);
    EXPECT_EQ(sharedDone, 1);
}

TEST_F(StripTest, SuppliedViewsLendTheirColourToThinBars) {
    build(800, true);
    ASSERT_TRUE(shared->barViews().empty());
    expectSameDrawing("at rest");
    for (auto* chart : {own.get(), shared.get()}) chart->setState(BarChartView::kStateExpanded, true, nullptr);
    for (int frame = 0; frame < 20; ++frame) {
        step(1.0 / 60);
        expectSameDrawing("expanding", frame % 5 != 2);
    }
}

TEST_F(StripTest, TouchesFindTheSameThinBarsAndTheBandFollows) {
    build(3653);
    for (double x : {0.0, 0.04, 55.5, 150.0, 299.97, 300.0}) {
        EXPECT_EQ(own->barViewIndexForPoint({x, 0}), shared->barViewIndexForPoint({x, 0})) << x;
        shared->touchesBegan({Touch{{x, 200}}});  // the chart is the root here
        ASSERT_GE(sharedDays.selected, 0) << x;
        EXPECT_EQ(shared->selectionView()->frame().x,
                  shared->barFrame(static_cast<std::size_t>(sharedDays.selected)).x);
        EXPECT_EQ(shared->barViewForForPoint({x, 0}), nullptr);  // a strip bar has no view to give
    }
    EXPECT_EQ(shared->barViewIndexForPoint({300, 0}), 3652);
}

TEST_F(StripTest, FewWideBarsKeepTheirOwnViews) {
    build(200);  // (300 − 199) / 200 ≈ 0.5 wide with one-point gaps: the gaps close and the bars widen
    EXPECT_GE(shared->barWidth(), 1);
    EXPECT_EQ(shared->barViews().size(), 200u);
    EXPECT_EQ(shared->barStrip(), nullptr);
    // From many days back to few: the strip goes away with the last thin bar.
    build(3653);
    ASSERT_NE(shared->barStrip(), nullptr);
    sharedDays.heights.resize(7);
    shared->reloadData();
    EXPECT_EQ(shared->barStrip(), nullptr);
    EXPECT_EQ(shared->barViews().size(), 7u);
    EXPECT_EQ(shared->subviews().size(), 7u + 3u);
}

TEST_F(StripTest, ADestroyedChartEndsTheStripsWaveQuietly) {
    build(1000);
    bool called = false;
    shared->setState(BarChartView::kStateCollapsed, true, [&] { called = true; });
    const std::shared_ptr<BarStripView> strip = shared->barStrip();  // outlives the chart
    shared.reset();
    step(3);
    EXPECT_FALSE(called);
    EXPECT_FALSE(strip->waveRunning());
}

}  // namespace
