// SPDX-License-Identifier: MIT
#include "charts/bar_chart_footer_view.h"
#include "charts/chart_header_view.h"
#include "charts/chart_information_view.h"
#include "charts/chart_selection_view.h"
#include "charts/chart_view.h"
#include "platform/recording_canvas.h"

#include "ui_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

struct CountingChart : ChartView {
    using ChartView::ChartView;
    int reloads = 0;
    int validations = 0;
    void reloadData() override { ++reloads; }
    void validateHeaderAndFooterHeights() override { ++validations; }
};

using ChartViewTest = UiFixture;

struct InformationTest : UiFixture {
    std::shared_ptr<ChartInformationView> panel = std::make_shared<ChartInformationView>(ui, Rect{0, 0, 300, 200});

    std::vector<double> contentAlpha() const {
        return {panel->titleLabel()->presentationAlpha(), panel->separatorView()->presentationAlpha(),
                panel->valueView()->valueLabel()->presentationAlpha(),
                panel->valueView()->unitLabel()->presentationAlpha()};
    }
};

}  // namespace

TEST_F(ChartViewTest, SettingHeaderOrFooterReplacesAndReloads) {
    auto chart = std::make_shared<CountingChart>(ui, Rect{0, 0, 300, 360});
    auto first = std::make_shared<View>(ui), second = std::make_shared<View>(ui);
    chart->setHeaderView(first);
    chart->setHeaderView(second);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(second->superview(), chart.get());
    EXPECT_EQ(chart->headerView(), second);
    auto footer = std::make_shared<View>(ui);
    chart->setFooterView(footer);
    EXPECT_EQ(chart->footerView(), footer);
    EXPECT_EQ(chart->reloads, 3);
    EXPECT_EQ(chart->validations, 3);
    chart->setFooterView(nullptr);
    EXPECT_EQ(footer->superview(), nullptr);

    int called = 0;
    chart->setState(1, true, [&] { ++called; });
    EXPECT_EQ(chart->state(), 1);
    EXPECT_EQ(called, 0);  // the base only stores the state
}

TEST_F(ChartViewTest, HeaderLayoutSplitsTitleLineAndSubtitle) {
    auto header = std::make_shared<ChartHeaderView>(ui, Rect{0, 0, 300, 60});
    header->layoutIfNeeded();
    EXPECT_EQ(header->titleLabel()->frame(), (Rect{10, 0, 280, 30}));
    EXPECT_EQ(header->separatorView()->frame(), (Rect{20, 30, 260, 0.5}));
    EXPECT_EQ(header->subtitleLabel()->frame(), (Rect{10, 30.5, 280, 29.5}));
    // Odd heights round the title up.
    header->setFrame({0, 0, 300, 61});
    header->layoutIfNeeded();
    EXPECT_EQ(header->titleLabel()->frame().height, 31);
    EXPECT_EQ(header->subtitleLabel()->frame(), (Rect{10, 31.5, 280, 29.5}));
}

TEST_F(ChartViewTest, FooterLabelsAndTickBand) {
    auto footer = std::make_shared<BarChartFooterView>(ui, Rect{0, 0, 300, 25});
    EXPECT_EQ(footer->polygonView()->frame(), (Rect{0, -8, 300, 33}));

    footer->setPadding(5);
    footer->layoutIfNeeded();
    EXPECT_EQ(footer->leftLabel()->frame(), (Rect{5, 0, 145, 25}));
    EXPECT_EQ(footer->rightLabel()->frame(), (Rect{150, 0, 145, 25}));

    footer->setFooterBackgroundColor(Color::rgb255(1, 2, 3));
    RecordingCanvas canvas;
    footer->polygonView()->drawRect(canvas, footer->polygonView()->bounds());
    const auto clips = canvas.opsOf(CanvasOp::Kind::Clip);
    ASSERT_EQ(clips.size(), 1u);
    const auto& pts = clips[0]->path.elements();
    ASSERT_EQ(pts.size(), 12u);                // 11 points and the close
    EXPECT_EQ(pts[3].point, (Point{13, 0}));   // left tick tip
    EXPECT_EQ(pts[6].point, (Point{287, 0}));  // right tick tip
    EXPECT_EQ(pts[0].point, (Point{0, 33}));
    EXPECT_EQ(pts[8].point, (Point{300, 8}));
    EXPECT_TRUE(clips[0]->path.contains({13, 4}));
    EXPECT_FALSE(clips[0]->path.contains({30, 4}));  // between the ticks, above the band
    const auto gradients = canvas.opsOf(CanvasOp::Kind::Gradient);
    ASSERT_EQ(gradients.size(), 1u);
    EXPECT_EQ(gradients[0]->stops,
              (std::vector<GradientStop>{{0, Color::rgb255(1, 2, 3)}, {1, Color::rgb255(1, 2, 3)}}));
    EXPECT_EQ(gradients[0]->start, (Point{0, 0}));
    EXPECT_EQ(gradients[0]->end, (Point{0, 33}));
}

TEST_F(ChartViewTest, SelectionBandFadesUpwardsInItsColour) {
    ChartSelectionView band(ui, {0, 0, 20, 100});
    RecordingCanvas canvas;
    band.drawRect(canvas, band.bounds());
    const auto fills = canvas.opsOf(CanvasOp::Kind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->color, Color::clear());
    auto gradient = canvas.opsOf(CanvasOp::Kind::Gradient);
    ASSERT_EQ(gradient.size(), 1u);
    EXPECT_EQ(gradient[0]->start, (Point{10, 100}));
    EXPECT_EQ(gradient[0]->end, (Point{10, 0}));
    EXPECT_EQ(gradient[0]->stops, (std::vector<GradientStop>{{0, Color::white()}, {1, Color::white().withAlpha(0)}}));
}

TEST_F(InformationTest, AbsentTitleHidesTheLineAnyTextShowsIt) {
    panel->setTitleText(std::nullopt);
    EXPECT_TRUE(panel->separatorView()->isHidden());
    panel->setTitleText("");
    EXPECT_FALSE(panel->separatorView()->isHidden());
    panel->setTitleText("2014-07-15");
    EXPECT_FALSE(panel->separatorView()->isHidden());
    EXPECT_EQ(panel->titleLabel()->text(), "2014-07-15");
}

TEST_F(InformationTest, ValueAndUnitShareTheMiddle) {
    panel->setValueText("12345", "steps");
    panel->layoutIfNeeded();
    // Value view 280 × 130: w = 130, middle 65; value text 120 high, unit text 72 high.
    EXPECT_EQ(panel->valueView()->valueLabel()->frame(), (Rect{10, 5, 130, 120}));
    EXPECT_EQ(panel->valueView()->unitLabel()->frame(), (Rect{140, 42, 130, 72}));
    panel->setValueText(std::nullopt, std::nullopt);
    panel->layoutIfNeeded();
    EXPECT_EQ(panel->valueView()->valueLabel()->frame(), (Rect{10, 65, 130, 0}));
}

TEST_F(InformationTest, HidingFadesFirstAndMovesAfterwards) {
    panel->setHidden(false);
    EXPECT_EQ(contentAlpha(), (std::vector<double>{1, 1, 1, 1}));
    panel->setHidden(true, true);
    step(0.0625);
    for (double a : contentAlpha()) EXPECT_NEAR(a, 0.5, 1e-9);
    EXPECT_EQ(panel->titleLabel()->presentationFrame(), panel->titleViewRectForHidden(false));
    step(0.08);  // the tick after the fade ends moves the title and line away, unanimated
    EXPECT_EQ(contentAlpha(), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(panel->titleLabel()->frame(), panel->titleViewRectForHidden(true));
    EXPECT_EQ(panel->separatorView()->frame(), panel->separatorViewRectForHidden(true));
    EXPECT_FALSE(panel->titleLabel()->hasAnimations());
}

TEST_F(InformationTest, ShowingMovesAndFadesTogether) {
    panel->setHidden(false, true);
    step(0.125);
    const Rect title = panel->titleLabel()->presentationFrame();
    EXPECT_NEAR(title.y, -20, 1e-9);  // halfway from −50 to 10
    const Rect line = panel->separatorView()->presentationFrame();
    EXPECT_NEAR(line.x, -140, 1e-9);
    for (double a : contentAlpha()) EXPECT_NEAR(a, 0.5, 1e-9);
    step(0.13);
    EXPECT_EQ(panel->titleLabel()->presentationFrame(), panel->titleViewRectForHidden(false));
    EXPECT_EQ(contentAlpha(), (std::vector<double>{1, 1, 1, 1}));
}

TEST_F(InformationTest, ShowDuringTheFadeKeepsTheTitleInPlace) {
    panel->setHidden(false);
    panel->setHidden(true, true);
    step(0.05);
    panel->setHidden(false, true);  // a new bar touched while the old panel fades
    step(0.5);
    EXPECT_EQ(panel->titleLabel()->frame(), panel->titleViewRectForHidden(false));
    EXPECT_EQ(panel->separatorView()->frame(), panel->separatorViewRectForHidden(false));
    EXPECT_EQ(contentAlpha(), (std::vector<double>{1, 1, 1, 1}));
}
