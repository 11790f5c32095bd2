// SPDX-License-Identifier: MIT
// The texts that say which period the history shows: header subtitle, footer ends, month titles.
#pragma once

#include "screens/history_range.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantro {

/// Looks a catalog key up; returns the key itself when the catalog has no text for it.
using TextLookup = std::function<std::string(std::string_view key)>;

/// What the chart's header and footer say about the page on screen.
struct HistoryPageTexts {
    std::string subtitle;
    std::string left;
    std::string right;
};

/// For all days (or nothing stored): the record subtitle, "Old" and "Now". For a week, month or year:
/// the period as the subtitle ("23 – 29 Nov 2026", "Jan – Dec 2026"), its first and last day (or
/// month) at the footer's ends, and "Now" at the right only when the page reaches the newest day.
HistoryPageTexts historyPageTexts(const TextLookup& localized, HistoryRange range,
                                  const std::optional<HistoryPeriod>& period, bool reachesNewest);

/// A month's full name with its year: "March 2023", "2023年3月".
std::string monthYearTitle(const TextLookup& localized, int year, int month);

/// The panel title of a month in the year view: its name, total and stored days; a month still
/// running says so.
std::string monthSummary(const TextLookup& localized, const std::string& monthTitle, double total, int storedDays,
                         bool partial);

}  // namespace vantro
