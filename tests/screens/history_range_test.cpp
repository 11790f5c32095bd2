// SPDX-License-Identifier: MIT
#include "screens/history_period_text.h"
#include "screens/history_range.h"

#include "platform/local_time.h"
#include "platform/localizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace vantro;

namespace {

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
