// SPDX-License-Identifier: MIT
// The texts that say which period the history shows: header subtitle, footer ends, month titles.
#include "screens/history_period_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace vantro {
namespace {

using Fields = std::initializer_list<std::pair<std::string_view, std::string>>;

// The catalog's pattern for `key`, or `fallback` when the catalog lacks it (the key comes back, or a
// text without any field, which would drop the date silently).
std::string pattern(const TextLookup& localized, std::string_view key, std::string_view fallback) {
    std::string text = localized(key);
    if (text == key || text.find('{') == std::string::npos) return std::string(fallback);
    return text;
}

std::string fill(std::string text, Fields fields) {
    for (const auto& [name, value] : fields) {
        const std::string field = "{" + std::string(name) + "}";
        for (auto at = text.find(field); at != std::string::npos; at = text.find(field, at + value.size()))
            text.replace(at, field.size(), value);
    }
    return text;
}

std::string shortMonth(const TextLookup& localized, int month) {
    static constexpr const char* kKeys[] = {"MonthShort1", "MonthShort2",  "MonthShort3",  "MonthShort4",
                                            "MonthShort5", "MonthShort6",  "MonthShort7",  "MonthShort8",
                                            "MonthShort9", "MonthShort10", "MonthShort11", "MonthShort12"};
    static constexpr const char* kEnglish[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int i = std::clamp(month, 1, 12) - 1;
    const std::string text = localized(kKeys[i]);
    return text == kKeys[i] ? kEnglish[i] : text;
}

std::string dayMonth(const TextLookup& localized, const CalendarDate& d) {
    return fill(pattern(localized, "DayMonth", "{d} {m}"),
                {{"d", std::to_string(d.day)}, {"m", shortMonth(localized, d.month)}});
}

std::string monthOfYear(const TextLookup& localized, const CalendarDate& d) {
    return fill(pattern(localized, "MonthYearShort", "{m} {y}"),
                {{"m", shortMonth(localized, d.month)}, {"y", std::to_string(d.year)}});
}

std::string periodText(const TextLookup& localized, HistoryRange range, const HistoryPeriod& p) {
    const bool sameYear = p.first.year == p.last.year;
    std::string text;
    if (range == HistoryRange::Year)
        text = sameYear ? pattern(localized, "PeriodMonthsInYear", "{m1} – {m2} {y2}")
                        : pattern(localized, "PeriodMonths", "{m1} {y1} – {m2} {y2}");
    else if (sameYear && p.first.month == p.last.month)
        text = pattern(localized, "PeriodDaysInMonth", "{d1} – {d2} {m2} {y2}");
    else
        text = sameYear ? pattern(localized, "PeriodDaysInYear", "{d1} {m1} – {d2} {m2} {y2}")
                        : pattern(localized, "PeriodDays", "{d1} {m1} {y1} – {d2} {m2} {y2}");
    return fill(std::move(text), {{"d1", std::to_string(p.first.day)},
                                  {"m1", shortMonth(localized, p.first.month)},
                                  {"y1", std::to_string(p.first.year)},
                                  {"d2", std::to_string(p.last.day)},
                                  {"m2", shortMonth(localized, p.last.month)},
                                  {"y2", std::to_string(p.last.year)}});
}

}  // namespace

HistoryPageTexts historyPageTexts(const TextLookup& localized, HistoryRange range,
                                  const std::optional<HistoryPeriod>& period, bool reachesNewest) {
    HistoryPageTexts out;
    if (range == HistoryRange::All || !period) {
        out.subtitle = localized("label.history.subtitle");
        if (out.subtitle == "label.history.subtitle") out.subtitle = "运动记录";  // the fixed fallback text
        out.left = localized("Old");
        out.right = localized("Now");
        return out;
    }
    out.subtitle = periodText(localized, range, *period);
    const bool months = range == HistoryRange::Year;
    out.left = months ? monthOfYear(localized, period->first) : dayMonth(localized, period->first);
    if (reachesNewest)
        out.right = localized("Now");
    else
        out.right = months ? monthOfYear(localized, period->last) : dayMonth(localized, period->last);
    return out;
}

std::string monthYearTitle(const TextLookup& localized, int year, int month) {
    static constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                              "July",    "August",   "September", "October", "November", "December"};
    return fill(pattern(localized, "MonthYear", "{month} {year}"),
                {{"month", localized(kMonths[std::clamp(month, 1, 12) - 1])}, {"year", std::to_string(year)}});
}

std::string monthSummary(const TextLookup& localized, const std::string& monthTitle, double total, int storedDays,
                         bool partial) {
    const std::string text =
        partial ? pattern(localized, "MonthSummaryPartial", "{month} so far · {total} steps · days stored: {days}")
                : pattern(localized, "MonthSummary", "{month} · {total} steps · days stored: {days}");
    const double whole = std::isfinite(total) ? std::trunc(total) : 0;
    char number[32];
    std::snprintf(number, sizeof number, "%.0f", whole);
    return fill(text, {{"month", monthTitle}, {"total", number}, {"days", std::to_string(storedDays)}});
}

}  // namespace vantro
