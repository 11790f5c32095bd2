// SPDX-License-Identifier: MIT
#include "charts/animator.h"
#include "charts/timing_function.h"
#include "charts/view.h"

#include "ui_fixture.h"

#include <gmock/gmock.h>

#include <cmath>

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

TEST_F(AnimatorTest, FrameHandlerRunsEveryTickWhileAnythingRuns) {
    int frames = 0;
    animator.setFrameHandler([&] { ++frames; });
    thing.addAnimation(basic(0, 1, 0.5), "k");
    step(2.0);
    EXPECT_EQ(frames, 30);
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
