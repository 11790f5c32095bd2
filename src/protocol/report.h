// SPDX-License-Identifier: MIT
// Device reports: what the wristband notifies, decoded into typed results.
#pragma once

#include "platform/local_time.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace vantro {

/// 0D 0E: the wristband asks the phone to place the emergency call.
struct EmergencyCallReport {};

struct VersionReport {
    int major = 0;
    int minor = 0;
};

/// Today's running totals. Counts travel as unsigned 16-bit values.
struct CurrentReport {
    std::int32_t steps = 0;
    std::int32_t distance = 0;  // hundredths of a kilometre
    std::int32_t calories = 0;
    std::int32_t restcal = 0;
    int battery = 0;              // percent
    std::int32_t activeTime = 0;  // minutes
};

/// One stored day; the date is absent when the report's date is not a real calendar day.
struct DayRecordReport {
    std::optional<CalendarDate> date;
    std::int32_t steps = 0;
    std::int32_t distance = 0;
    std::int32_t calories = 0;
    std::int32_t restcal = 0;
    std::int32_t activeTime = 0;
};

/// One night of sleep; total and start time are absent when they are not a time of day.
struct SleepRecordReport {
    std::optional<CalendarDate> date;
    std::int32_t enterTime = 0;
    std::int32_t spindlesTime = 0;
    std::int32_t deepTime = 0;
    std::int32_t remTime = 0;
    std::int32_t wakeupTime = 0;
    std::int32_t wakeupCount = 0;
    std::optional<TimeOfDay> totalTime;
    std::optional<TimeOfDay> startTime;
};

/// A day report with year 0: no record, but the sync is complete.
struct SyncCompleteReport {};
/// Empty value, a known code too short, an emergency byte other than 0E, a sleep report with year 0.
struct NothingReport {};
/// Any other first byte.
struct UnrecognisedReport {};

using DecodedReport = std::variant<EmergencyCallReport, VersionReport, CurrentReport, DayRecordReport,
                                   SleepRecordReport, SyncCompleteReport, NothingReport, UnrecognisedReport>;

/// Decodes one notified value. Pure; reads nothing beyond `size` bytes.
DecodedReport DecodeReport(const std::uint8_t* data, std::size_t size);

/// The units of the today rows; English unless the screen passes translated ones.
struct RowUnits {
    std::string steps = "steps";
    std::string km = "km";
    std::string minute = "minute";
    std::string cal = "cal";
    std::string db = "db";
};

/// The today-row texts of a current-data report, rows 0 to 4:
/// "%d steps", "%.2f km", "%d minute", "%d cal", "%d %" (with the given units).
std::array<std::string, 5> CurrentRowTexts(const CurrentReport& r, const RowUnits& units = {});
/// The version row text, "%d.%d" major then minor.
std::string VersionText(const VersionReport& r);

}  // namespace vantro
