// SPDX-License-Identifier: MIT
// The history's ranges: every stored day, or a calendar week, month or year at a time, with paging.
#pragma once

#include "platform/local_time.h"
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

/// One bar: its height, its panel title and whether any record lies behind it. A day's height is its
/// steps; a month's is its daily average over the days stored in it, so a month with gaps or one
/// still running compares fairly with full ones.
struct HistoryBar {
    float value = 0;
    std::string title;
    bool empty = false;
    /// The steps of every stored day behind the bar, and how many days those are.
    double total = 0;
    int storedDays = 0;
    /// A month that today's date still lies in: its days are not all there yet.
    bool partial = false;
};

/// The whole steps a bar's value shows, wherever it is shown (the panel, a screen reader, the command
/// line): truncated toward zero, so a month averaging 8643.8 steps a day shows 8643; 0 for NaN, and
/// clamped into the range of int.
int wholeSteps(float value);

/// The first and last calendar day a page covers.
struct HistoryPeriod {
    CalendarDate first;
    CalendarDate last;
};

/// The days of one listing, laid out as bars, oldest first. Keeps its own copy of what it needs.
class HistoryPeriods {
public:
    static constexpr int kWeekDays = 7;
    static constexpr int kMonthDays = 30;
    static constexpr int kYearMonths = 12;

    HistoryPeriods() = default;
    /// `days` in ascending date order, as listed by the database. Dates that are not calendar days
    /// only show in the all-days range.
    explicit HistoryPeriods(const std::vector<sportsData>& days);

    /// How many pages the range has; at least 1. Page 0 ends with the newest stored day (or month),
    /// and the oldest page is the one that holds the oldest day, so no page is ever empty of data
    /// unless there is no data at all.
    int pageCount(HistoryRange range) const;
    /// The days a page covers (the page clamped as in `bars`); for all days, the oldest and newest
    /// stored calendar day. Absent when no calendar day is stored.
    std::optional<HistoryPeriod> period(HistoryRange range, int page) const;
    /// The bars of a page, clamped into 0 ... pageCount − 1. `monthTitle` names a month (1 to 12)
    /// of a year for the year range; `today` marks the month it falls in as partial.
    std::vector<HistoryBar> bars(HistoryRange range, int page,
                                 const std::function<std::string(int year, int month)>& monthTitle,
                                 std::optional<CalendarDate> today = std::nullopt) const;
    /// The same into `out`, whose storage is kept: ten years of days are a quarter megabyte of bars.
    void fillBars(HistoryRange range, int page, const std::function<std::string(int year, int month)>& monthTitle,
                  std::optional<CalendarDate> today, std::vector<HistoryBar>& out) const;

private:
    struct Listed {
        float steps;
        std::string text;
    };
    struct Day {
        std::int64_t number;  // days since 1970-01-01
        float steps;
        std::size_t listed;  // its entry in m_listed
    };
    std::vector<Listed> m_listed;  // every listed day, in listing order
    std::vector<Day> m_days;       // calendar days only, ascending
};

}  // namespace vantro
