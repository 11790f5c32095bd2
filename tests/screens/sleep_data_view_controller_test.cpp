// SPDX-License-Identifier: MIT
#include "screens/sleep_data_view_controller.h"
#include "screens/sleep_main_view_controller.h"

#include "screen_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

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
