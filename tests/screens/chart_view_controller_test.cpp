// SPDX-License-Identifier: MIT
#include "screens/chart_view_controller.h"
#include "screens/today_screen.h"

#include "screen_fixture.h"
#include "store/records_backup.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

using namespace vantro;
using namespace vantro::testing;

namespace {

struct HistoryTest : ScreenFixture {
    std::unique_ptr<ChartViewController> screen;
    ChartViewController& open(Size size = {320, 568}, double navBottom = 64) {
        screen = std::make_unique<ChartViewController>(*app, ui, size, navBottom);
        screen->view();
        return *screen;
    }
    BarChartView& chart() { return *screen->barChartView(); }
    ChartHeaderView& header() { return dynamic_cast<ChartHeaderView&>(*chart().headerView()); }
    /// The header's subtitle and the footer's left and right texts.
    std::vector<std::string> periodTexts() {
        auto& footer = dynamic_cast<BarChartFooterView&>(*chart().footerView());
        return {header().subtitleLabel()->text().value_or("?"), footer.leftLabel()->text().value_or("?"),
                footer.rightLabel()->text().value_or("?")};
    }
    void touchBar(std::size_t i, bool lift) {
        const Rect f = chart().barViews().at(i)->frame();
        chart().touchesBegan({Touch{{f.midX(), 100}}});
        if (lift) chart().touchesEnded({Touch{{f.midX(), 100}}});
    }
};

}  // namespace

TEST_F(HistoryTest, DaysOldestFirstAsBarsWithAlternatingColours) {
    day(2014, 7, 15, 300);
    day(2014, 7, 13, 100);
    day(2014, 7, 14, 0);
    open();
    EXPECT_EQ(screen->title(), "SportsData");
    EXPECT_EQ(screen->barCount(), 3);
    EXPECT_EQ(screen->monthlySymbols(), (std::vector<std::string>{"2014-07-13", "2014-07-14", "2014-07-15"}));
    EXPECT_EQ(screen->chartData(), (std::vector<float>{100, 0, 300}));
    ASSERT_EQ(chart().barViews().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(chart().barViews()[i]->backgroundColor(),
                  i == 1 ? Color::rgb255(52, 178, 52) : Color::rgb255(8, 188, 239));
    EXPECT_EQ(chart().barViews()[1]->frame().height, 0);  // 0 steps
    EXPECT_GT(chart().barViews()[2]->frame().height, chart().barViews()[0]->frame().height);
    EXPECT_EQ(chart().selectionView()->bgColor(), Color::white());
}

TEST_F(HistoryTest, FrameHeaderFooterAndPanel) {
    open({320, 568}, 64);
    EXPECT_EQ(chart().frame(), (Rect{10, 10, 300, 360}));
    EXPECT_EQ(chart().headerPadding(), 10);
    EXPECT_EQ(header().titleLabel()->text(), "LABEL.HISTORY.TITLE");
    // The subtitle is the fixed fallback, with no trailing dash.
    EXPECT_EQ(periodTexts(), (std::vector<std::string>{"运动记录", "Old", "Now"}));
    const auto& panel = screen->informationView();
    EXPECT_EQ(panel->frame(), (Rect{0, 370, 320, 568 - 370 - 64}));
    EXPECT_EQ(panel->titleLabel()->alpha(), 0);  // starts hidden
    // The chart is drawn above the panel.
    EXPECT_EQ(screen->view()->subviews().back(), screen->barChartView());
}

TEST_F(HistoryTest, TouchingABarShowsItsStepsAndDate) {
    day(2014, 7, 14, 800);
    day(2014, 7, 15, 12345);
    open();
    touchBar(1, false);
    const auto& panel = screen->informationView();
    EXPECT_EQ(panel->valueView()->valueLabel()->text(), "12345");
    EXPECT_EQ(panel->valueView()->unitLabel()->text(), "StepsA");
    EXPECT_EQ(panel->titleLabel()->text(), "2014-07-15");
    // How the panel moves and fades is the information view's own; here, that it shows and hides.
    step(0.5);
    EXPECT_EQ(panel->titleLabel()->presentationAlpha(), 1);
    chart().touchesEnded({Touch{{-5, 100}}});  // lifted outside the bars: hides anyway
    step(0.5);
    EXPECT_EQ(panel->titleLabel()->presentationAlpha(), 0);
}

TEST_F(HistoryTest, AppearingCollapsesThenExpandsWithFreshDays) {
    day(2014, 7, 13, 100);
    open();
    screen->viewWillAppear(false);
    EXPECT_EQ(chart().state(), 1);
    EXPECT_EQ(chart().barViews()[0]->frame().y, 360);
    day(2014, 7, 14, 50);  // stored while the screen was away
    screen->viewDidAppear(true);
    EXPECT_EQ(chart().state(), 0);
    ASSERT_EQ(chart().barViews().size(), 2u);
    EXPECT_EQ(screen->monthlySymbols().back(), "2014-07-14");
    // The new bars are already in place; nothing of the old wave remains to run into them.
    const Rect placed = chart().barViews()[0]->frame();
    step(1);
    EXPECT_EQ(chart().barViews()[0]->presentationFrame(), placed);
    EXPECT_NEAR(placed.maxY(), 345, 1e-4);
}

TEST_F(HistoryTest, AllZeroOrNoDatabaseGivesFlatOrNoBars) {
    day(2014, 7, 13, 0);
    day(2014, 7, 14, 0);
    open();
    for (const auto& bar : chart().barViews()) EXPECT_EQ(bar->frame().height, 0);
    app->m_db.reset();
    open();
    EXPECT_EQ(screen->barCount(), 0);
    EXPECT_TRUE(chart().barViews().empty());
    chart().touchesBegan({Touch{{100, 100}}});
    EXPECT_EQ(screen->informationView()->titleLabel()->text(), std::nullopt);
}

TEST_F(HistoryTest, EachScreenKeepsItsOwnBarCount) {
    day(2014, 7, 13, 100);
    open();
    auto first = std::move(screen);
    day(2014, 7, 14, 200);
    day(2014, 7, 15, 300);
    open();
    EXPECT_EQ(screen->barCount(), 3);
    EXPECT_EQ(first->barCount(), 1);
    first->barChartView()->reloadData();  // reads only its own list
    EXPECT_EQ(first->barChartView()->barViews().size(), 1u);
    EXPECT_EQ(first->heightForBarViewAtAtIndex(*first->barChartView(), 2), 0);
    first->didSelectBarAtIndex(*first->barChartView(), 5);  // out of range: ignored
    EXPECT_EQ(first->informationView()->titleLabel()->text(), std::nullopt);
}

TEST_F(HistoryTest, TextsComeFromTheCatalog) {
    GettextLocalizer zh("zh_CN");
    app = makeApp(zh);
    day(2014, 7, 15, 12345);
    open();
    EXPECT_EQ(screen->title(), "运动数据");
    EXPECT_EQ(header().titleLabel()->text(), "步数历史");
    EXPECT_EQ(header().subtitleLabel()->text(), "运动记录");
    touchBar(0, true);
    EXPECT_EQ(screen->informationView()->valueView()->unitLabel()->text(), "步");
}

TEST(Catalogs, NameEachThingOneWay) {
    // The process speaks the language of the localizer made last: one at a time.
    for (const char* name : {"en", "zh_CN"}) {
        const auto lang = std::make_unique<GettextLocalizer>(name);
        // Each tab's label names what its screen's title names.
        for (const auto& [tab, title] : {std::pair{"tab.today", "TodayData"},
                                         {"tab.history", "SportsData"},
                                         {"tab.sleep", "SleepData"},
                                         {"tab.settings", "Settings"}})
            EXPECT_EQ(lang->localizedString(tab), lang->localizedString(title)) << tab;
        // One word for "off" wherever a setting is off.
        EXPECT_EQ(lang->localizedString("Off"), lang->localizedString("txtOff"));
        EXPECT_EQ(lang->localizedString("Off"), lang->localizedString("txtLongTimeSitOff"));
    }
}

TEST_F(HistoryTest, RangesPageAndPersist) {
    GettextLocalizer en("en");
    app = makeApp(en);
    day(2023, 3, 15, 1000);
    day(2024, 2, 27, 300);
    day(2024, 2, 29, 500);
    open();
    EXPECT_EQ(screen->range(), HistoryRange::All);  // the first start
    EXPECT_EQ(screen->barCount(), 3);
    screen->setRange(HistoryRange::Week);
    EXPECT_EQ(settings.stringForKey(ChartViewController::kRangeKey), "week");
    ASSERT_EQ(chart().barViews().size(), 7u);
    EXPECT_EQ(screen->monthlySymbols().back(), "2024-02-29");
    EXPECT_TRUE(screen->barIsEmpty(5));
    // The switch runs one collapse and expand: bars start out of sight and settle in place.
    EXPECT_EQ(chart().barViews()[6]->presentationFrame().y, 360);
    step(1);
    EXPECT_NEAR(chart().barViews()[6]->frame().maxY(), 345, 1e-4);
    touchBar(5, false);
    EXPECT_EQ(screen->informationView()->titleLabel()->text(), "2024-02-28");
    EXPECT_EQ(screen->informationView()->valueView()->valueLabel()->text(), "--");
    EXPECT_EQ(screen->informationView()->valueView()->unitLabel()->text(), "no record");
    chart().touchesEnded({});

    // Paging stops at both ends; the oldest week holds the oldest day.
    EXPECT_FALSE(screen->canShowNewerPage());
    EXPECT_FALSE(screen->showNewerPage());
    EXPECT_TRUE(screen->showPage(1000));
    EXPECT_EQ(screen->page(), screen->pageCount() - 1);
    EXPECT_FALSE(screen->canShowOlderPage());
    EXPECT_FALSE(screen->showOlderPage());
    const auto titles = screen->monthlySymbols();
    EXPECT_TRUE(std::count(titles.begin(), titles.end(), "2023-03-15"));

    screen->setRange(HistoryRange::Year);
    EXPECT_EQ(screen->page(), 0);
    ASSERT_EQ(screen->barCount(), 12);
    touchBar(0, false);
    EXPECT_EQ(screen->informationView()->titleLabel()->text(), "March 2023 · 1000 steps · days stored: 1");
    EXPECT_EQ(screen->informationView()->valueView()->valueLabel()->text(), "1000");
    chart().touchesEnded({});

    // The next run starts in the range chosen last; an unknown stored name falls back to all days.
    open();
    EXPECT_EQ(screen->range(), HistoryRange::Year);
    settings.setString(ChartViewController::kRangeKey, "decade");
    open();
    EXPECT_EQ(screen->range(), HistoryRange::All);

    GettextLocalizer zh("zh_CN");
    app = makeApp(zh);
    settings.setString(ChartViewController::kRangeKey, "year");
    open();
    touchBar(11, false);
    EXPECT_EQ(screen->informationView()->titleLabel()->text(), "2024年2月 · 共800步 · 记录2天");
    EXPECT_EQ(screen->informationView()->valueView()->valueLabel()->text(), "400");  // the daily average
    EXPECT_EQ(screen->informationView()->valueView()->unitLabel()->text(), "步/天");
}

TEST_F(HistoryTest, HeaderAndFooterNameThePeriodOnScreen) {
    GettextLocalizer en("en");
    app = makeApp(en);
    day(2024, 2, 20, 100);
    day(2024, 3, 1, 500);
    open();
    EXPECT_EQ(periodTexts(), (std::vector<std::string>{"Activity record", "Oldest", "Now"}));
    screen->setRange(HistoryRange::Week);
    EXPECT_EQ(periodTexts(), (std::vector<std::string>{"24 Feb – 1 Mar 2024", "24 Feb", "Now"}));
    ASSERT_TRUE(screen->showOlderPage());  // a past week ends with its own last day, not "Now"
    EXPECT_EQ(periodTexts(), (std::vector<std::string>{"17 – 23 Feb 2024", "17 Feb", "23 Feb"}));
    ASSERT_TRUE(screen->period());
    EXPECT_EQ(screen->period()->last, (CalendarDate{2024, 2, 23}));
    screen->setRange(HistoryRange::Year);
    EXPECT_EQ(periodTexts(), (std::vector<std::string>{"Apr 2023 – Mar 2024", "Apr 2023", "Now"}));
    screen->setRange(HistoryRange::All);
    EXPECT_EQ(periodTexts(), (std::vector<std::string>{"Activity record", "Oldest", "Now"}));
}

TEST_F(HistoryTest, YearShowsDailyAveragesAndTheRunningMonthAsPartial) {
    GettextLocalizer en("en");
    app = makeApp(en);
    loop.setWallNow(std::chrono::system_clock::from_time_t(1709208000));  // 2024-02-29 12:00 UTC
    day(2024, 1, 10, 3000);
    day(2024, 1, 11, 1000);
    day(2024, 2, 1, 2500);  // one day so far: its average beats January's, its total does not
    settings.setString(ChartViewController::kRangeKey, "year");
    open();
    ASSERT_EQ(screen->barCount(), 12);
    EXPECT_EQ(screen->chartData()[10], 2000);
    EXPECT_EQ(screen->chartData()[11], 2500);
    EXPECT_FALSE(screen->bars()[10].partial);
    EXPECT_TRUE(screen->bars()[11].partial);
    EXPECT_EQ(chart().barViews()[11]->backgroundColor(), ChartViewController::barColorAtIndex(11).withAlpha(0.45f));
    EXPECT_EQ(chart().barViews()[10]->backgroundColor(), ChartViewController::barColorAtIndex(10));
    touchBar(11, false);
    const auto& panel = screen->informationView();
    EXPECT_EQ(panel->valueView()->valueLabel()->text(), "2500");
    EXPECT_EQ(panel->valueView()->unitLabel()->text(), "steps a day");
    EXPECT_EQ(panel->titleLabel()->text(), "February 2024 so far · 2500 steps · days stored: 1");
    chart().touchesEnded({});
    touchBar(10, false);
    EXPECT_EQ(panel->titleLabel()->text(), "January 2024 · 4000 steps · days stored: 2");
    chart().touchesEnded({});

    // One figure wherever it is shown: 51863 steps over six days is 8643.8 a day, shown as 8643.
    for (int d = 1; d <= 5; ++d) day(2023, 12, d, 8643);
    day(2023, 12, 6, 8648);
    screen->setRange(HistoryRange::All);
    screen->setRange(HistoryRange::Year);
    touchBar(9, false);
    EXPECT_EQ(panel->valueView()->valueLabel()->text(), "8643");
    EXPECT_EQ(screen->valueTextAtIndex(9), (std::pair<std::string, std::string>{"8643", "steps a day"}));
    EXPECT_EQ(wholeSteps(screen->bars()[9].value), 8643);
}

TEST_F(HistoryTest, DaysAreReadAgainOnlyAfterTheDatabaseChanged) {
    day(2024, 2, 27, 300);
    open();
    const int first = screen->readCount();
    screen->setRange(HistoryRange::Week);
    screen->setRange(HistoryRange::Year);
    screen->setRange(HistoryRange::All);
    screen->viewWillAppear(false);
    screen->viewDidAppear(false);
    EXPECT_EQ(screen->readCount(), first);  // nothing changed: pages come from memory

    // A sync stores a day through the app's database; the same day again at once with other steps
    // (same file size, likely the same file-clock tick) is seen too.
    day(2024, 2, 28, 700);
    screen->setRange(HistoryRange::Week);
    EXPECT_EQ(screen->bars().back().title, "2024-02-28");
    day(2024, 2, 28, 800);
    screen->setRange(HistoryRange::All);
    EXPECT_EQ(screen->chartData().back(), 800);
    const int afterSync = screen->readCount();
    EXPECT_EQ(afterSync, first + 2);
    // A write that keeps the size and whose time stamp is put back (or lands within one tick of a coarse
    // file clock): SQLite's change counter alone tells.
    const std::string path = app->m_db->m_dataFilePath();
    const auto stamp = StoredDays::stampOf(path);
    day(2024, 2, 28, 900);
    const timespec times[2] = {stamp.file.modified, stamp.file.modified};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const auto after = StoredDays::stampOf(path);
    ASSERT_EQ(after.file.size, stamp.file.size);
    ASSERT_EQ(after.file.modified.tv_nsec, stamp.file.modified.tv_nsec);
    EXPECT_EQ(after.changeCounter, stamp.changeCounter + 1);
    screen->viewDidAppear(false);
    EXPECT_EQ(screen->chartData().back(), 900);

    // An import merges a backup written elsewhere.
    TempDir other;
    sqlite_data elsewhere(other.path(), log);
    elsewhere.updateData(makeDate(2024, 3, 2), 1234, 0, 0, 0, 0, 0);
    const std::string backup = other.path() + "/backup.csv";
    ASSERT_TRUE(exportRecordsToFile(elsewhere, backup).ok);
    ASSERT_TRUE(importRecordsFromFile(*app->m_db, backup, false).ok);
    screen->viewDidAppear(false);
    EXPECT_EQ(screen->monthlySymbols().back(), "2024-03-02");

    // Another program (vantro-cli) writes the same file through its own connection.
    sqlite_data(dir.path(), log).updateData(makeDate(2024, 3, 3), 1, 0, 0, 0, 0, 0);
    screen->setRange(HistoryRange::Month);
    EXPECT_EQ(screen->monthlySymbols().back(), "2024-03-03");

    // A reset empties the table.
    ASSERT_TRUE(app->m_db->clearData());
    screen->setRange(HistoryRange::All);
    EXPECT_EQ(screen->barCount(), 0);
    EXPECT_EQ(screen->readCount(), afterSync + 4);
}

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
