// SPDX-License-Identifier: MIT
// One date's sleep record, as listed from the activity database.
#pragma once

#include <cstdint>
#include <string>

namespace vantro {

/// A night of sleep; durations in minutes, times "HH:mm" ("00:00" when not stored).
struct sleepData {
    std::string date;
    std::int32_t enter_time = 0;
    std::int32_t spindles_time = 0;
    std::int32_t deep_time = 0;
    std::int32_t rem_time = 0;
    std::int32_t wakeup_count = 0;
    std::int32_t wakeup_time = 0;
    std::string start_time = "00:00";
    std::string total_time = "00:00";
    /// False for a date whose row holds only activity: no night was ever written for it.
    bool stored = true;
};

}  // namespace vantro
