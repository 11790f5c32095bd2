// SPDX-License-Identifier: MIT
#include "screens/history_period_text.h"

#include "platform/localizer.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vantro;

namespace {

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
    EXPECT_EQ(monthSummary(zh.lookup(), zhFebruary, 800, 2, true),
              "2024年2月（未完）· 共800步 · 记录2天");
}
