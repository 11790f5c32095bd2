// SPDX-License-Identifier: MIT
// One row of the activity database as it is stored, with every never-written column kept absent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantro {

/// A column of a row, named as the export names it.
struct RecordField {
    const char* name;    // the export's field name
    const char* column;  // the database column
    bool day;            // written by the day upsert (else by the sleep upsert)
    bool time;           // an "HH:mm" text (else a whole number)
};

/// Every column but the date, in the export's order; the further step count came last to the export.
inline constexpr std::array<RecordField, 14> kRecordFields{{
    {"step", "cStep", true, false},
    {"distance", "cDistance", true, false},
    {"calories", "cColaries", true, false},
    {"activetime", "cActiveTime", true, false},
    {"restcal", "cRestcal", true, false},
    {"enter_time", "cEnterTime", false, false},
    {"spindles_time", "cSpindlesTime", false, false},
    {"deep_time", "cDeepTime", false, false},
    {"rem_time", "cREMTime", false, false},
    {"wakeup_count", "cWakeupCount", false, false},
    {"wakeup_time", "cWakeupTime", false, false},
    {"start_time", "cStartTime", false, true},
    {"total_time", "cTotalTime", false, true},
    {"tstep", "cTStep", true, false},
}};

/// The largest count a record holds: the wristband reports unsigned 16-bit values.
inline constexpr std::int64_t kMaxRecordCount = 65535;

/// The index of a field name in kRecordFields, or absent.
std::optional<std::size_t> recordFieldIndex(std::string_view name);

/// One date's row. A time is held as minutes after midnight; an absent value was never written (NULL).
struct StoredRecord {
    std::string date;  // "yyyy-MM-dd"
    std::array<std::optional<std::int64_t>, kRecordFields.size()> values;

    /// Whether any column of the day (or of the night) holds a value.
    bool hasDay() const { return hasAny(true); }
    bool hasNight() const { return hasAny(false); }
    bool operator==(const StoredRecord&) const = default;

private:
    bool hasAny(bool day) const {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (kRecordFields[i].day == day && values[i]) return true;
        }
        return false;
    }
};

}  // namespace vantro
