// SPDX-License-Identifier: MIT
// The history's ranges: every stored day, or a calendar week, month or year at a time, with paging.
#include "screens/history_range.h"

#include "platform/local_time.h"

#include <algorithm>

namespace vantro {
namespace {

constexpr const char* kNames[] = {"all", "week", "month", "year"};

std::int64_t monthNumber(int year, int month) {
    return static_cast<std::int64_t>(year) * 12 + (month - 1);
}

}  // namespace

std::optional<HistoryRange> parseHistoryRange(std::string_view text) {
    for (int i = 0; i < 4; ++i)
        if (text == kNames[i]) return static_cast<HistoryRange>(i);
    return std::nullopt;
}

const char* historyRangeName(HistoryRange range) {
    return kNames[static_cast<int>(range)];
}

HistoryPeriods::HistoryPeriods(const std::vector<sportsData>& days) : m_all(days) {
    m_days.reserve(days.size());
    for (const sportsData& d : days) {
        const auto date = parseDate(d.date);
        if (!date || !date->isValid()) continue;
        m_days.push_back({daysFromCivil(date->year, date->month, date->day), static_cast<float>(d.step), d.date});
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

std::vector<HistoryBar> HistoryPeriods::bars(HistoryRange range, int page,
                                             const std::function<std::string(int, int)>& monthTitle) const {
    std::vector<HistoryBar> out;
    if (range == HistoryRange::All) {
        out.reserve(m_all.size());
        for (const sportsData& d : m_all) out.push_back({static_cast<float>(d.step), d.date, false});
        return out;
    }
    if (m_days.empty()) return out;
    page = std::clamp(page, 0, pageCount(range) - 1);
    const auto byNumber = [](const Day& d, std::int64_t n) { return d.number < n; };

    if (range == HistoryRange::Year) {
        const CalendarDate newest = civilFromDays(m_days.back().number);
        const std::int64_t last =
            monthNumber(newest.year, newest.month) - static_cast<std::int64_t>(page) * kYearMonths;
        const std::int64_t first = last - (kYearMonths - 1);
        out.resize(kYearMonths);
        for (int i = 0; i < kYearMonths; ++i) {
            const std::int64_t mn = first + i;
            const int year = static_cast<int>(mn >= 0 ? mn / 12 : (mn - 11) / 12);
            const int month = static_cast<int>(mn - static_cast<std::int64_t>(year) * 12) + 1;
            const std::int64_t from = daysFromCivil(year, month, 1);
            const std::int64_t to = month == 12 ? daysFromCivil(year + 1, 1, 1) : daysFromCivil(year, month + 1, 1);
            auto it = std::lower_bound(m_days.begin(), m_days.end(), from, byNumber);
            double total = 0;
            bool any = false;
            for (; it != m_days.end() && it->number < to; ++it) {
                total += it->steps;
                any = true;
            }
            out[static_cast<std::size_t>(i)] = {static_cast<float>(total), monthTitle(year, month), !any};
        }
        return out;
    }

    const int length = range == HistoryRange::Week ? kWeekDays : kMonthDays;
    const std::int64_t last = m_days.back().number - static_cast<std::int64_t>(page) * length;
    const std::int64_t first = last - (length - 1);
    auto it = std::lower_bound(m_days.begin(), m_days.end(), first, byNumber);
    out.reserve(static_cast<std::size_t>(length));
    for (std::int64_t n = first; n <= last; ++n) {
        if (it != m_days.end() && it->number == n) {
            // Two rows cannot share a date key, but "2014-7-1" and "2014-07-01" in a file written by
            // another tool would name one day: the last one listed wins.
            HistoryBar bar;
            for (; it != m_days.end() && it->number == n; ++it) bar = {it->steps, it->text, false};
            out.push_back(std::move(bar));
        } else {
            out.push_back({0, formatDate(civilFromDays(n)), true});
        }
    }
    return out;
}

}  // namespace vantro
