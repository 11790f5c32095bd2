// SPDX-License-Identifier: MIT
// The wristband's side of the protocol: stored days and nights, today's totals, the commands it was sent.
#pragma once

#include "platform/ble.h"
#include "platform/local_time.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace vantro {

/// One stored day as the band keeps it.
struct FirmwareDay {
    CalendarDate date;
    std::uint16_t steps = 0;
    std::uint16_t distance = 0;  // hundredths of a kilometre
    std::uint16_t calories = 0;
    std::uint16_t restcal = 0;
    std::uint16_t activeTime = 0;  // minutes
};

/// One stored night as the band keeps it; durations in minutes.
struct FirmwareNight {
    CalendarDate date;
    std::uint16_t enterTime = 0;
    std::uint16_t spindlesTime = 0;
    std::uint16_t deepTime = 0;
    std::uint16_t remTime = 0;
    std::uint16_t wakeupTime = 0;
    std::uint16_t wakeupCount = 0;
    std::uint8_t startHour = 0;
    std::uint8_t startMinute = 0;
};

/// A reminder window as sent: interval code, start and end hour and minute.
struct FirmwareReminder {
    int interval = 0;
    int startHour = 0;
    int startMinute = 0;
    int endHour = 0;
    int endMinute = 0;
    auto operator<=>(const FirmwareReminder&) const = default;
};

/// The last value of every setting the band was sent; absent until it was sent once.
struct FirmwareSettings {
    std::optional<CalendarDate> date;
    std::optional<std::array<int, 3>> time;  // hour, minute, second
    std::optional<int> bodyHeight;
    std::optional<int> bodyWeight;
    std::optional<int> displayTime;
    std::optional<std::array<int, 2>> alarm;  // hour, minute; 255, 255 means off
    std::optional<int> findme;
    std::optional<int> wish;
    std::optional<int> present;
    std::optional<FirmwareReminder> sitReminder;
    std::optional<FirmwareReminder> medicineReminder;
    int incomingCalls = 0;
    int incomingMessages = 0;
    int factoryResets = 0;
};

/// A wristband's firmware without any radio: frames in, reports out. The same model stands behind the
/// simulated central and any other stand-in for the band, so every transport plays the same band.
///
/// Stored records are deterministic under the seed: days and nights run back from the day before
/// `today`, oldest first. Each request is answered with one report per stored record, or with one
/// "no record" report (year 0) when nothing is stored.
class WristbandFirmware {
public:
    struct Options {
        std::uint64_t seed = 1;
        int days = 7;
        int nights = 7;
        CalendarDate today{2014, 7, 15};
        int versionMajor = 1;
        int versionMinor = 5;
    };

    explicit WristbandFirmware(Options options);

    /// Applies one written frame and returns the reports to notify in answer, in order.
    /// Frames the band does not know, or that are too short, change nothing and get no answer.
    std::vector<Bytes> receive(const Bytes& frame);

    /// Lets band time pass: today's totals grow, the battery drains slowly.
    void advance(double seconds);

    /// Today's running totals as the 15-byte current-data report.
    Bytes currentDataReport() const;
    /// The report the band sends when its emergency button is held: 0D 0E.
    static Bytes emergencyCallReport();

    static Bytes dayReport(const FirmwareDay& d);
    static Bytes nightReport(const FirmwareNight& n);

    const std::vector<FirmwareDay>& days() const { return m_days; }
    const std::vector<FirmwareNight>& nights() const { return m_nights; }
    /// Stores a record the way the band would after a day or night (replacing one of the same date).
    void storeDay(const FirmwareDay& d);
    void storeNight(const FirmwareNight& n);

    const FirmwareSettings& settings() const { return m_settings; }
    /// The most recent frames written to the band, oldest first (at most kFrameHistory).
    const std::deque<Bytes>& receivedFrames() const { return m_frames; }
    static constexpr std::size_t kFrameHistory = 1024;

    std::uint32_t todaySteps() const { return m_todaySteps; }
    int batteryLevel() const { return m_battery; }

private:
    void generate();
    std::uint64_t next();
    int range(int low, int high);  // inclusive

    Options m_options;
    std::uint64_t m_state;
    std::vector<FirmwareDay> m_days;
    std::vector<FirmwareNight> m_nights;
    FirmwareSettings m_settings;
    std::deque<Bytes> m_frames;

    std::uint32_t m_todaySteps = 0;
    double m_stepCarry = 0;
    double m_batteryCarry = 0;
    int m_battery = 87;
    double m_bandSeconds = 0;
};

}  // namespace vantro
