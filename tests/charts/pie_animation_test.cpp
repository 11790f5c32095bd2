// SPDX-License-Identifier: MIT
#include "charts/pie_layer.h"
#include "platform/recording_canvas.h"

#include "ui_fixture.h"

#include <cmath>
#include <numbers>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct PieAnimationTest : UiFixture {
    PieLayer layer{ui};
    PieValues elements;

    void SetUp() override {
        PieElement::resetAnimationGroupFlag();
        layer.setBounds({0, 0, 300, 300});
        layer.setMaxRadius(100, 20, false);
    }
    void fill(std::vector<float> values) {
        elements.clear();
        for (float v : values) elements.push_back(PieElement::pieElementWithValue(v, Color::white()));
        layer.addValues(elements, false);
    }
    std::shared_ptr<const KeyframeAnimation> valueAnimation() const {
        return std::dynamic_pointer_cast<const KeyframeAnimation>(layer.animationForKey(PieLayer::kValuesKey));
    }
    static PieValues frame(const KeyframeAnimation& a, std::size_t k) {
        return std::any_cast<PieValues>(std::get<std::any>(a.values().at(k)));
    }
    std::shared_ptr<const AnimationGroup> angleAnimation() const {
        return std::dynamic_pointer_cast<const AnimationGroup>(layer.animationForKey(PieLayer::kAnglesKey));
    }
    static std::pair<double, double> fromTo(const AnimationGroup& g, const char* key) {
        for (const auto& a : g.animations()) {
            auto b = std::dynamic_pointer_cast<BasicAnimation>(a);
            if (b && b->keyPath() == key) return {std::get<double>(b->fromValue()), std::get<double>(b->toValue())};
        }
        ADD_FAILURE() << "no " << key;
        return {};
    }
    static Point screenPoint(double degrees, double radius) {
        return {150 + radius * std::cos(degrees * std::numbers::pi / 180),
                150 - radius * std::sin(degrees * std::numbers::pi / 180)};
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
            EXPECT_EQ(f[i]->color(), Color::white());
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

TEST_F(PieAnimationTest, FirstInsertIntoAnEmptyPieGrowsTheRange) {
    layer.setStartAngle(90, 270, false);
    auto a = PieElement::pieElementWithValue(1, Color::white());
    auto b = PieElement::pieElementWithValue(3, Color::white());
    layer.addValues({a, b}, true);
    EXPECT_EQ(layer.values(), (PieValues{a, b}));  // stored at once
    ASSERT_TRUE(layer.animationBeginState());
    EXPECT_EQ(layer.animationBeginState()->size(), 2u);
    EXPECT_EQ((*layer.animationBeginState())[0]->val(), 0);
    EXPECT_EQ((*layer.animationEndState())[1], b);
    loop.runPending();
    auto g = angleAnimation();
    ASSERT_TRUE(g);
    EXPECT_EQ(fromTo(*g, "startAngle"), (std::pair<double, double>{90, 90}));
    EXPECT_EQ(fromTo(*g, "endAngle"), (std::pair<double, double>{90, 270}));
    EXPECT_TRUE(layer.isFakeAngleAnimation());
    EXPECT_FALSE(valueAnimation());
    EXPECT_EQ(layer.presentation()->endAngle(), 90);
    step(0.3);
    EXPECT_NEAR(layer.presentation()->endAngle(), 180, 1e-3);
    step(0.4);
    EXPECT_EQ(layer.presentation()->endAngle(), 270);
    EXPECT_EQ(a->titleAlpha(), 0);  // animated insertion leaves titles to the caller
}

TEST_F(PieAnimationTest, DeletingEverythingShrinksTheRangeAndEndsEmpty) {
    fill({30, 60, 30, 5});
    layer.deleteValues(elements, true);
    EXPECT_TRUE(layer.values().empty());
    EXPECT_EQ(layer.animationDeletingIndexes(), (std::vector<int>{0, 1, 2, 3}));
    loop.runPending();
    auto g = angleAnimation();
    ASSERT_TRUE(g);
    EXPECT_EQ(fromTo(*g, "startAngle"), (std::pair<double, double>{0, 0}));
    EXPECT_EQ(fromTo(*g, "endAngle"), (std::pair<double, double>{360, 0}));
    auto v = valueAnimation();
    ASSERT_TRUE(v);
    ASSERT_EQ(v->values().size(), 2u);
    // The old slices stay drawn, unchanged, inside the closing range; none can be hit.
    const PieValues frozen = frame(*v, 0);
    ASSERT_EQ(frozen.size(), 4u);
    EXPECT_EQ(frozen[1]->val(), 60);
    EXPECT_EQ(frame(*v, 1), frozen);
    step(0.3);
    auto shown = layer.presentation();
    EXPECT_EQ(shown->values().size(), 4u);
    EXPECT_NEAR(shown->endAngle(), 180, 1e-3);
    RecordingCanvas canvas;
    shown->drawInContext(canvas);
    EXPECT_EQ(canvas.opsOf(CanvasOp::Kind::Clip).size(), 4u);
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(45, 60)), nullptr);
    step(0.35);
    EXPECT_FALSE(layer.hasAnimations());
    EXPECT_FALSE(layer.deletingIndexes());
    canvas.clear();
    layer.presentation()->drawInContext(canvas);
    EXPECT_TRUE(canvas.ops().empty());
    EXPECT_EQ(layer.startAngle(), 0);
    EXPECT_EQ(layer.endAngle(), 360);
}

TEST_F(PieAnimationTest, AnimatedDeleteShrinksTheSliceAndSkipsItInHitTests) {
    fill({30, 60, 30, 5});
    layer.deleteValues({elements[0]}, true);
    EXPECT_EQ(layer.values().size(), 3u);
    loop.runPending();
    EXPECT_EQ(layer.deletingIndexes(), std::vector<int>{0});
    auto v = valueAnimation();
    ASSERT_TRUE(v);
    EXPECT_EQ(frame(*v, 0).size(), 4u);
    EXPECT_EQ(frame(*v, 0)[0]->val(), 30);
    EXPECT_EQ(frame(*v, 20)[0]->val(), 0);
    EXPECT_EQ(frame(*v, 20)[0]->titleAlpha(), 0);
    step(0.1);
    // Slice 0 is skipped: the first hittable slice is the old slice 1, which starts at 0°.
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(5, 60)), elements[1]);
    step(0.6);
    EXPECT_FALSE(layer.deletingIndexes());
    EXPECT_EQ(layer.presentation()->values().size(), 3u);
}

TEST_F(PieAnimationTest, AnimatedInsertGrowsNewSlicesFromZero) {
    fill({30, 60});
    auto x = PieElement::pieElementWithValue(10, Color::white());
    x->setTitleAlpha(1);
    layer.insertValues({x}, {1}, true);
    loop.runPending();
    auto v = valueAnimation();
    ASSERT_TRUE(v);
    EXPECT_EQ(frame(*v, 0)[1]->val(), 0);
    EXPECT_EQ(frame(*v, 0)[1]->titleAlpha(), 0);
    EXPECT_EQ(frame(*v, 20)[1]->val(), 10);
    EXPECT_EQ(frame(*v, 20)[1]->titleAlpha(), 1);
    EXPECT_EQ(layer.values(), (PieValues{elements[0], x, elements[1]}));
}

TEST_F(PieAnimationTest, InsertAndDeleteInOneTurnShareThePendingLists) {
    fill({30, 60, 30});
    layer.deleteValues({elements[1]}, true);
    auto x = PieElement::pieElementWithValue(10, Color::white());
    layer.insertValues({x}, {1}, true);  // after the removed slice's slot
    EXPECT_EQ(layer.values(), (PieValues{elements[0], x, elements[2]}));
    EXPECT_EQ(layer.animationBeginState()->size(), 4u);
    EXPECT_EQ(layer.animationEndState()->size(), 4u);
    EXPECT_EQ((*layer.animationEndState())[2], x);
    EXPECT_EQ(layer.animationDeletingIndexes(), std::vector<int>{1});
    loop.runPending();
    EXPECT_EQ(layer.deletingIndexes(), std::vector<int>{1});
    step(0.1);
    EXPECT_EQ(layer.pieElemInPoint(screenPoint(200, 60)), elements[2]);
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

TEST_F(PieAnimationTest, ValueChangeDuringAShrinkBringsTheRangeBack) {
    fill({30, 60});
    PieElement::animateChanges([&] {
        elements[0]->setVal(0);
        elements[1]->setVal(0);
    });
    loop.runPending();  // to nothing: a shrink sweep
    EXPECT_TRUE(layer.isFakeAngleAnimation());
    EXPECT_EQ(fromTo(*angleAnimation(), "endAngle"), (std::pair<double, double>{360, 0}));
    step(0.2);
    PieElement::animateChanges([&] { elements[0]->setVal(5); });
    loop.runPending();
    // The frozen slices on screen are the start of a real value animation, so the stand-in sweep
    // is undone: the range returns from where it is shown to the stored one.
    EXPECT_FALSE(layer.isFakeAngleAnimation());
    auto g = angleAnimation();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->timingFunction, TimingFunction::easeOut());
    EXPECT_GT(fromTo(*g, "endAngle").first, 0);
    EXPECT_LT(fromTo(*g, "endAngle").first, 360);
    EXPECT_EQ(fromTo(*g, "endAngle").second, 360);
    auto v = valueAnimation();
    ASSERT_TRUE(v);
    EXPECT_EQ(v->timingFunction, TimingFunction::easeOut());
    EXPECT_EQ(frame(*v, 0)[0]->val(), 30);
    EXPECT_EQ(frame(*v, 20)[0]->val(), 5);
    EXPECT_EQ(frame(*v, 20)[1]->val(), 0);
}

TEST_F(PieAnimationTest, AngleAndRadiusAnimations) {
    fill({1});
    layer.setStartAngle(0, 180, true);
    EXPECT_EQ(layer.endAngle(), 180);
    auto g = angleAnimation();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->timingFunction, TimingFunction::easeInEaseOut());
    EXPECT_EQ(fromTo(*g, "endAngle"), (std::pair<double, double>{360, 180}));
    step(0.3);
    const float shownEnd = layer.presentation()->endAngle();
    layer.setStartAngle(0, 90, true);
    EXPECT_EQ(angleAnimation()->timingFunction, TimingFunction::easeOut());
    EXPECT_FLOAT_EQ(static_cast<float>(fromTo(*angleAnimation(), "endAngle").first), shownEnd);

    layer.setMaxRadius(50, 10, true);
    EXPECT_EQ(layer.maxRadius(), 50);
    auto r = std::dynamic_pointer_cast<const AnimationGroup>(layer.animationForKey(PieLayer::kRadiiKey));
    ASSERT_TRUE(r);
    EXPECT_EQ(fromTo(*r, "maxRadius"), (std::pair<double, double>{100, 50}));
    EXPECT_EQ(fromTo(*r, "minRadius"), (std::pair<double, double>{20, 10}));
    step(0.3);
    const float shownMax = layer.presentation()->maxRadius();
    layer.setMaxRadius(80, 0, true);
    r = std::dynamic_pointer_cast<const AnimationGroup>(layer.animationForKey(PieLayer::kRadiiKey));
    EXPECT_EQ(r->timingFunction, TimingFunction::easeOut());
    EXPECT_FLOAT_EQ(static_cast<float>(fromTo(*r, "maxRadius").first), shownMax);
    step(1);
    EXPECT_EQ(layer.presentation()->maxRadius(), 80);
    EXPECT_EQ(layer.presentation()->endAngle(), 90);
}

TEST_F(PieAnimationTest, StopRules) {
    fill({30, 60});
    layer.deleteValues({elements[0]}, true);
    loop.runPending();
    ASSERT_TRUE(layer.deletingIndexes());
    layer.removeAnimation(PieLayer::kValuesKey);  // stopped early: nothing is cleared
    loop.runPending();
    EXPECT_TRUE(layer.deletingIndexes());
    KeyframeAnimation values("values", {});
    layer.animationDidStop(values, true);
    EXPECT_FALSE(layer.deletingIndexes());
    layer.animateStartAngleEndAngleFillUp(true, TimingFunction::linear());
    EXPECT_TRUE(layer.isFakeAngleAnimation());
    BasicAnimation angle("startAngle", 0.0, 1.0);
    layer.animationDidStop(angle, false);
    EXPECT_TRUE(layer.isFakeAngleAnimation());
    layer.animationDidStop(angle, true);
    EXPECT_FALSE(layer.isFakeAngleAnimation());
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
