// SPDX-License-Identifier: MIT
// One date's activity totals, as listed from the activity database.
#pragma once

#include <cstdint>
#include <string>

namespace vantro {

/// A day of activity; the date text is "yyyy-MM-dd" as stored.
struct sportsData {
    std::string date;
    std::int32_t step = 0;
    std::int32_t distance = 0;  // hundredths of a kilometre
    std::int32_t calories = 0;
    std::int32_t activetime = 0;
    std::int32_t restcal = 0;
};

}  // namespace vantro
