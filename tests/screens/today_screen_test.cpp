// SPDX-License-Identifier: MIT
#include "screens/today_screen.h"

#include <gtest/gtest.h>

using namespace vantro;

TEST(TodayScreen, RowsTitlesAndPlaceholders) {
    TodayScreen screen;
    EXPECT_EQ(screen.numberOfRowsInSection(0), 0);  // before the view loads
    screen.load(IdentityLocalizer{});
    EXPECT_EQ(screen.title(), "TodayData");
    EXPECT_EQ(screen.Items(), (std::vector<std::string>{"Steps", "Distance", "ActiveTime", "Calries", "BatteryValue",
                                                        "BluetoothRSSI", "DeviceVersion"}));
    EXPECT_EQ(screen.numberOfRowsInSection(0), 7);
    EXPECT_EQ(screen.numberOfRowsInSection(1), 0);
    std::vector<std::string> details;
    for (int row = 0; row < 7; ++row) {
        const auto cell = screen.cellForRowAtIndexPath(row);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->title, screen.Items()[row]);
        details.push_back(cell->detail);
    }
    EXPECT_EQ(details, (std::vector<std::string>{"-- steps", "-- km", "-- minute", "-- cal", "-- %", "-- db", "--"}));
    EXPECT_FALSE(screen.cellForRowAtIndexPath(7));
    EXPECT_FALSE(screen.cellForRowAtIndexPath(-1));  // row heights are checked with the view controller
}

TEST(TodayScreen, TitlesAndUnitsComeFromTheCatalog) {
    TodayScreen screen;
    screen.load(GettextLocalizer("zh_CN"));
    EXPECT_EQ(screen.title(), "今日数据");
    EXPECT_EQ(screen.Items()[0], "步数");
    EXPECT_EQ(screen.Items()[6], "固件版本");
    EXPECT_EQ(screen.cellForRowAtIndexPath(0)->detail, "-- 步");
    screen.load(GettextLocalizer("en"));
    EXPECT_EQ(screen.Items()[3], "Calories");
    EXPECT_EQ(screen.cellForRowAtIndexPath(3)->detail, "-- cal");
}

TEST(TodayScreen, ValuesReachOnlyRowsOnScreenAndARowMadeAgainShowsItsPlaceholder) {
    TodayScreen screen;
    screen.load(IdentityLocalizer{});
    std::vector<int> repainted;
    screen.onRowChanged = [&](int row) { repainted.push_back(row); };

    EXPECT_FALSE(screen.setDetailText(0, "10 steps"));  // no cell yet: dropped
    screen.setVisibleRows({0, 1, 2});
    EXPECT_TRUE(screen.setDetailText(0, "10 steps"));
    EXPECT_FALSE(screen.setDetailText(5, "-60db"));
    EXPECT_FALSE(screen.setDetailText(9, "x"));
    EXPECT_EQ(screen.detailText(0), "10 steps");
    EXPECT_FALSE(screen.detailText(5));

    // Scrolling: row 0 leaves, row 5 comes, rows 1 and 2 stay with their text.
    screen.setDetailText(1, "1.00 km");
    screen.setVisibleRows({1, 2, 5});
    EXPECT_FALSE(screen.visibleCell(0));
    EXPECT_EQ(screen.detailText(1), "1.00 km");
    EXPECT_EQ(screen.detailText(5), "-- db");
    EXPECT_FALSE(screen.setDetailText(0, "11 steps"));

    // Back on screen: the placeholder until the next value.
    screen.setVisibleRows({0, 1, 2, 5});
    EXPECT_EQ(screen.detailText(0), "-- steps");
    screen.didEndDisplayingCell(1);
    EXPECT_FALSE(screen.setDetailText(1, "2.00 km"));
    EXPECT_EQ(repainted, (std::vector<int>{0, 1, 2, 0, 1, 5, 0}));
}
