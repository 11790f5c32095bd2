// SPDX-License-Identifier: MIT
// Device reports: what the wristband notifies, decoded into typed results.
#include "protocol/report.h"

#include "platform/strprintf.h"
#include "protocol/codes.h"

namespace vantro {
namespace {

// Little-endian unsigned 16-bit field at `at`; the caller has checked the length.
std::int32_t u16(const std::uint8_t* p, std::size_t at) {
    return p[at] | (p[at + 1] << 8);
}

constexpr std::size_t kImaCallSize = 2;
constexpr std::size_t kVersionSize = 3;
constexpr std::size_t kSleepSize = 19;
constexpr std::size_t kDataSize = 15;

}  // namespace

DecodedReport DecodeReport(const std::uint8_t* p, std::size_t size) {
    if (!p || size == 0) return NothingReport{};
    switch (p[0]) {
        case RPT_TYPE_IMA_CALL:
            if (size < kImaCallSize || p[1] != 0x0E) return NothingReport{};
            return EmergencyCallReport{};
        case RPT_TYPE_VERSION:
            if (size < kVersionSize) return NothingReport{};
            return VersionReport{p[2], p[1]};
        case RPT_TYPE_CURR_DATA: {
            if (size < kDataSize) return NothingReport{};
            return CurrentReport{u16(p, 1), u16(p, 3), u16(p, 5), u16(p, 7), p[9], u16(p, 13)};
        }
        case RPT_TYPE_DAY_DATA: {
            if (size < kDataSize) return NothingReport{};
            const int year = u16(p, 9);
            if (year == 0) return SyncCompleteReport{};
            return DayRecordReport{
                makeDate(year, p[11], p[12]), u16(p, 1), u16(p, 3), u16(p, 5), u16(p, 7), u16(p, 13)};
        }
        case RPT_TYPE_SLEEP: {
            if (size < kSleepSize) return NothingReport{};
            const int year = u16(p, 1);
            if (year == 0) return NothingReport{};
            SleepRecordReport r;
            r.date = makeDate(year, p[3], p[4]);
            r.enterTime = u16(p, 5);
            r.spindlesTime = u16(p, 7);
            r.deepTime = u16(p, 9);
            r.remTime = u16(p, 11);
            r.wakeupTime = u16(p, 13);
            r.wakeupCount = u16(p, 15);
            const int total = r.enterTime + r.spindlesTime + r.deepTime + r.remTime + r.wakeupTime;
            r.totalTime = makeTime(total / 60, total % 60);
            r.startTime = makeTime(p[17], p[18]);
            return r;
        }
        default:
            return UnrecognisedReport{};
    }
}

std::array<std::string, 5> CurrentRowTexts(const CurrentReport& r, const RowUnits& units) {
    // Calories read "cal", as the row does before the first report.
    return {strprintf("%d %s", r.steps, units.steps.c_str()),
            strprintf("%.2f %s", static_cast<double>(static_cast<float>(r.distance) / 100.0f), units.km.c_str()),
            strprintf("%d %s", r.activeTime, units.minute.c_str()),
            strprintf("%d %s", r.calories + r.restcal, units.cal.c_str()), strprintf("%d %%", r.battery)};
}

std::string VersionText(const VersionReport& r) {
    return strprintf("%d.%d", r.major, r.minor);
}

}  // namespace vantro
