// SPDX-License-Identifier: MIT
#include "charts/chart_information_view.h"

#include "ui_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

struct InformationTest : UiFixture {
    std::shared_ptr<ChartInformationView> panel = std::make_shared<ChartInformationView>(ui, Rect{0, 0, 300, 200});

    std::vector<double> contentAlpha() const {
        return {panel->titleLabel()->presentationAlpha(), panel->separatorView()->presentationAlpha(),
                panel->valueView()->valueLabel()->presentationAlpha(),
                panel->valueView()->unitLabel()->presentationAlpha()};
    }
};

}  // namespace

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
