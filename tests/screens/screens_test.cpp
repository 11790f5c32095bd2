// SPDX-License-Identifier: MIT
// The screens as models without a toolkit: history (bars, ranges and pages, the texts naming a period), sleep
// (the list of nights and the pie) and today's table.
#include "platform/local_time.h"
#include "platform/localizer.h"
#include "platform/recording_canvas.h"
#include "screens/chart_view_controller.h"
#include "screens/history_period_text.h"
#include "screens/history_range.h"
#include "screens/sleep_data_view_controller.h"
#include "screens/sleep_main_view_controller.h"
#include "screens/sleep_pie_view_controller.h"
#include "screens/today_screen.h"
#include "store/records_backup.h"

#include "screen_fixture.h"

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <memory>
#include <numbers>
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
    /// The panel's title, value and unit while bar `i` is touched; the finger then lifts off the chart.
    std::vector<std::string> panelAt(std::size_t i) {
        touchBar(i, false);
        const auto& p = *screen->informationView();
        std::vector<std::string> out{p.titleLabel()->text().value_or("?"),
                                     p.valueView()->valueLabel()->text().value_or("?"),
                                     p.valueView()->unitLabel()->text().value_or("?")};
        chart().touchesEnded({});
        return out;
    }
};

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

std::vector<sportsData> daysOf(std::vector<std::pair<std::string, int>> list) {
    std::vector<sportsData> out;
    for (auto& [date, steps] : list) {
        sportsData d;
        d.date = date;
        d.step = steps;
        out.push_back(d);
    }
    return out;
}

std::string title(int y, int m) {
    return std::to_string(y) + "/" + std::to_string(m);
}

// "date:steps" per bar, "date:-" for a bar without a record.
std::vector<std::string> shown(const HistoryPeriods& p, HistoryRange r, int page) {
    std::vector<std::string> out;
    for (const HistoryBar& b : p.bars(r, page, title))
        out.push_back(b.title + ":" + (b.empty ? "-" : std::to_string(static_cast<int>(b.value))));
    return out;
}

// The process speaks the language of the localizer made last, so each lookup makes its own.
struct Lang {
    const char* name;
    TextLookup lookup() const {
        return [localizer = std::make_shared<GettextLocalizer>(name)](std::string_view key) {
            return localizer->localizedString(key);
        };
    }
};

// Subtitle | left | right of the page of `range` holding the given newest stored day.
std::string page(const Lang& lang, HistoryRange range, const char* oldest, const char* newest, int pageNo = 0) {
    std::vector<sportsData> days(2);
    days[0].date = oldest;
    days[1].date = newest;
    const HistoryPeriods periods(days);
    const auto t = historyPageTexts(lang.lookup(), range, periods.period(range, pageNo), pageNo == 0);
    return t.subtitle + " | " + t.left + " | " + t.right;
}

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
    EXPECT_EQ(panelAt(5), (std::vector<std::string>{"2024-02-28", "--", "no record"}));

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
    EXPECT_EQ(panelAt(0),
              (std::vector<std::string>{"March 2023 · 1000 steps · days stored: 1", "1000", "steps a day"}));

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
    // The value is the daily average.
    EXPECT_EQ(panelAt(11), (std::vector<std::string>{"2024年2月 · 共800步 · 记录2天", "400", "步/天"}));
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
    EXPECT_EQ(panelAt(11),
              (std::vector<std::string>{"February 2024 so far · 2500 steps · days stored: 1", "2500", "steps a day"}));
    EXPECT_EQ(panelAt(10),
              (std::vector<std::string>{"January 2024 · 4000 steps · days stored: 2", "2000", "steps a day"}));

    // One figure wherever it is shown: 51863 steps over six days is 8643.8 a day, shown as 8643.
    for (int d = 1; d <= 5; ++d) day(2023, 12, d, 8643);
    day(2023, 12, 6, 8648);
    screen->setRange(HistoryRange::All);
    screen->setRange(HistoryRange::Year);
    EXPECT_EQ(panelAt(9)[1], "8643");
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

TEST(HistoryPeriods, WeeksAndMonthsAreCalendarDaysEndingWithTheNewestDay) {
    const auto days = daysOf({{"2024-02-26", 100}, {"2024-02-28", 300}, {"2024-03-01", 500}});
    const HistoryPeriods p(days);
    // Leap year: the 29th is a day of its own, and it has no record.
    EXPECT_EQ(shown(p, HistoryRange::Week, 0),
              (std::vector<std::string>{"2024-02-24:-", "2024-02-25:-", "2024-02-26:100", "2024-02-27:-",
                                        "2024-02-28:300", "2024-02-29:-", "2024-03-01:500"}));
    EXPECT_EQ(p.pageCount(HistoryRange::Week), 1);
    const auto plain = daysOf({{"2023-02-28", 1}, {"2023-03-01", 2}});
    EXPECT_EQ(shown(HistoryPeriods(plain), HistoryRange::Week, 0).front(), "2023-02-23:-");

    const auto spread = daysOf({{"2023-12-31", 7}, {"2024-01-01", 1}, {"2024-03-01", 3}});
    const HistoryPeriods q(spread);
    ASSERT_EQ(q.pageCount(HistoryRange::Month), 3);  // 62 days, 30 a page
    const auto newest = shown(q, HistoryRange::Month, 0);
    ASSERT_EQ(newest.size(), 30u);
    EXPECT_EQ(newest.front(), "2024-02-01:-");
    EXPECT_EQ(newest.back(), "2024-03-01:3");
    EXPECT_EQ(shown(q, HistoryRange::Month, 1).front(), "2024-01-02:-");
    const auto oldest = shown(q, HistoryRange::Month, 2);  // holds the oldest day, across the new year
    ASSERT_EQ(oldest.size(), 30u);
    EXPECT_EQ(oldest.back(), "2024-01-01:1");
    EXPECT_EQ(oldest[28], "2023-12-31:7");
    EXPECT_EQ(shown(q, HistoryRange::Month, 99), oldest);  // pages past the data show the oldest one
    EXPECT_EQ(shown(q, HistoryRange::Month, -4), newest);
}

TEST(HistoryPeriods, YearsAverageTwelveCalendarMonthsOverTheirStoredDays) {
    const auto days = daysOf({{"2022-01-05", 9}, {"2023-03-15", 1000}, {"2023-03-31", 500}, {"2024-02-29", 700}});
    const HistoryPeriods p(days);
    ASSERT_EQ(p.pageCount(HistoryRange::Year), 3);  // January 2022 to February 2024: 26 months
    const auto bars = p.bars(HistoryRange::Year, 0, title, CalendarDate{2024, 2, 29});
    ASSERT_EQ(bars.size(), 12u);
    EXPECT_EQ(bars[0].title, "2023/3");
    EXPECT_EQ(bars[0].value, 750);
    EXPECT_EQ(bars[0].total, 1500);
    EXPECT_EQ(bars[0].storedDays, 2);
    EXPECT_FALSE(bars[0].empty);
    EXPECT_TRUE(bars[1].empty);
    EXPECT_EQ(bars[1].value, 0);
    // Only the month today lies in is still running.
    EXPECT_TRUE(bars[11].partial);
    EXPECT_EQ(std::count_if(bars.begin(), bars.end(), [](const HistoryBar& b) { return b.partial; }), 1);
    EXPECT_FALSE(p.bars(HistoryRange::Year, 0, title, CalendarDate{2024, 3, 1})[11].partial);
    EXPECT_EQ(bars[10].title, "2024/1");
    EXPECT_EQ(bars[11].value, 700);
    EXPECT_EQ(shown(p, HistoryRange::Year, 2).back(), "2022/2:-");
    EXPECT_EQ(shown(p, HistoryRange::Year, 2)[10], "2022/1:9");
}

TEST(HistoryPeriods, AllDaysSingleDayNoDayAndOddDates) {
    const auto one = daysOf({{"2014-07-15", 42}});
    const HistoryPeriods p(one);
    for (const auto r : {HistoryRange::All, HistoryRange::Week, HistoryRange::Month, HistoryRange::Year}) {
        EXPECT_EQ(p.pageCount(r), 1);
        const auto bars = p.bars(r, 0, title);
        ASSERT_FALSE(bars.empty());
        EXPECT_EQ(bars.back().value, 42);
        EXPECT_FALSE(bars.back().empty);
    }
    const std::vector<sportsData> none;
    EXPECT_TRUE(HistoryPeriods(none).bars(HistoryRange::Week, 0, title).empty());
    EXPECT_EQ(HistoryPeriods(none).pageCount(HistoryRange::Year), 1);
    // A key that is not a calendar day shows among all days only.
    const auto odd = daysOf({{"(null)", 5}, {"2014-07-15", 42}});
    EXPECT_EQ(shown(HistoryPeriods(odd), HistoryRange::All, 0),
              (std::vector<std::string>{"(null):5", "2014-07-15:42"}));
    EXPECT_EQ(shown(HistoryPeriods(odd), HistoryRange::Week, 0).back(), "2014-07-15:42");
}

TEST(HistoryPeriods, TenYearsOfDays) {
    std::vector<std::pair<std::string, int>> list;
    const std::int64_t first = daysFromCivil(2015, 1, 1), last = daysFromCivil(2024, 12, 31);
    for (std::int64_t n = first; n <= last; ++n) list.emplace_back(formatDate(civilFromDays(n)), 1);
    const auto days = daysOf(std::move(list));
    ASSERT_EQ(days.size(), 3653u);  // three leap days
    const HistoryPeriods p(days);
    EXPECT_EQ(p.pageCount(HistoryRange::Week), 522);
    EXPECT_EQ(p.pageCount(HistoryRange::Month), 122);
    EXPECT_EQ(p.pageCount(HistoryRange::Year), 10);
    for (int page = 0; page < 10; ++page)
        for (const HistoryBar& b : p.bars(HistoryRange::Year, page, title)) {
            EXPECT_GE(b.storedDays, 28) << b.title;
            EXPECT_EQ(b.value, 1) << b.title;
        }
    EXPECT_EQ(shown(p, HistoryRange::Week, 521).back(), "2015-01-06:1");
    EXPECT_EQ(shown(p, HistoryRange::Week, 521).front(), "2014-12-31:-");
    EXPECT_EQ(shown(p, HistoryRange::Year, 9).front(), "2015/1:1");
    EXPECT_EQ(p.bars(HistoryRange::Year, 8, title)[1].storedDays, 29);  // February 2016
    EXPECT_EQ(p.bars(HistoryRange::Year, 8, title)[1].total, 29);
}

TEST(HistoryPeriodTexts, WeeksAndMonthsAcrossMonthYearAndLeapDay) {
    const Lang en{"en"}, zh{"zh_CN"};
    // Inside one month, across a month end, across a year end.
    EXPECT_EQ(page(en, HistoryRange::Week, "2026-01-01", "2026-11-29"), "23 – 29 Nov 2026 | 23 Nov | Now");
    EXPECT_EQ(page(zh, HistoryRange::Week, "2026-01-01", "2026-11-29"), "2026年11月23日 – 29日 | 11月23日 | 现在");
    EXPECT_EQ(page(en, HistoryRange::Week, "2026-01-01", "2026-12-04"), "28 Nov – 4 Dec 2026 | 28 Nov | Now");
    EXPECT_EQ(page(zh, HistoryRange::Week, "2026-01-01", "2026-12-04"), "2026年11月28日 – 12月4日 | 11月28日 | 现在");
    EXPECT_EQ(page(en, HistoryRange::Week, "2026-01-01", "2027-01-02"), "27 Dec 2026 – 2 Jan 2027 | 27 Dec | Now");
    EXPECT_EQ(page(zh, HistoryRange::Week, "2026-01-01", "2027-01-02"),
              "2026年12月27日 – 2027年1月2日 | 12月27日 | 现在");
    // A past page names its own last day instead of "Now".
    EXPECT_EQ(page(en, HistoryRange::Week, "2026-01-01", "2027-01-09", 1), "27 Dec 2026 – 2 Jan 2027 | 27 Dec | 2 Jan");
    EXPECT_EQ(page(zh, HistoryRange::Week, "2026-01-01", "2027-01-09", 1),
              "2026年12月27日 – 2027年1月2日 | 12月27日 | 1月2日");
    // Thirty days back from 1 March: February has 29 days in 2024, 28 in 2023.
    EXPECT_EQ(page(en, HistoryRange::Month, "2020-01-01", "2024-03-01"), "1 Feb – 1 Mar 2024 | 1 Feb | Now");
    EXPECT_EQ(page(en, HistoryRange::Month, "2020-01-01", "2023-03-01"), "31 Jan – 1 Mar 2023 | 31 Jan | Now");
    EXPECT_EQ(page(zh, HistoryRange::Month, "2020-01-01", "2024-03-01"), "2024年2月1日 – 3月1日 | 2月1日 | 现在");
    EXPECT_EQ(page(en, HistoryRange::Month, "2020-01-01", "2024-03-30", 1), "31 Jan – 29 Feb 2024 | 31 Jan | 29 Feb");
    EXPECT_EQ(page(zh, HistoryRange::Month, "2020-01-01", "2024-03-30", 1),
              "2024年1月31日 – 2月29日 | 1月31日 | 2月29日");
}

TEST(HistoryPeriodTexts, YearsAndAllDays) {
    const Lang en{"en"}, zh{"zh_CN"};
    EXPECT_EQ(page(en, HistoryRange::Year, "2020-01-01", "2026-12-06"), "Jan – Dec 2026 | Jan 2026 | Now");
    EXPECT_EQ(page(zh, HistoryRange::Year, "2020-01-01", "2026-12-06"), "2026年1月 – 12月 | 2026年1月 | 现在");
    EXPECT_EQ(page(en, HistoryRange::Year, "2020-01-01", "2024-02-29"), "Mar 2023 – Feb 2024 | Mar 2023 | Now");
    EXPECT_EQ(page(zh, HistoryRange::Year, "2020-01-01", "2024-02-29", 1),
              "2022年3月 – 2023年2月 | 2022年3月 | 2023年2月");
    // The year's days run from the first of its first month to the last day of its last month.
    std::vector<sportsData> days(1);
    days[0].date = "2024-02-10";
    const auto year = HistoryPeriods(days).period(HistoryRange::Year, 0);
    ASSERT_TRUE(year);
    EXPECT_EQ(year->first, (CalendarDate{2023, 3, 1}));
    EXPECT_EQ(year->last, (CalendarDate{2024, 2, 29}));
    days[0].date = "2023-02-10";
    EXPECT_EQ(HistoryPeriods(days).period(HistoryRange::Year, 0)->last, (CalendarDate{2023, 2, 28}));

    // All days, and any range with nothing stored: the record and its two ends, no stray dash.
    EXPECT_EQ(page(en, HistoryRange::All, "2020-01-01", "2024-02-29"), "Activity record | Oldest | Now");
    EXPECT_EQ(page(zh, HistoryRange::All, "2020-01-01", "2024-02-29"), "运动记录 | 最早 | 现在");
    const auto none = historyPageTexts(en.lookup(), HistoryRange::Week, std::nullopt, true);
    EXPECT_EQ(none.subtitle, "Activity record");
    EXPECT_FALSE(HistoryPeriods(std::vector<sportsData>{}).period(HistoryRange::Week, 0));

    // Without a catalog the dates still show, in the English pattern.
    const TextLookup keys = [](std::string_view key) { return std::string(key); };
    EXPECT_EQ(historyPageTexts(keys, HistoryRange::Week, HistoryPeriod{{2024, 2, 24}, {2024, 3, 1}}, false).subtitle,
              "24 Feb – 1 Mar 2024");
}

TEST(HistoryPeriodTexts, MonthSummary) {
    const Lang en{"en"}, zh{"zh_CN"};
    const std::string february = monthYearTitle(en.lookup(), 2024, 2);
    EXPECT_EQ(monthSummary(en.lookup(), february, 123456.9, 29, false),
              "February 2024 · 123456 steps · days stored: 29");
    const std::string zhFebruary = monthYearTitle(zh.lookup(), 2024, 2);
    EXPECT_EQ(monthSummary(zh.lookup(), zhFebruary, 800, 2, true), "2024年2月（未完）· 共800步 · 记录2天");
}
