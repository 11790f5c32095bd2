// SPDX-License-Identifier: MIT
// The pie as the sleep screen sets it up: a ring of 20 to 100 over the full turn, slices appended.
// Other ranges, radii and insert positions are asked for by no screen.
#include "charts/pie_element.h"
#include "charts/pie_ex.h"
#include "charts/pie_layer.h"
#include "platform/recording_canvas.h"

#include "ui_fixture.h"

#include <cmath>
#include <numbers>

using namespace vantro;
using namespace vantro::testing;

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

TEST_F(PieLayerTest, HitTestingFindsTheSliceUnderAPoint) {
    fill({30, 60, 30, 5});
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(43.2, 60)), elements[0]);
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(170, 60)), elements[1]);
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(300, 99)), elements[2]);
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(352, 21)), elements[3]);
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(43.2, 19)), nullptr);   // the hole
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(43.2, 101)), nullptr);  // beyond the ring
    elements[0]->setCentrOffset(20);
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(43.2, 110)), elements[0]);  // pulled out with it
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(43.2, 30)), nullptr);       // now in its own hole
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
