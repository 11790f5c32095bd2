// SPDX-License-Identifier: MIT
// The pie's value animations on the paths the app takes: a slice pulled out or put back by a tap, and
// taps while a slice is moving; and, as the widget defines them whole, an animated removal and an
// angle animation replacing a running one.
#include "charts/pie_layer.h"

#include "ui_fixture.h"

#include <cmath>
#include <numbers>

using namespace vantro;
using namespace vantro::testing;

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
