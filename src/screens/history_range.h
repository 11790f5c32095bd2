// SPDX-License-Identifier: MIT
// The history's ranges: every stored day, or a calendar week, month or year at a time, with paging.
#pragma once

#include "store/sports_data.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

enum class HistoryRange { All, Week, Month, Year };

/// "all", "week", "month", "year"; absent for anything else.
std::optional<HistoryRange> parseHistoryRange(std::string_view text);
const char* historyRangeName(HistoryRange range);

/// One bar: its steps, its panel title and whether any record lies behind it.
struct HistoryBar {
    float value = 0;
    std::string title;
    bool empty = false;
};

/// The days of one period, laid out as bars, oldest first.
class HistoryPeriods {
public:
    static constexpr int kWeekDays = 7;
    static constexpr int kMonthDays = 30;
    static constexpr int kYearMonths = 12;

    /// `days` in ascending date order, as listed by the database. Dates that are not calendar days
    /// only show in the all-days range.
    explicit HistoryPeriods(const std::vector<sportsData>& days);

    /// How many pages the range has; at least 1. Page 0 ends with the newest stored day (or month),
    /// and the oldest page is the one that holds the oldest day, so no page is ever empty of data
    /// unless there is no data at all.
    int pageCount(HistoryRange range) const;
    /// The bars of a page, clamped into 0 ... pageCount − 1. `monthTitle` names a month (1 to 12)
    /// of a year for the year range.
    std::vector<HistoryBar> bars(HistoryRange range, int page,
                                 const std::function<std::string(int year, int month)>& monthTitle) const;

private:
    struct Day {
        std::int64_t number;  // days since 1970-01-01
        float steps;
        std::string text;
    };
    const std::vector<sportsData>& m_all;
    std::vector<Day> m_days;  // calendar days only, ascending
};

}  // namespace vantro
