// SPDX-License-Identifier: MIT
// The history's ranges: every stored day, or a calendar week, month or year at a time, with paging.
#include "screens/history_range.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantro {
namespace {

constexpr const char* kNames[] = {"all", "week", "month", "year"};

std::int64_t monthNumber(int year, int month) {
    return static_cast<std::int64_t>(year) * 12 + (month - 1);
}

// The year and month (1 to 12) of a month number, also before year 0.
std::pair<int, int> yearMonth(std::int64_t number) {
    const std::int64_t year = number >= 0 ? number / 12 : (number - 11) / 12;
    return {static_cast<int>(year), static_cast<int>(number - year * 12) + 1};
}

std::int64_t firstDayOfMonth(std::int64_t number) {
    const auto [year, month] = yearMonth(number);
    return daysFromCivil(year, month, 1);
}

}  // namespace

std::optional<HistoryRange> parseHistoryRange(std::string_view text) {
    for (int i = 0; i < 4; ++i)
        if (text == kNames[i]) return static_cast<HistoryRange>(i);
    return std::nullopt;
}

int wholeSteps(float value) {
    if (!std::isfinite(value)) return 0;
    const double clamped = std::clamp(static_cast<double>(value), static_cast<double>(std::numeric_limits<int>::min()),
                                      static_cast<double>(std::numeric_limits<int>::max()));
    return static_cast<int>(clamped);
}

const char* historyRangeName(HistoryRange range) {
    return kNames[static_cast<int>(range)];
}

HistoryPeriods::HistoryPeriods(const std::vector<sportsData>& days) {
    m_listed.reserve(days.size());
    m_days.reserve(days.size());
    for (const sportsData& d : days) {
        m_listed.push_back({static_cast<float>(d.step), d.date});
        const auto date = parseDate(d.date);
        if (!date || !date->isValid()) continue;
        m_days.push_back(
            {daysFromCivil(date->year, date->month, date->day), static_cast<float>(d.step), m_listed.size() - 1});
    }
    // The listing is ordered by the date text; keep the calendar order even if a file holds odd keys.
    std::stable_sort(m_days.begin(), m_days.end(), [](const Day& a, const Day& b) { return a.number < b.number; });
}

int HistoryPeriods::pageCount(HistoryRange range) const {
    if (range == HistoryRange::All || m_days.empty()) return 1;
    const Day& oldest = m_days.front();
    const Day& newest = m_days.back();
    std::int64_t span = 0, per = 1;
    if (range == HistoryRange::Year) {
        const CalendarDate from = civilFromDays(oldest.number), to = civilFromDays(newest.number);
        span = monthNumber(to.year, to.month) - monthNumber(from.year, from.month) + 1;
        per = kYearMonths;
    } else {
        span = newest.number - oldest.number + 1;
        per = range == HistoryRange::Week ? kWeekDays : kMonthDays;
    }
    return static_cast<int>(std::min<std::int64_t>((span + per - 1) / per, 1 << 30));
}

std::optional<HistoryPeriod> HistoryPeriods::period(HistoryRange range, int page) const {
    if (m_days.empty()) return std::nullopt;
    page = std::clamp(page, 0, pageCount(range) - 1);
    std::int64_t first = m_days.front().number, last = m_days.back().number;
    if (range == HistoryRange::Year) {
        const CalendarDate newest = civilFromDays(last);
        const std::int64_t lastMonth = monthNumber(newest.year, newest.month) - std::int64_t{page} * kYearMonths;
        first = firstDayOfMonth(lastMonth - (kYearMonths - 1));
        last = firstDayOfMonth(lastMonth + 1) - 1;
    } else if (range != HistoryRange::All) {
        const int length = range == HistoryRange::Week ? kWeekDays : kMonthDays;
        last -= std::int64_t{page} * length;
        first = last - (length - 1);
    }
    return HistoryPeriod{civilFromDays(first), civilFromDays(last)};
}

std::vector<HistoryBar> HistoryPeriods::bars(HistoryRange range, int page,
                                             const std::function<std::string(int, int)>& monthTitle,
                                             std::optional<CalendarDate> today) const {
    std::vector<HistoryBar> out;
    fillBars(range, page, monthTitle, today, out);
    return out;
}

void HistoryPeriods::fillBars(HistoryRange range, int page, const std::function<std::string(int, int)>& monthTitle,
                              std::optional<CalendarDate> today, std::vector<HistoryBar>& out) const {
    out.clear();
    if (range == HistoryRange::All) {
        out.reserve(m_listed.size());
        for (const Listed& d : m_listed) out.push_back({d.steps, d.text, false, d.steps, 1, false});
        return;
    }
    const auto span = period(range, page);
    if (!span) return;
    const std::int64_t first = daysFromCivil(span->first.year, span->first.month, span->first.day);
    const std::int64_t last = daysFromCivil(span->last.year, span->last.month, span->last.day);
    const auto byNumber = [](const Day& d, std::int64_t n) { return d.number < n; };
    auto it = std::lower_bound(m_days.begin(), m_days.end(), first, byNumber);

    if (range == HistoryRange::Year) {
        const std::int64_t todayMonth =
            today && today->isValid() ? monthNumber(today->year, today->month) : std::int64_t{-1} << 40;
        const std::int64_t firstMonth = monthNumber(span->first.year, span->first.month);
        out.resize(kYearMonths);
        for (int i = 0; i < kYearMonths; ++i) {
            const std::int64_t mn = firstMonth + i;
            const std::int64_t next = firstDayOfMonth(mn + 1);
            HistoryBar& bar = out[static_cast<std::size_t>(i)];
            for (; it != m_days.end() && it->number < next; ++it) {
                bar.total += it->steps;
                ++bar.storedDays;
            }
            const auto [year, month] = yearMonth(mn);
            bar.title = monthTitle(year, month);
            bar.empty = bar.storedDays == 0;
            bar.value = bar.empty ? 0 : static_cast<float>(bar.total / bar.storedDays);
            bar.partial = mn == todayMonth;
        }
        return;
    }

    out.reserve(static_cast<std::size_t>(last - first + 1));
    for (std::int64_t n = first; n <= last; ++n) {
        if (it != m_days.end() && it->number == n) {
            // Two rows cannot share a date key, but "2014-7-1" and "2014-07-01" in a file written by
            // another tool would name one day: the last one listed wins.
            HistoryBar bar;
            for (; it != m_days.end() && it->number == n; ++it)
                bar = {it->steps, m_listed[it->listed].text, false, it->steps, 1, false};
            out.push_back(std::move(bar));
        } else {
            out.push_back({0, formatDate(civilFromDays(n)), true, 0, 0, false});
        }
    }
}

}  // namespace vantro
