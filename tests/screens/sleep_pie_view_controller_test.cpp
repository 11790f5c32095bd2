// SPDX-License-Identifier: MIT
#include "platform/recording_canvas.h"
#include "screens/sleep_data_view_controller.h"
#include "screens/sleep_main_view_controller.h"
#include "screens/sleep_pie_view_controller.h"

#include "screen_fixture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct SleepPieTest : ScreenFixture {
    SleepPieViewController screen{*app, ui, {320, 300}};
    std::shared_ptr<SleepPieView> view;

    void SetUp() override {
        PieElement::resetAnimationGroupFlag();
        screen.view();
        view = screen.pieView();
    }
    PieLayer& layer() { return view->layer(); }
    /// A point on screen at `degrees` counter-clockwise from 3 o'clock, `radius` from the centre.
    static Point at(double degrees, double radius) {
        const double r = degrees * std::numbers::pi / 180;
        return {160 + radius * std::cos(r), 150 - radius * std::sin(r)};
    }
    std::vector<float> offsets() {
        std::vector<float> out;
        for (const auto& e : layer().values()) out.push_back(e->centrOffset());
        return out;
    }
};

struct SleepListTest : ScreenFixture {
    std::shared_ptr<SleepMainViewController> main;
    SleepDataViewController* list = nullptr;
    SleepPieViewController* pie = nullptr;
    void open() {
        main = SleepMainViewController::makeWithChildren(*app, ui, {320, 568});
        list = main->dataViewController();
        pie = main->pieViewController();
    }
    std::vector<float> shownValues() const {
        std::vector<float> out;
        for (const auto& s : pie->slices()) out.push_back(s.value);
        return out;
    }
};

}  // namespace

TEST_F(SleepPieTest, ShowPieMakesFourSlicesWithTitles) {
    screen.ShowPie(10, 20, 60, 30, 5);
    const auto slices = screen.slices();
    ASSERT_EQ(slices.size(), 4u);
    EXPECT_EQ(slices[0].value, 30);
    const std::vector<std::string> titles{"EnterTime:30", "DeepTime:60", "RemTime:30", "WakeupTime:5"};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(slices[i].title, titles[i]);
    EXPECT_NEAR(slices[1].startAngle, 86.4, 1e-4);
    EXPECT_NEAR(slices[1].endAngle, 259.2, 1e-4);
    EXPECT_EQ(layer().showTitles(), 2);
    // All four titles are drawn at once, with the element's own text.
    RecordingCanvas canvas;
    view->render(canvas);
    std::vector<std::string> texts;
    for (const auto* op : canvas.opsOf(CanvasOp::Kind::Text)) texts.push_back(op->text);
    EXPECT_EQ(texts, titles);
    // Copies made for animation frames keep the title.
    auto copy = std::dynamic_pointer_cast<SleepPieElement>(layer().values()[1]->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->title(), "DeepTime:60");
}

TEST_F(SleepPieTest, LargeDurationsAreNotNarrowed) {
    screen.ShowPie(65535, 65535, 40000, 0, 1);
    const auto slices = screen.slices();
    EXPECT_EQ(slices[0].value, 131070);
    EXPECT_EQ(slices[0].title, "EnterTime:131070");
    EXPECT_EQ(slices[1].title, "DeepTime:40000");
}

TEST_F(SleepPieTest, TapPullsOneSliceOutAndPutsTheOthersBack) {
    screen.ShowPie(10, 20, 60, 30, 5);
    view->handleTap({3, at(172.8, 60)});  // slice 2
    EXPECT_EQ(offsets(), (std::vector<float>{0, 20, 0, 0}));
    step(1);
    view->handleTap({3, at(302.4, 60)});  // slice 3, leaving slice 2's old place alone
    EXPECT_EQ(offsets(), (std::vector<float>{0, 0, 20, 0}));
    loop.runPending();
    EXPECT_TRUE(layer().animationForKey(PieLayer::kValuesKey));  // animated, not jumped
    step(1);
    view->handleTap({3, at(302.4, 110)});  // the pulled-out slice, where it now is
    EXPECT_EQ(offsets(), (std::vector<float>{0, 0, 0, 0}));
}

TEST_F(SleepPieTest, TapsOnNothingOrUnrecognisedChangeNothing) {
    screen.ShowPie(10, 20, 60, 30, 5);
    view->handleTap({3, at(172.8, 60)});
    step(1);
    view->handleTap({3, at(45, 19)});   // the hole
    view->handleTap({3, at(45, 130)});  // outside the ring
    view->handleTap({2, at(45, 60)});   // not recognised yet
    EXPECT_EQ(offsets(), (std::vector<float>{0, 20, 0, 0}));
    EXPECT_FALSE(layer().animationBeginState());
}

TEST_F(SleepPieTest, FingerTapsReachTheRuleAndDragsDoNot) {
    screen.ShowPie(10, 20, 60, 30, 5);
    TouchRouter router(*screen.view());
    router.began(at(43.2, 60));
    router.ended(at(43.2, 62));
    EXPECT_EQ(offsets(), (std::vector<float>{20, 0, 0, 0}));
    router.began(at(172.8, 60));
    router.moved(at(172.8, 90));  // a drag, not a tap
    router.ended(at(172.8, 60));
    EXPECT_EQ(offsets(), (std::vector<float>{20, 0, 0, 0}));
}

TEST_F(SleepPieTest, AllZeroNightHasNoSlicesAndCannotBeTapped) {
    screen.ShowPie(0, 0, 0, 0, 0);
    EXPECT_EQ(layer().values().size(), 4u);
    EXPECT_TRUE(screen.slices().empty());
    view->handleTap({3, at(45, 60)});
    EXPECT_EQ(offsets(), (std::vector<float>{0, 0, 0, 0}));
}

TEST_F(SleepPieTest, ChineseTitles) {
    GettextLocalizer zh("zh_CN");
    app = makeApp(zh);
    SleepPieViewController chinese(*app, ui, {320, 300});
    chinese.ShowPie(10, 20, 60, 30, 5);
    const auto slices = chinese.slices();
    ASSERT_EQ(slices.size(), 4u);
    EXPECT_EQ(slices[0].title, "浅睡:30");
    EXPECT_EQ(slices[3].title, "清醒:5");
}

TEST_F(SleepPieTest, TitlesNeverCoverASliceOrEachOther) {
    struct Night {
        std::int32_t enter, spindles, deep, rem, wakeup;
    };
    const Night nights[] = {
        {10, 20, 60, 30, 5}, {0, 0, 500, 2, 1}, {1, 1, 1, 1, 1}, {300, 0, 2, 3, 1}, {0, 5, 5, 400, 5}};
    for (const DeviceIdiom idiom : {DeviceIdiom::Phone, DeviceIdiom::Tablet}) {
        UiContext context(loop, metrics, idiom);
        SleepPieViewController pie(*app, context, idiom == DeviceIdiom::Phone ? Size{320, 284} : Size{768, 480});
        pie.view();
        PieLayer& l = pie.pieView()->layer();
        const Rect b = l.bounds();
        // Points inside a box (or within `margin` of it); a box that only touches a slice does not cover it.
        const auto coversSlice = [&](const Rect& r, double margin = -0.5) {
            for (double y = std::ceil(r.minY() - margin); y <= r.maxY() + margin; ++y)
                for (double x = std::ceil(r.minX() - margin); x <= r.maxX() + margin; ++x)
                    if (l.pieElemInPoint({x, y})) return true;
            return false;
        };
        for (const Night& n : nights) {
            for (int pulled = -1; pulled < 4; ++pulled) {
                pie.ShowPie(n.enter, n.spindles, n.deep, n.rem, n.wakeup);
                ASSERT_EQ(l.values().size(), 4u);
                if (pulled >= 0) l.values()[static_cast<std::size_t>(pulled)]->setCentrOffset(20);
                const auto rects = l.titleRects(metrics);
                ASSERT_EQ(rects.size(), 4u);
                std::vector<Rect> placed;
                const auto overlapsPlaced = [&placed](const Rect& r) {
                    return std::any_of(placed.begin(), placed.end(), [&r](const Rect& q) {
                        return r.minX() < q.maxX() && q.minX() < r.maxX() && r.minY() < q.maxY() && q.minY() < r.maxY();
                    });
                };
                for (std::size_t i = 0; i < 4; ++i) {
                    ASSERT_TRUE(rects[i]);
                    const Rect r = *rects[i];
                    EXPECT_FALSE(coversSlice(r)) << "title " << i << ", slice " << pulled << " pulled out";
                    EXPECT_FALSE(overlapsPlaced(r)) << "title " << i << ", slice " << pulled << " pulled out";
                    // A title that fits where the pie's own rule puts it, with a point to spare, stays there.
                    const SleepSlice s = pie.slices().at(i);
                    const double theta = -(s.startAngle + s.endAngle) / 2 * std::numbers::pi / 180;
                    const Rect own = PieLayer::titleRect({b.width / 2, b.height / 2}, theta,
                                                         100 + l.values()[i]->centrOffset(), r.size());
                    const bool fits = !coversSlice(own, 2) && !overlapsPlaced(own);
                    EXPECT_TRUE(!fits || (std::abs(r.x - own.x) < 1e-6 && std::abs(r.y - own.y) < 1e-6))
                        << "title " << i << ", slice " << pulled << " pulled out";
                    placed.push_back(r);
                }
            }
        }
    }
}

TEST_F(SleepListTest, RowsInDateOrderWithTheirDetailLine) {
    night(2014, 7, 16, 1, 2, 3, 4, 5, 0);
    night(2014, 7, 15, 10, 20, 60, 30, 5, 2, makeTime(7, 30), makeTime(23, 10));
    open();
    EXPECT_EQ(main->title(), "SleepData");
    EXPECT_EQ(list->items_count(), 2);
    EXPECT_EQ(list->numberOfRowsInSection(0), 2);
    const TableCell first = list->cellForRowAtIndexPath(0);
    EXPECT_EQ(first.text, "2014-07-15");
    // ASCII colons after the two times' texts, the full-width colon before the count.
    EXPECT_EQ(first.detailText,
              "TotalTime:07:30, StartTime:23:10, WakeupCount\xEF\xBC\x9A"
              "2");
    // Times that were never stored read as 00:00.
    EXPECT_EQ(list->cellForRowAtIndexPath(1).detailText,
              "TotalTime:00:00, StartTime:00:00, WakeupCount\xEF\xBC\x9A"
              "0");
    EXPECT_EQ(list->cellForRowAtIndexPath(2).text, "");  // out of range: an empty row, no crash
}

TEST_F(SleepListTest, ListIsReadOnceWhenTheViewIsBuilt) {
    night(2014, 7, 15, 10, 20, 60, 30, 5, 2);
    open();
    night(2014, 7, 16, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(list->items_count(), 1);
    SleepDataViewController again(*app, ui, {320, 284});
    again.view();
    EXPECT_EQ(again.items_count(), 2);
}

TEST_F(SleepListTest, ChoosingARowFillsThePie) {
    night(2014, 7, 15, 10, 20, 60, 30, 5, 2);
    night(2014, 7, 16, 100, 0, 0, 0, 0, 0);
    open();
    EXPECT_TRUE(shownValues().empty());  // empty until a row is chosen
    list->didSelectRowAtIndexPath(0);
    EXPECT_EQ(shownValues(), (std::vector<float>{30, 60, 30, 5}));
    list->didSelectRowAtIndexPath(0);  // the same night again: the old slices go first
    EXPECT_EQ(pie->pieView()->layer().values().size(), 4u);
    list->didSelectRowAtIndexPath(1);
    EXPECT_EQ(shownValues(), (std::vector<float>{100, 0, 0, 0}));
    list->didSelectRowAtIndexPath(7);  // no such row
    list->didSelectRowAtIndexPath(-1);
    EXPECT_EQ(shownValues(), (std::vector<float>{100, 0, 0, 0}));
}

TEST_F(SleepListTest, NoDatabaseNoRows) {
    app->m_db.reset();
    open();
    EXPECT_EQ(list->items_count(), 0);
    list->didSelectRowAtIndexPath(0);
    EXPECT_TRUE(shownValues().empty());
}

TEST_F(SleepListTest, ChineseDetailLine) {
    GettextLocalizer zh("zh_CN");
    app = makeApp(zh);
    night(2014, 7, 15, 10, 20, 60, 30, 5, 3, makeTime(6, 5), makeTime(22, 45));
    open();
    EXPECT_EQ(main->title(), "睡眠数据");
    EXPECT_EQ(list->cellForRowAtIndexPath(0).detailText, "总时长:06:05, 入睡时间:22:45, 醒来次数：3");
}

TEST_F(SleepListTest, DatesWithOnlyActivityAreNoNights) {
    day(2014, 7, 14, 800);
    night(2014, 7, 15, 0, 0, 0, 0, 0, 0);  // a night stored with zero minutes is still a night
    day(2014, 7, 15, 900);
    day(2014, 7, 16, 700);
    open();
    ASSERT_EQ(list->items_count(), 1);
    EXPECT_EQ(list->cellForRowAtIndexPath(0).text, "2014-07-15");
    EXPECT_EQ(pie->hintText(), "SleepPieHint");  // until a night is chosen
    list->didSelectRowAtIndexPath(0);
    EXPECT_EQ(pie->hintText(), "");
}
