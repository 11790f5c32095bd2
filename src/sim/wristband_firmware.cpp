// SPDX-License-Identifier: MIT
// The wristband's side of the protocol: stored days and nights, today's totals, the commands it was sent.
#include "sim/wristband_firmware.h"

#include "protocol/codes.h"

#include <algorithm>
#include <chrono>

namespace vantro {
namespace {

// Dates before `today`: index 1 is yesterday.
CalendarDate daysBefore(const CalendarDate& today, int back) {
    using namespace std::chrono;
    const sys_days t = year_month_day{year{today.year}, month{static_cast<unsigned>(today.month)},
                                      day{static_cast<unsigned>(today.day)}};
    const year_month_day d{t - days{back}};
    return {static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
            static_cast<int>(static_cast<unsigned>(d.day()))};
}

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

std::uint16_t clamp16(double v) {
    return static_cast<std::uint16_t>(std::clamp(v, 0.0, 65535.0));
}

constexpr double kStepsPerSecondMax = 2.4;  // a brisk walk at the top of the range
constexpr double kSecondsPerBatteryPercent = 3600;
constexpr int kLowestBattery = 5;
constexpr std::size_t kCurrentReportSize = 15;
constexpr std::size_t kSleepReportSize = 19;

}  // namespace

WristbandFirmware::WristbandFirmware(Options options) : m_options(options), m_state(options.seed) {
    generate();
}

// splitmix64: the same sequence on every platform, unlike the standard distributions.
std::uint64_t WristbandFirmware::next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int WristbandFirmware::range(int low, int high) {
    return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
}

void WristbandFirmware::generate() {
    const CalendarDate today = m_options.today.isValid() ? m_options.today : CalendarDate{2014, 7, 15};
    m_days.clear();
    m_nights.clear();
    for (int back = std::max(0, m_options.days); back >= 1; --back) {
        FirmwareDay d;
        d.date = daysBefore(today, back);
        const int steps = range(2500, 14000);
        const int strideCm = range(68, 82);
        d.steps = static_cast<std::uint16_t>(steps);
        d.distance = static_cast<std::uint16_t>(steps * strideCm / 1000);  // metres / 10
        d.calories = static_cast<std::uint16_t>(steps * range(35, 45) / 1000);
        d.restcal = static_cast<std::uint16_t>(range(1350, 1750));
        d.activeTime = static_cast<std::uint16_t>(steps / 110 + range(0, 20));
        m_days.push_back(d);
    }
    for (int back = std::max(0, m_options.nights); back >= 1; --back) {
        FirmwareNight n;
        n.date = daysBefore(today, back);
        n.enterTime = static_cast<std::uint16_t>(range(5, 30));
        n.spindlesTime = static_cast<std::uint16_t>(range(150, 260));
        n.deepTime = static_cast<std::uint16_t>(range(50, 120));
        n.remTime = static_cast<std::uint16_t>(range(60, 120));
        n.wakeupTime = static_cast<std::uint16_t>(range(5, 40));
        n.wakeupCount = static_cast<std::uint16_t>(range(0, 4));
        static const std::uint8_t kStartHours[] = {21, 22, 23, 0};
        n.startHour = kStartHours[range(0, 3)];
        n.startMinute = static_cast<std::uint8_t>(range(0, 59));
        m_nights.push_back(n);
    }
    m_todaySteps = static_cast<std::uint32_t>(range(800, 2400));
    m_battery = 87;
}

void WristbandFirmware::storeDay(const FirmwareDay& d) {
    for (auto& existing : m_days) {
        if (existing.date == d.date) {
            existing = d;
            return;
        }
    }
    m_days.push_back(d);
}

void WristbandFirmware::storeNight(const FirmwareNight& n) {
    for (auto& existing : m_nights) {
        if (existing.date == n.date) {
            existing = n;
            return;
        }
    }
    m_nights.push_back(n);
}

std::vector<Bytes> WristbandFirmware::receive(const Bytes& frame) {
    m_frames.push_back(frame);
    if (m_frames.size() > kFrameHistory) m_frames.pop_front();
    std::vector<Bytes> out;
    if (frame.empty()) return out;
    const auto at = [&](std::size_t i) { return static_cast<int>(frame[i]); };
    auto& s = m_settings;
    switch (frame[0]) {
        case CMD_TYPE_BODYHEIGHT:
            if (frame.size() >= 2) s.bodyHeight = at(1);
            break;
        case CMD_TYPE_BODYWEIGHT:
            if (frame.size() >= 2) s.bodyWeight = at(1);
            break;
        case CMD_TYPE_TELIN:
            ++s.incomingCalls;
            break;
        case CMD_TYPE_MSGIN:
            ++s.incomingMessages;
            break;
        case CMD_TYPE_DATE:
            if (frame.size() >= 5) {
                if (auto d = makeDate(at(1) * 256 + at(2), at(3), at(4))) s.date = d;
            }
            break;
        case CMD_TYPE_TIME:
            if (frame.size() >= 4 && makeTime(at(1), at(2)) && at(3) <= 59) s.time = {at(1), at(2), at(3)};
            break;
        case CMD_TYPE_FINDME:
            if (frame.size() >= 2) s.findme = at(1);
            break;
        case CMD_TYPE_DISPLAY_TIME:
            if (frame.size() >= 2) s.displayTime = at(1);
            break;
        case CMD_TYPE_ALERT_TIME:
            if (frame.size() >= 3) s.alarm = {at(1), at(2)};
            break;
        case CMD_TYPE_WISH:
            if (frame.size() >= 2) s.wish = at(1);
            break;
        case CMD_TYPE_PRESENT:
            if (frame.size() >= 2) s.present = at(1);
            break;
        case CMD_TYPE_PROMPT_SIT:
        case CMD_TYPE_PROMPT_MEAD:
            if (frame.size() >= 6) {
                const FirmwareReminder r{at(1), at(2), at(3), at(4), at(5)};
                (frame[0] == CMD_TYPE_PROMPT_SIT ? s.sitReminder : s.medicineReminder) = r;
            }
            break;
        case CMD_TYPE_GET_VERSION:
            out.push_back({RPT_TYPE_VERSION, static_cast<std::uint8_t>(m_options.versionMinor),
                           static_cast<std::uint8_t>(m_options.versionMajor)});
            break;
        case CMD_TYPE_GETCURR_DATA:
            out.push_back(currentDataReport());
            break;
        case CMD_TYPE_GETDAY_DATA:
            for (const auto& d : m_days) out.push_back(dayReport(d));
            if (m_days.empty()) out.push_back(dayReport(FirmwareDay{}));  // year 0: nothing stored
            break;
        case CMD_TYPE_GET_SLEEP:
            for (const auto& n : m_nights) out.push_back(nightReport(n));
            if (m_nights.empty()) out.push_back(nightReport(FirmwareNight{}));
            break;
        case CMD_TYPE_FACTORY:
            if (frame.size() >= 2 && frame[1] == 0x5A) {
                const int resets = s.factoryResets;
                s = FirmwareSettings{};
                s.factoryResets = resets + 1;
                m_days.clear();
                m_nights.clear();
                m_todaySteps = 0;
            }
            break;
        default:
            break;
    }
    return out;
}

void WristbandFirmware::advance(double seconds) {
    if (seconds <= 0) return;
    m_bandSeconds += seconds;
    const double rate = kStepsPerSecondMax * static_cast<double>(next() % 1001) / 1000.0;
    m_stepCarry += rate * seconds;
    const auto whole = static_cast<std::uint32_t>(m_stepCarry);
    m_stepCarry -= whole;
    m_todaySteps = std::min<std::uint32_t>(m_todaySteps + whole, 65535);
    m_batteryCarry += seconds;
    while (m_batteryCarry >= kSecondsPerBatteryPercent) {
        m_batteryCarry -= kSecondsPerBatteryPercent;
        if (m_battery > kLowestBattery) --m_battery;
    }
}

Bytes WristbandFirmware::currentDataReport() const {
    Bytes r(kCurrentReportSize, 0);
    r[0] = RPT_TYPE_CURR_DATA;
    const double steps = m_todaySteps;
    put16(r, 1, clamp16(steps));
    put16(r, 3, clamp16(steps * 0.075));                       // 75 cm stride, in tens of metres
    put16(r, 5, clamp16(steps * 0.04));                        // active kcal
    put16(r, 7, clamp16(600 + m_bandSeconds * 1600 / 86400));  // resting kcal burnt so far
    r[9] = static_cast<std::uint8_t>(m_battery);
    put16(r, 13, clamp16(steps / 110));
    return r;
}

Bytes WristbandFirmware::emergencyCallReport() {
    return {RPT_TYPE_IMA_CALL, 0x0E};
}

Bytes WristbandFirmware::dayReport(const FirmwareDay& d) {
    Bytes r(kCurrentReportSize, 0);
    r[0] = RPT_TYPE_DAY_DATA;
    put16(r, 1, d.steps);
    put16(r, 3, d.distance);
    put16(r, 5, d.calories);
    put16(r, 7, d.restcal);
    put16(r, 9, static_cast<std::uint32_t>(d.date.year));
    r[11] = static_cast<std::uint8_t>(d.date.month);
    r[12] = static_cast<std::uint8_t>(d.date.day);
    put16(r, 13, d.activeTime);
    return r;
}

Bytes WristbandFirmware::nightReport(const FirmwareNight& n) {
    Bytes r(kSleepReportSize, 0);
    r[0] = RPT_TYPE_SLEEP;
    put16(r, 1, static_cast<std::uint32_t>(n.date.year));
    r[3] = static_cast<std::uint8_t>(n.date.month);
    r[4] = static_cast<std::uint8_t>(n.date.day);
    put16(r, 5, n.enterTime);
    put16(r, 7, n.spindlesTime);
    put16(r, 9, n.deepTime);
    put16(r, 11, n.remTime);
    put16(r, 13, n.wakeupTime);
    put16(r, 15, n.wakeupCount);
    r[17] = n.startHour;
    r[18] = n.startMinute;
    return r;
}

}  // namespace vantro
