// SPDX-License-Identifier: MIT
#include "charts/bar_chart_footer_view.h"
#include "charts/chart_header_view.h"
#include "charts/chart_information_view.h"
#include "charts/chart_selection_view.h"
#include "charts/chart_view.h"
#include "charts/label.h"
#include "charts/view.h"
#include "platform/recording_canvas.h"

#include "ui_fixture.h"

#include <cmath>

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

struct TouchLog : View {
    using View::View;
    std::vector<std::string> events;
    void touchesBegan(const std::vector<Touch>& t) override { events.push_back(describe("began", t)); }
    void touchesMoved(const std::vector<Touch>& t) override { events.push_back(describe("moved", t)); }
    void touchesEnded(const std::vector<Touch>& t) override { events.push_back(describe("ended", t)); }
    std::string describe(const char* what, const std::vector<Touch>& t) {
        const Point p = t.front().locationInView(*this);
        return std::string(what) + " " + std::to_string(static_cast<int>(p.x)) + "," +
               std::to_string(static_cast<int>(p.y));
    }
};

struct ViewTest : UiFixture {
    std::shared_ptr<View> root = std::make_shared<View>(ui, Rect{0, 0, 320, 480});
};

std::vector<const View*> order(const View& v) {
    std::vector<const View*> out;
    for (const auto& s : v.subviews()) out.push_back(s.get());
    return out;
}

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

TEST_F(ViewTest, SubviewOrderWithInsertBelowAndMoves) {
    auto a = std::make_shared<View>(ui), b = std::make_shared<View>(ui), c = std::make_shared<View>(ui);
    root->addSubview(a);
    root->addSubview(b);
    root->insertSubviewBelow(c, b.get());
    EXPECT_EQ(order(*root), (std::vector<const View*>{a.get(), c.get(), b.get()}));
    root->insertSubviewBelow(b, a.get());  // moving within the same superview
    EXPECT_EQ(order(*root), (std::vector<const View*>{b.get(), a.get(), c.get()}));
    auto other = std::make_shared<View>(ui);
    other->addSubview(a);  // a view has one superview
    EXPECT_EQ(a->superview(), other.get());
    EXPECT_EQ(order(*root), (std::vector<const View*>{b.get(), c.get()}));
    root->insertSubviewBelow(a, nullptr);  // no sibling: on top
    EXPECT_EQ(root->subviews().back(), a);
    root->removeSubviews({b, c});
    EXPECT_EQ(order(*root), (std::vector<const View*>{a.get()}));
    EXPECT_EQ(b->superview(), nullptr);
    root->addSubview(root);  // refused
    EXPECT_EQ(root->superview(), nullptr);
}

TEST_F(ViewTest, HitTestSkipsHiddenTransparentAndInertViews) {
    auto panel = std::make_shared<View>(ui, Rect{10, 10, 100, 100});
    auto child = std::make_shared<View>(ui, Rect{20, 20, 30, 30});
    root->addSubview(panel);
    panel->addSubview(child);
    EXPECT_EQ(root->hitTest({35, 35}), child.get());
    EXPECT_EQ(root->hitTest({15, 15}), panel.get());
    EXPECT_EQ(root->hitTest({400, 15}), nullptr);
    child->setAlpha(0.009);  // next to invisible: not hittable
    EXPECT_EQ(root->hitTest({35, 35}), panel.get());
    child->setAlpha(1);
    child->setHidden(true);
    EXPECT_EQ(root->hitTest({35, 35}), panel.get());
    child->setHidden(false);
    child->setUserInteractionEnabled(false);
    EXPECT_EQ(root->hitTest({35, 35}), panel.get());
    EXPECT_EQ(child->convertFromRoot({35, 35}), (Point{5, 5}));
    EXPECT_EQ(child->convertPoint({0, 0}, *root), (Point{30, 30}));
}

TEST_F(ViewTest, TouchesStayWithTheViewTheyBeganOnAndPassUpByDefault) {
    auto target = std::make_shared<TouchLog>(ui, Rect{100, 100, 50, 50});
    auto inner = std::make_shared<View>(ui, Rect{10, 10, 10, 10});
    root->addSubview(target);
    target->addSubview(inner);
    TouchRouter router(*root);
    router.began({115, 115});  // lands on inner, which passes it up
    router.moved({300, 300});  // outside, still delivered
    router.ended({5, 5});
    router.moved({120, 120});  // no finger down: nothing
    EXPECT_EQ(target->events, (std::vector<std::string>{"began 15,15", "moved 200,200", "ended -95,-95"}));
    router.began({1, 1});  // the root itself ignores it
    router.ended({1, 1});
    EXPECT_EQ(target->events.size(), 3u);
}

TEST_F(ViewTest, RenderDrawsThePresentationWithAlphaAndClipping) {
    auto panel = std::make_shared<View>(ui, Rect{10, 20, 100, 50});
    panel->setBackgroundColor(Color::white());
    panel->setClipsToBounds(true);
    panel->setAlpha(0.5);
    auto child = std::make_shared<View>(ui, Rect{5, 5, 10, 10});
    child->setBackgroundColor(Color::black());
    child->setAlpha(0.5);
    auto hidden = std::make_shared<View>(ui, Rect{0, 0, 10, 10});
    hidden->setBackgroundColor(Color::black());
    hidden->setHidden(true);
    root->addSubview(panel);
    panel->addSubview(child);
    panel->addSubview(hidden);
    RecordingCanvas canvas;
    root->render(canvas);
    const auto fills = canvas.opsOf(CanvasOp::Kind::FillRect);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0]->transform.apply({0, 0}), (Point{10, 20}));
    EXPECT_EQ(fills[0]->alpha, 0.5);
    EXPECT_EQ(fills[1]->transform.apply({0, 0}), (Point{15, 25}));
    EXPECT_EQ(fills[1]->alpha, 0.25);
    ASSERT_EQ(canvas.opsOf(CanvasOp::Kind::ClipRect).size(), 1u);
    EXPECT_EQ(canvas.depth(), 0u);

    // Mid-animation the drawing shows where the view is on screen.
    ui.animator().animate({1.0, 0, false, TimingFunction::linear()}, [&] { panel->setFrame({110, 20, 100, 50}); });
    step(0.5);
    canvas.clear();
    root->render(canvas);
    EXPECT_EQ(canvas.opsOf(CanvasOp::Kind::FillRect)[0]->transform.apply({0, 0}), (Point{60, 20}));
}

TEST_F(ViewTest, LayoutRunsWhenTheSizeChanges) {
    struct Counting : View {
        using View::View;
        int layouts = 0;
        void layoutSubviews() override { ++layouts; }
    };
    auto v = std::make_shared<Counting>(ui, Rect{0, 0, 10, 10});
    root->addSubview(v);
    root->layoutIfNeeded();
    EXPECT_EQ(v->layouts, 1);
    v->setFrame({5, 5, 10, 10});  // moved only
    root->layoutIfNeeded();
    EXPECT_EQ(v->layouts, 1);
    v->setFrame({5, 5, 20, 10});
    root->layoutIfNeeded();
    EXPECT_EQ(v->layouts, 2);
}

TEST_F(ViewTest, AShrunkLabelStillFitsWhereTextComesOnlyInWholeSizes) {
    // As on screen: a font's size is rounded to whole pixels, so a shrunk size of 5.9 draws at 6.
    struct WholeSizes : TextMeasurer {
        Size measureText(std::string_view text, const Font& font) const override {
            Font whole = font;
            whole.size = std::round(font.size);
            return FixedTextMetrics().measureText(text, whole);
        }
    } whole;
    UiContext wholeUi{loop, whole};
    auto label = std::make_shared<Label>(wholeUi, Rect{0, 0, 60, 40});
    label->setFont({"HelveticaNeue", 10});
    label->setText("abcdefghijklmnopq");  // 102 wide at size 10; 5.88 would fit, 6 does not
    label->setAdjustsFontSizeToFitWidth(true);
    RecordingCanvas canvas;
    label->render(canvas);
    const auto texts = canvas.opsOf(CanvasOp::Kind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_LE(whole.measureText("abcdefghijklmnopq", texts[0]->font).width, 60.0);
    EXPECT_GT(texts[0]->font.size, 4.0);  // shrunk no further than it needs
}

TEST_F(ViewTest, LabelCentresShrinksAndShadowsItsText) {
    auto label = std::make_shared<Label>(ui, Rect{0, 0, 60, 40});
    label->setFont({"HelveticaNeue", 10});
    label->setText("abcdefghij");  // 60 wide at size 10
    label->setTextAlignment(TextAlignment::Right);
    label->setShadowColor(Color::black());
    label->setShadowOffset({0, 1});
    RecordingCanvas canvas;
    label->render(canvas);
    auto texts = canvas.opsOf(CanvasOp::Kind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->rect, (Rect{0, 14, 60, 12}));
    EXPECT_EQ(texts[0]->alignment, TextAlignment::Right);
    ASSERT_TRUE(texts[0]->shadow);
    EXPECT_EQ(texts[0]->shadow->offset, (Size{0, 1}));

    label->setText("abcdefghijklmnopqrst");  // twice the width
    label->setAdjustsFontSizeToFitWidth(true);
    canvas.clear();
    label->render(canvas);
    EXPECT_DOUBLE_EQ(canvas.opsOf(CanvasOp::Kind::Text)[0]->font.size, 5);
    EXPECT_EQ(label->font().size, 10);  // the label keeps its own font

    label->setText(std::nullopt);
    canvas.clear();
    label->render(canvas);
    EXPECT_TRUE(canvas.opsOf(CanvasOp::Kind::Text).empty());
    EXPECT_FALSE(label->isUserInteractionEnabled());
}
