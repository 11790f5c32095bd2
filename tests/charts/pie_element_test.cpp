// SPDX-License-Identifier: MIT
#include "charts/pie_element.h"
#include "charts/pie_ex.h"
#include "charts/pie_layer.h"

#include "ui_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

struct PieElementTest : UiFixture {
    void SetUp() override { PieElement::resetAnimationGroupFlag(); }
};

}  // namespace

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

