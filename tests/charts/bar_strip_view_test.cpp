// SPDX-License-Identifier: MIT
// Bars under a point wide have no views: the strip that draws them must show exactly what the bar
// views showed, at rest and in every frame of the wave, and touches must find the same bars.
#include "charts/bar_chart_footer_view.h"
#include "charts/bar_chart_view.h"
#include "charts/chart_header_view.h"
#include "platform/recording_canvas.h"

#include "ui_fixture.h"

#include <cmath>

using namespace vantro;
using namespace vantro::testing;

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
