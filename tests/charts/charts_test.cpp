// SPDX-License-Identifier: MIT
// The chart toolkit on virtual time: animations, views, the bar chart and its strip, the pie.
#include "charts/animator.h"
#include "charts/bar_chart_footer_view.h"
#include "charts/bar_chart_view.h"
#include "charts/chart_header_view.h"
#include "charts/chart_information_view.h"
#include "charts/chart_selection_view.h"
#include "charts/chart_view.h"
#include "charts/label.h"
#include "charts/pie_element.h"
#include "charts/pie_ex.h"
#include "charts/pie_layer.h"
#include "charts/timing_function.h"
#include "charts/view.h"
#include "platform/recording_canvas.h"

#include "ui_fixture.h"

#include <gmock/gmock.h>

#include <cmath>
#include <numbers>

using namespace vantro;
using namespace vantro::testing;

namespace {

/// One float property "value" and one held property "list".
class Thing : public Animatable {
public:
    explicit Thing(Animator& a) : Animatable(a) {}
    double value = 0;
    std::vector<int> list;
    AnimValue modelValue(std::string_view key) const override {
        if (key == "value") return value;
        if (key == "list") return std::any(list);
        return std::any{};
    }
    double shownValue() const { return std::get<double>(presentationValue("value")); }
    std::vector<int> shownList() const {
        return std::any_cast<std::vector<int>>(std::get<std::any>(presentationValue("list")));
    }
};

struct AnimatorTest : UiFixture {
    Animator& animator = ui.animator();
    Thing thing{animator};
    std::vector<std::string> stops;
    /// An animation of "value"; with a `name`, its end is recorded in `stops` as "name:done" or "name:cut".
    std::shared_ptr<BasicAnimation> basic(double from, double to, double duration, std::string name = {}) {
        auto a = std::make_shared<BasicAnimation>("value", from, to);
        a->duration = duration;
        if (!name.empty())
            a->didStop = [this, name](const Animation&, bool finished) {
                stops.push_back(name + (finished ? ":done" : ":cut"));
            };
        return a;
    }
};

// y of the curve at parameter t, to check the solver against points on the curve itself.
std::pair<double, double> curveAt(const TimingFunction& f, double t) {
    const auto [x1, y1, x2, y2] = f.controlPoints();
    const double u = 1 - t;
    return {3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t, 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t};
}

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

TEST_F(AnimatorTest, PresentationFollowsTheAnimationAndTheModelAfterIt) {
    thing.value = 10;
    auto a = basic(0, 10, 1.0, "a");
    thing.addAnimation(a, "k");
    EXPECT_EQ(thing.shownValue(), 0);
    step(0.25);
    EXPECT_NEAR(thing.shownValue(), 2.5, 1e-9);
    EXPECT_TRUE(animator.isTicking());
    step(0.74);
    EXPECT_TRUE(stops.empty());
    step(0.02);
    EXPECT_THAT(stops, ::testing::ElementsAre("a:done"));
    EXPECT_FALSE(thing.hasAnimations());
    EXPECT_FALSE(animator.isTicking());  // nothing runs: the clock stops
    EXPECT_EQ(thing.shownValue(), 10);
}

TEST_F(AnimatorTest, ReplacingUnderAKeyStopsTheOldOneOnTheNextTurn) {
    auto a = basic(0, 10, 1.0, "a");
    thing.addAnimation(a, "k");
    step(0.5);
    auto b = basic(5, 6, 1.0, "b");
    thing.addAnimation(b, "k");
    EXPECT_TRUE(stops.empty());  // not inside the call that replaced it
    EXPECT_EQ(thing.animationForKey("k"), b);
    loop.runPending();
    EXPECT_THAT(stops, ::testing::ElementsAre("a:cut"));
    EXPECT_EQ(thing.shownValue(), 5);
    thing.removeAnimation("k");
    loop.runPending();
    EXPECT_THAT(stops, ::testing::ElementsAre("a:cut", "b:cut"));
    EXPECT_FALSE(thing.hasAnimations());
    thing.removeAnimation("nothing");  // harmless
}

TEST_F(AnimatorTest, StopCallbacksRunInOrderOfStart) {
    Thing other{animator};
    auto late = basic(0, 1, 0.2, "late");
    late->delay = 0.05;
    auto early = basic(0, 1, 0.25, "early");
    other.addAnimation(late, "x");
    thing.addAnimation(early, "y");
    step(0.26);  // both end on the same tick
    EXPECT_THAT(stops, ::testing::ElementsAre("early:done", "late:done"));
}

TEST_F(AnimatorTest, DelayShowsTheModel) {
    thing.value = 7;
    auto a = basic(0, 1, 0.5);
    a->delay = 0.2;
    thing.addAnimation(a, "k");
    step(0.1);
    EXPECT_EQ(thing.shownValue(), 7);
}

TEST_F(AnimatorTest, KeyframesHoldListsFrameByFrameAndBlendNumbers) {
    std::vector<AnimValue> frames;
    for (int i = 0; i < 5; ++i) frames.emplace_back(std::any(std::vector<int>{i}));
    auto k = std::make_shared<KeyframeAnimation>("list", frames);
    k->duration = 1.0;
    thing.addAnimation(k, "frames");
    EXPECT_EQ(thing.shownList(), std::vector<int>{0});
    step(0.24);
    EXPECT_EQ(thing.shownList(), std::vector<int>{0});
    step(0.02);
    EXPECT_EQ(thing.shownList(), std::vector<int>{1});
    step(0.5);
    EXPECT_EQ(thing.shownList(), std::vector<int>{3});
    EXPECT_EQ(k->frameIndexAt(1.0), 4u);

    KeyframeAnimation numbers("value", {0.0, 10.0, 30.0});
    AnimValue v;
    ASSERT_TRUE(numbers.valueAt("value", 0.75, v));
    EXPECT_DOUBLE_EQ(std::get<double>(v), 20.0);
    KeyframeAnimation none("value", {});
    EXPECT_FALSE(none.valueAt("value", 0.5, v));
}

TEST_F(AnimatorTest, ZeroOrNanDurationOnlyEnds) {
    thing.value = 2;
    auto a = basic(0, 1, 0, "zero");
    auto b = basic(0, 1, NAN, "nan");
    thing.addAnimation(a, "a");
    thing.addAnimation(b, "b");
    EXPECT_EQ(thing.shownValue(), 2);
    step(Animator::kFrameInterval);
    EXPECT_THAT(stops, ::testing::ElementsAre("zero:done", "nan:done"));
}

TEST_F(AnimatorTest, DestroyedObjectsEndSilently) {
    {
        Thing gone{animator};
        auto a = basic(0, 1, 0.1, "gone");
        gone.addAnimation(a, "k");
        auto b = basic(0, 1, 1, "removed");
        gone.addAnimation(b, "k2");
        gone.removeAnimation("k2");  // its callback is queued, then the object dies
    }
    step(0.5);
    EXPECT_TRUE(stops.empty());
    EXPECT_FALSE(animator.isTicking());
}

TEST_F(AnimatorTest, ViewBlocksAnimateFromStoredOrShownValues) {
    auto view = std::make_shared<View>(ui, Rect{0, 0, 10, 10});
    std::vector<bool> done;
    animator.animate(
        {1.0, 0, false, TimingFunction::linear()}, [&] { view->setAlpha(0); },
        [&](bool finished) { done.push_back(finished); });
    EXPECT_EQ(view->alpha(), 0);  // the stored value changes at once
    EXPECT_EQ(view->presentationAlpha(), 1);
    step(0.5);
    EXPECT_NEAR(view->presentationAlpha(), 0.5, 1e-9);
    // From the current state: starts at what is shown (0.5), not at the stored 0.
    animator.animate(
        {1.0, 0, true, TimingFunction::linear()}, [&] { view->setAlpha(1); },
        [&](bool finished) { done.push_back(finished); });
    EXPECT_NEAR(view->presentationAlpha(), 0.5, 1e-9);
    step(0.5);
    EXPECT_NEAR(view->presentationAlpha(), 0.75, 1e-9);
    EXPECT_EQ(done, std::vector<bool>{false});  // the replaced block ends unfinished
    step(0.6);
    EXPECT_EQ(done, (std::vector<bool>{false, true}));
}

TEST_F(AnimatorTest, ViewBlockCompletionWaitsForAllAndRunsLaterWithoutChanges) {
    auto a = std::make_shared<View>(ui);
    auto b = std::make_shared<View>(ui);
    int calls = 0;
    animator.animate(
        {0.2, 0.1, false},
        [&] {
            a->setAlpha(0.5);
            b->setFrame({1, 2, 3, 4});
            b->setFrame({5, 6, 7, 8});  // one animation per property, from the first old value
        },
        [&](bool finished) { calls += finished ? 1 : 100; });
    EXPECT_EQ(b->animationKeys(), std::vector<std::string>{"frame"});
    EXPECT_EQ(b->presentationFrame(), Rect{});  // delayed, shows the start
    step(0.25);
    EXPECT_EQ(calls, 0);
    step(0.1);
    EXPECT_EQ(calls, 1);

    bool ran = false;
    animator.animate(
        {0.2, 0, false}, [] {}, [&](bool finished) { ran = finished; });
    EXPECT_FALSE(ran);
    loop.runPending();
    EXPECT_TRUE(ran);
    // Without duration the change is immediate.
    animator.animate({0, 0, false}, [&] { a->setAlpha(0.1); });
    EXPECT_FALSE(a->hasAnimations());
    EXPECT_EQ(a->presentationAlpha(), 0.1);
}

TEST(TimingFunctionTest, SolvesForYAtXOnTheCurve) {
    for (const auto& f : {TimingFunction::easeOut(), TimingFunction::easeInEaseOut(), TimingFunction::easeIn(),
                          TimingFunction{0.9, 0.1, 0.1, 0.9}}) {
        for (double t = 0.05; t < 1; t += 0.05) {
            const auto [x, y] = curveAt(f, t);
            EXPECT_NEAR(f.valueAt(x), y, 1e-6) << "t=" << t;
        }
    }
}

TEST(TimingFunctionTest, ShapesAndEnds) {
    const auto eio = TimingFunction::easeInEaseOut();
    EXPECT_NEAR(eio.valueAt(0.5), 0.5, 1e-9);  // symmetric
    EXPECT_LT(eio.valueAt(0.25), 0.25);
    EXPECT_GT(TimingFunction::easeOut().valueAt(0.25), 0.25);
    EXPECT_NEAR(TimingFunction::linear().valueAt(0.3), 0.3, 1e-9);
    EXPECT_EQ(eio.valueAt(0), 0);
    EXPECT_EQ(eio.valueAt(1), 1);
    EXPECT_EQ(eio.valueAt(-3), 0);
    EXPECT_EQ(eio.valueAt(7), 1);
    EXPECT_EQ(eio.valueAt(NAN), 0);
}

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

// The pie as the sleep screen sets it up: a ring of 20 to 100 over the full turn, slices appended.
// Other ranges, radii and insert positions are asked for by no screen.
namespace {

constexpr double kPi = std::numbers::pi;
double deg(double radians) {
    return radians * 180 / kPi;
}

struct PieLayerTest : PieFixture {
    RecordingCanvas canvas;

    /// Start and end of every drawn slice, in degrees, from the inner arcs of the clip outlines.
    std::vector<std::pair<double, double>> sliceAngles() {
        canvas.clear();
        layer.drawInContext(canvas);
        std::vector<std::pair<double, double>> out;
        for (const auto* op : canvas.opsOf(CanvasOp::Kind::Clip)) {
            const auto& arc = op->path.elements().at(1);
            out.emplace_back(deg(arc.startAngle), deg(arc.endAngle));
        }
        return out;
    }
};

struct PieElementTest : UiFixture {
    void SetUp() override { PieElement::resetAnimationGroupFlag(); }
};

}  // namespace

TEST_F(PieLayerTest, SlicesShareTheRangeInProportion) {
    fill({30, 60, 30, 5});
    const auto full = sliceAngles();
    ASSERT_EQ(full.size(), 4u);
    const double expected[][2] = {{0, 86.4}, {86.4, 259.2}, {259.2, 345.6}, {345.6, 360}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(full[i].first, expected[i][0], 1e-4);
        EXPECT_NEAR(full[i].second, expected[i][1], 1e-4);
    }
    // The first slice starts at 3 o'clock and runs counter-clockwise on screen: its middle is up-right.
    const auto* clip = canvas.opsOf(CanvasOp::Kind::Clip)[0];
    const Point mid =
        clip->transform.apply({150 + 60 * std::cos(43.2 * kPi / 180), 150 + 60 * std::sin(43.2 * kPi / 180)});
    EXPECT_GT(mid.x, 150);
    EXPECT_LT(mid.y, 150);
    // Each slice fills the layer's bounds inside its own clip, in its colour.
    const auto fills = canvas.opsOf(CanvasOp::Kind::FillRect);
    ASSERT_EQ(fills.size(), 4u);
    EXPECT_EQ(fills[1]->rect, (Rect{0, 0, 300, 300}));
    EXPECT_EQ(fills[1]->color, (Color{0.6f, 0.4f, 0.2f, 1}));
    EXPECT_EQ(canvas.depth(), 0u);
}

TEST_F(PieLayerTest, PulledSliceAndItsTitleMoveOutAlongTheMiddle) {
    fill({30, 60, 30, 5});
    layer.setShowTitles(2);
    elements[0]->setCentrOffset(20);
    canvas.clear();
    layer.drawInContext(canvas);
    const auto& arc = canvas.opsOf(CanvasOp::Kind::Clip)[0]->path.elements().at(1);
    const double m = 43.2 * kPi / 180;
    EXPECT_NEAR(arc.center.x, 150 + 20 * std::cos(m), 1e-9);
    EXPECT_NEAR(arc.center.y, 150 + 20 * std::sin(m), 1e-9);
    EXPECT_EQ(canvas.opsOf(CanvasOp::Kind::Clip)[1]->path.elements().at(1).center, (Point{150, 150}));
    // Title of slice 0 at radius 120, slice 1 at radius 100.
    const auto texts = canvas.opsOf(CanvasOp::Kind::Text);
    ASSERT_EQ(texts.size(), 4u);
    const Rect expected0 = PieLayer::titleRect({150, 150}, -m, 120, metrics.measureText("30.00", layer.font()));
    EXPECT_EQ(texts[0]->rect, expected0);
    EXPECT_EQ(texts[0]->text, "30.00");
    const Rect expected1 = PieLayer::titleRect({150, 150}, -(86.4 + 259.2) / 2 * kPi / 180, 100,
                                               metrics.measureText("60.00", layer.font()));
    EXPECT_NEAR(texts[1]->rect.x, expected1.x, 1e-4);
    EXPECT_NEAR(texts[1]->rect.y, expected1.y, 1e-4);
}

TEST_F(PieLayerTest, TitleAnchorsKeepTheBoxOutsideTheRing) {
    const Size t{40, 12};
    // 3 o'clock: starts at the point, centred vertically.
    EXPECT_EQ(PieLayer::titleRect({150, 150}, 0, 100, t), (Rect{250, 144, 40, 12}));
    // 6 o'clock on screen hangs below, centred horizontally; 9 o'clock ends at the point; 12 sits above.
    for (const auto& [angle, x, y] : {std::tuple{kPi / 2, 130.0, 250.0}, {kPi, 10.0, 144.0}, {-kPi / 2, 130.0, 38.0}})
        expectRectNear(PieLayer::titleRect({150, 150}, angle, 100, t), {x, y, 40, 12}, 1e-9);
    // Near a quadrant edge the box has nearly slid to the next anchor (f ≈ 0.9975 / 0.0025).
    const Rect edge = PieLayer::titleRect({0, 0}, kPi / 4 - 1e-9, 0, t);
    EXPECT_NEAR(edge.y, -12 * 0.0025, 1e-3);
    const Rect wrapped = PieLayer::titleRect({0, 0}, 9 * kPi / 2, 100, t);  // angles wrap by full turns
    EXPECT_NEAR(wrapped.x, 130 - 150, 1e-6);
    EXPECT_FALSE(PieLayer::titleRect({0, 0}, NAN, 1, t).isFinite());
}

TEST_F(PieLayerTest, WhichTitlesAreDrawn) {
    fill({30, 60, 30, 12.5});
    const auto texts = [&] {
        canvas.clear();
        layer.drawInContext(canvas);
        std::vector<std::string> out;
        for (const auto* op : canvas.opsOf(CanvasOp::Kind::Text)) out.push_back(op->text);
        return out;
    };
    EXPECT_TRUE(texts().empty());  // showTitles 0
    layer.setShowTitles(2);
    EXPECT_EQ(texts(), (std::vector<std::string>{"30.00", "60.00", "30.00", "12.50"}));
    elements[0]->setTitleAlpha(0.01f);
    elements[2]->setTitleAlpha(0.02f);
    EXPECT_EQ(texts(), (std::vector<std::string>{"60.00", "30.00", "12.50"}));
    layer.setTransformTitleBlock([](const PieElement& e) { return "v" + std::to_string(static_cast<int>(e.val())); });
    EXPECT_EQ(texts(), (std::vector<std::string>{"v60", "v30", "v12"}));
    // Title colour: the element's colour at its title alpha, under a soft black shadow.
    const auto* t = canvas.opsOf(CanvasOp::Kind::Text)[1];
    EXPECT_EQ(t->color, (Color{1, 0, 1, 0.02f}));
    ASSERT_TRUE(t->shadow);
    EXPECT_EQ(*t->shadow, (Shadow{{0, 1}, 3, Color::black()}));
    EXPECT_EQ(t->transform, AffineTransform{});  // titles are drawn unflipped
}

TEST_F(PieLayerTest, NothingToDrawOrHit) {
    const auto nothing = [&] {
        canvas.clear();
        layer.drawInContext(canvas);
        return canvas.ops().empty() && !layer.pieElemInPoint(screenPoint(45, 60));
    };
    EXPECT_TRUE(nothing());  // empty
    // A sum that is not positive, or not a number.
    for (const std::vector<float>& values : {std::vector<float>{0, 0, 0, 0}, {NAN, 1}, {INFINITY, 1}}) {
        fill(values);
        EXPECT_TRUE(nothing()) << values[0];
        layer.deleteValues(elements, false);
    }
    // A ring whose inner radius meets (or passes) the outer one has no area: nothing drawn or hit,
    // not even on the circle where the two radii lie.
    fill({1, 1});
    layer.setMaxRadius(60, 59, false);
    EXPECT_FALSE(nothing());
    layer.setMaxRadius(60, 60, false);
    EXPECT_TRUE(nothing());
    for (double r : {59.5, 60.0, 60.5}) EXPECT_EQ(layer.pieElemInPoint(screenPoint(45, r)), nullptr) << r;
    layer.setMaxRadius(60, 80, false);
    EXPECT_TRUE(nothing());
}

TEST_F(PieElementTest, NotifyingSettersRedrawTheirLayersOnlyOnChange) {
    PieLayer layer(ui);
    auto e = PieElement::pieElementWithValue(10, Color::white());
    layer.addValues({e}, false);
    ASSERT_TRUE(e->containsInLayers());
    EXPECT_EQ(e->containsInLayers()->size(), 1u);
    const int before = layer.displayRequests();
    e->setVal(10);  // unchanged
    e->setColor(Color::white());
    e->setShowTitle(false);
    e->setCentrOffset(0);
    EXPECT_EQ(layer.displayRequests(), before);
    e->setVal(-3);
    EXPECT_EQ(e->val(), 0);
    e->setVal(NAN);
    EXPECT_EQ(e->val(), 0);
    e->setColor(Color::black());
    e->setCentrOffset(4);
    e->setShowTitle(true);
    EXPECT_EQ(layer.displayRequests(), before + 4);
    e->setVal_(7);  // plain setters stay quiet
    e->setColor_(std::nullopt);
    e->setCentrOffset_(1);
    e->setTitleAlpha(1);
    EXPECT_EQ(layer.displayRequests(), before + 4);
}

TEST_F(PieElementTest, GroupFlagIsSetDuringTheGroupAndNestingRestoresIt) {
    bool inner = false, afterInner = false;
    PieElement::animateChanges([&] {
        PieElement::animateChanges([&] { inner = PieElement::isAnimatingGroup(); });
        afterInner = PieElement::isAnimatingGroup();
    });
    EXPECT_TRUE(inner);
    EXPECT_TRUE(afterInner);  // the outer group's later changes still animate
    EXPECT_FALSE(PieElement::isAnimatingGroup());
}

TEST_F(PieElementTest, LayerRegistrationFollowsInsertDeleteAndDestruction) {
    auto e = PieElement::pieElementWithValue(1, Color::white());
    {
        PieLayer a(ui), b(ui);
        a.addValues({e}, false);
        b.addValues({e, e}, false);  // shown twice
        EXPECT_EQ(e->containsInLayers()->size(), 3u);
        b.deleteValues({e}, false);  // both occurrences go, with both registrations
        EXPECT_TRUE(b.values().empty());
        EXPECT_EQ(*e->containsInLayers(), std::vector<PieLayer*>{&a});
        e->removedFromLayer(&b);        // not registered: harmless
        auto shown = a.presentation();  // a copy does not unregister when it goes
    }
    EXPECT_TRUE(e->containsInLayers()->empty());
    e->setVal(5);  // no layer left to notify
}

TEST_F(PieElementTest, InterpolatesValuesColoursOffsetsAndTitles) {
    auto a = PieElement::pieElementWithValue(10, Color{0, 0, 0, 1});
    a->setCentrOffset_(0);
    a->setTitleAlpha(0);
    a->setShowTitle(true);
    auto b = PieElement::pieElementWithValue(20, Color{1, 0.5f, 0, 0});
    b->setCentrOffset_(20);
    b->setTitleAlpha(1);
    const auto steps = a->animationValuesToPieElement(b, 5);
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[0]->val(), 10);
    EXPECT_EQ(steps[2]->val(), 15);
    EXPECT_EQ(steps[4]->val(), 20);
    EXPECT_EQ(steps[1]->centrOffset(), 5);
    EXPECT_EQ(steps[3]->titleAlpha(), 0.75f);
    EXPECT_EQ(steps[2]->color(), (Color{0.5f, 0.25f, 0, 0.5f}));
    EXPECT_TRUE(steps[4]->showTitle());  // from the first element
    EXPECT_NE(steps[4], b);
    EXPECT_EQ(a->animationValuesToPieElement(b, 1), std::vector<std::shared_ptr<PieElement>>{b});
    EXPECT_TRUE(a->animationValuesToPieElement(b, 0).empty());
    EXPECT_TRUE(a->animationValuesToPieElement(b, -4).empty());
}

TEST_F(PieElementTest, ColourBetweenClampsAndReadsAbsentAsZero) {
    const Color red{1, 0, 0, 1};
    EXPECT_EQ(PieElement::colorBetweenColor1(red, std::nullopt, 0.5f), (Color{0.5f, 0, 0, 0.5f}));
    EXPECT_EQ(PieElement::colorBetweenColor1(red, Color::white(), 2.0f), Color::white());
    EXPECT_EQ(PieElement::colorBetweenColor1(red, Color::white(), -1.0f), red);
    EXPECT_EQ(PieElement::colorBetweenColor1(red, Color::white(), NAN), red);
}

TEST(PieExTest, SortAndInsertByTargetPositions) {
    std::vector<std::string> objects{"x3", "y1"};
    ASSERT_TRUE(pieEx::sortWithIndexes(objects, {3, 1}));
    EXPECT_EQ(objects, (std::vector<std::string>{"y1", "x3"}));
    std::vector<std::string> mismatch{"a"};
    EXPECT_FALSE(pieEx::sortWithIndexes(mismatch, {1, 2}));

    std::vector<std::string> list{"a", "b", "c"};
    ASSERT_TRUE(pieEx::insertObjects(list, {"x3", "y1"}, {3, 1}));
    EXPECT_EQ(list, (std::vector<std::string>{"a", "y1", "b", "x3", "c"}));
    // Out-of-range positions append or prepend instead of failing half-way.
    pieEx::insertSortedObjects(list, {"front", "end"}, {-2, 99});
    EXPECT_EQ(list.front(), "front");
    EXPECT_EQ(list.back(), "end");
}

// The pie's value animations on the paths the app takes: a slice pulled out or put back by a tap, and
// taps while a slice is moving; and, as the widget defines them whole, an animated removal and an
// angle animation replacing a running one.
namespace {

struct PieAnimationTest : PieFixture {
    std::shared_ptr<const KeyframeAnimation> valueAnimation() const {
        return std::dynamic_pointer_cast<const KeyframeAnimation>(layer.animationForKey(PieLayer::kValuesKey));
    }
    static PieValues frame(const KeyframeAnimation& a, std::size_t k) {
        return std::any_cast<PieValues>(std::get<std::any>(a.values().at(k)));
    }
};

}  // namespace

TEST_F(PieAnimationTest, PullingOneSliceOutGivesOneAnimationOfTwentyOneFrames) {
    fill({30, 60, 30, 5});
    const int redraws = layer.displayRequests();
    PieElement::animateChanges([&] {
        for (std::size_t i = 0; i < elements.size(); ++i) elements[i]->setCentrOffset(i == 2 ? 20 : 0);
    });
    EXPECT_EQ(elements[2]->centrOffset(), 20);  // stored at once
    EXPECT_TRUE(layer.animationBeginState());   // pending until the next turn
    EXPECT_FALSE(valueAnimation());
    EXPECT_EQ(layer.displayRequests(), redraws);
    loop.runPending();
    EXPECT_FALSE(layer.animationBeginState());
    EXPECT_FALSE(layer.animationEndState());
    auto a = valueAnimation();
    ASSERT_TRUE(a);
    ASSERT_EQ(a->values().size(), 21u);
    EXPECT_EQ(a->timingFunction, TimingFunction::easeInEaseOut());
    EXPECT_FLOAT_EQ(static_cast<float>(a->duration), 0.6f);
    for (std::size_t k = 0; k < 21; ++k) {
        const PieValues f = frame(*a, k);
        ASSERT_EQ(f.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(f[i]->centrOffset(), i == 2 ? static_cast<float>(k) : 0.0f) << "frame " << k << " slice " << i;
            EXPECT_EQ(f[i]->val(), elements[i]->val());
            EXPECT_EQ(f[i]->color(), elements[i]->color());
        }
    }
    EXPECT_EQ(layer.deletingIndexes(), std::vector<int>{});
    // On screen the slice moves out over 0.6 s, then the stored state shows again.
    step(0.3);
    const float midway = layer.presentation()->values()[2]->centrOffset();
    EXPECT_GT(midway, 5);
    EXPECT_LT(midway, 15);
    step(0.32);
    EXPECT_FALSE(valueAnimation());
    EXPECT_EQ(layer.presentation()->values(), layer.values());
    EXPECT_FALSE(layer.deletingIndexes());
}

TEST_F(PieAnimationTest, ChangesInOneTurnMergeIntoOneAnimation) {
    fill({30, 60, 30, 5});
    PieElement::animateChanges([&] {
        elements[0]->setVal(50);
        elements[0]->setCentrOffset(5);
    });
    PieElement::animateChanges([&] {  // a second group in the same turn joins the first
        elements[1]->setVal(20);
        elements[1]->setCentrOffset(10);
    });
    EXPECT_EQ(loop.runPending(), 1);  // one delayed start
    auto a = valueAnimation();
    ASSERT_TRUE(a);
    const PieValues first = frame(*a, 0), last = frame(*a, 20);
    EXPECT_EQ(first[0]->val(), 30);
    EXPECT_EQ(first[1]->val(), 60);
    EXPECT_EQ(first[1]->centrOffset(), 0);
    EXPECT_EQ(last[0]->val(), 50);
    EXPECT_EQ(last[0]->centrOffset(), 5);
    EXPECT_EQ(last[1]->val(), 20);
    EXPECT_EQ(last[1]->centrOffset(), 10);
    EXPECT_EQ(last[2]->val(), 30);
}

TEST_F(PieAnimationTest, ChangeDuringAnimationStartsFromWhatIsShownWithEaseOut) {
    fill({30, 60, 30, 5});
    PieElement::animateChanges([&] { elements[2]->setCentrOffset(20); });
    loop.runPending();
    step(0.3);
    const PieValues shown = layer.presentation()->values();
    const float shownOffset = shown[2]->centrOffset();
    ASSERT_GT(shownOffset, 0);
    ASSERT_LT(shownOffset, 20);
    PieElement::animateChanges([&] {
        elements[2]->setCentrOffset(0);
        elements[3]->setCentrOffset(20);
    });
    loop.runPending();
    auto a = valueAnimation();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->timingFunction, TimingFunction::easeOut());
    const PieValues f0 = frame(*a, 0);
    EXPECT_EQ(f0[2]->centrOffset(), shownOffset);
    EXPECT_EQ(f0[3]->centrOffset(), 0);
    const PieValues f20 = frame(*a, 20);
    EXPECT_EQ(f20[2]->centrOffset(), 0);
    EXPECT_EQ(f20[3]->centrOffset(), 20);
}

TEST_F(PieAnimationTest, FrameCountFollowsTheDuration) {
    fill({30, 60, 30, 5});
    layer.setAnimationDuration(1.0f);
    PieElement::animateChanges([&] { elements[0]->setVal(40); });
    loop.runPending();
    ASSERT_TRUE(valueAnimation());
    EXPECT_EQ(valueAnimation()->values().size(), 36u);
    step(1.1);

    layer.setAnimationDuration(0.01f);
    PieElement::animateChanges([&] { elements[0]->setVal(10); });
    loop.runPending();
    ASSERT_TRUE(valueAnimation());
    EXPECT_TRUE(valueAnimation()->values().empty());
    EXPECT_EQ(layer.presentation()->values()[0]->val(), 10);  // no frames: the stored state shows

    layer.setAnimationDuration(1e9f);  // bounded
    PieElement::animateChanges([&] { elements[0]->setVal(11); });
    loop.runPending();
    EXPECT_EQ(valueAnimation()->values().size(), static_cast<std::size_t>(PieLayer::kMaxFrames));
    layer.setAnimationDuration(NAN);
    PieElement::animateChanges([&] { elements[0]->setVal(12); });
    loop.runPending();
    EXPECT_TRUE(valueAnimation()->values().empty());
}

TEST_F(PieAnimationTest, MismatchedShownListDeclinesAndJustRedraws) {
    fill({30, 60, 30, 5});
    layer.setAnimationDuration(0.01f);  // no frames: the screen shows the stored (shorter) list
    layer.deleteValues({elements[0]}, true);
    loop.runPending();
    ASSERT_TRUE(valueAnimation());
    const int redraws = layer.displayRequests();
    PieElement::animateChanges([&] { elements[1]->setVal(1); });
    EXPECT_FALSE(layer.animationBeginState());
    EXPECT_EQ(layer.displayRequests(), redraws + 1);
    // Without animation the insert completes at once and the stale positions go with the old list.
    auto x = PieElement::pieElementWithValue(1, Color::white());
    layer.insertValues({x}, {0}, true);
    EXPECT_EQ(layer.values().front(), x);
    EXPECT_FALSE(layer.deletingIndexes());
    EXPECT_EQ(x->titleAlpha(), 1);
}

TEST_F(PieAnimationTest, DestroyedLayerCancelsItsPendingStart) {
    auto pie = std::make_unique<PieLayer>(ui);
    auto e = PieElement::pieElementWithValue(1, Color::white());
    pie->addValues({e}, false);
    PieElement::animateChanges([&] { e->setVal(2); });
    pie.reset();
    EXPECT_EQ(loop.runPending(), 0);
    PieElement::animateChanges([&] { e->setVal(3); });  // no layer is told any more
    EXPECT_FALSE(loop.hasPending());
}

TEST_F(PieAnimationTest, AnimatedRemovalShrinksTheRemovedSliceAndFadesItsTitle) {
    fill({30, 60, 30, 5});
    elements[1]->setTitleAlpha(1);
    const auto removed = elements[1];
    layer.deleteValues({removed}, true);
    EXPECT_EQ(layer.values().size(), 3u);  // stored at once
    loop.runPending();
    EXPECT_EQ(layer.deletingIndexes(), std::vector<int>{1});
    auto a = valueAnimation();
    ASSERT_TRUE(a);
    const PieValues last = frame(*a, a->values().size() - 1);
    ASSERT_EQ(last.size(), 4u);
    EXPECT_EQ(last[1]->val(), 0);
    EXPECT_EQ(last[1]->titleAlpha(), 0);
    EXPECT_EQ(last[2]->val(), 30);
    // Half-way the slice is drawn narrower than it was, still there, and cannot be hit.
    step(0.3);
    const auto shown = layer.presentation();
    ASSERT_EQ(shown->values().size(), 4u);
    EXPECT_GT(shown->values()[1]->val(), 10);
    EXPECT_LT(shown->values()[1]->val(), 50);
    EXPECT_GT(shown->values()[1]->titleAlpha(), 0);
    EXPECT_LT(shown->values()[1]->titleAlpha(), 1);
    const auto angles = shown->sliceAnglesInDegrees();
    ASSERT_EQ(angles.size(), 4u);
    EXPECT_LT(angles[1].second - angles[1].first, 172.8);
    EXPECT_GT(angles[1].second - angles[1].first, 10);
    EXPECT_NE(layer.pieElemInPoint(screenPoint((angles[1].first + angles[1].second) / 2, 60)), removed);
    step(0.35);
    EXPECT_FALSE(valueAnimation());
    EXPECT_EQ(layer.presentation()->values().size(), 3u);
    EXPECT_FALSE(layer.deletingIndexes());
}

TEST_F(PieAnimationTest, AngleAnimationReplacingARunningOneRunsOnItsOwnTime) {
    fill({30, 60, 30, 5});
    layer.setStartAngle(0, 180, true);
    step(0.3);
    const double before = layer.presentation()->endAngle();
    ASSERT_GT(before, 181);
    ASSERT_LT(before, 359);
    layer.setStartAngle(0, 90, true);
    const auto a = layer.animationForKey(PieLayer::kAnglesKey);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->timingFunction, TimingFunction::easeOut());
    EXPECT_FLOAT_EQ(static_cast<float>(a->duration), 0.6f);
    // It starts from what was on screen, now, and runs its full duration past the old one's end.
    EXPECT_NEAR(layer.presentation()->endAngle(), before, 1e-3);
    step(0.35);
    const double progress = TimingFunction::easeOut().valueAt(0.35 / 0.6);
    EXPECT_NEAR(layer.presentation()->endAngle(), before + (90 - before) * progress, 0.5);
    step(0.3);
    EXPECT_FALSE(layer.animationForKey(PieLayer::kAnglesKey));
    EXPECT_EQ(layer.presentation()->endAngle(), 90);
}

TEST_F(PieAnimationTest, DeletingEverySliceClosesThePieTowardsItsStart) {
    fill({30, 60, 30, 5});
    layer.setStartAngle(40, 300, false);
    layer.deleteValues(elements, true);
    EXPECT_TRUE(layer.values().empty());  // stored at once
    loop.runPending();
    ASSERT_TRUE(layer.animationForKey(PieLayer::kAnglesKey));
    // The range shrinks from the end back to the start while the old slices stay drawn, none hittable.
    step(0.3);
    const auto half = layer.presentation();
    EXPECT_NEAR(half->startAngle(), 40, 1e-3);
    EXPECT_GT(half->endAngle(), 60);
    EXPECT_LT(half->endAngle(), 280);
    EXPECT_EQ(half->values().size(), 4u);
    EXPECT_FALSE(layer.pieElemInPoint(screenPoint(57.3, 60)));
    step(0.29);
    EXPECT_LT(layer.presentation()->endAngle(), 42);
    EXPECT_GE(layer.presentation()->endAngle(), 40);
}
