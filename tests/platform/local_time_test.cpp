// SPDX-License-Identifier: MIT
#include "platform/local_time.h"

#include <gtest/gtest.h>

#include "tz_guard.h"

using namespace vantro;
using vantro::testing::TzGuard;

TEST(LocalTime, StrictDateParsing) {
    EXPECT_EQ(parseDate("2014-07-15"), (CalendarDate{2014, 7, 15}));
    EXPECT_EQ(parseDate("2016-02-29"), (CalendarDate{2016, 2, 29}));
    for (const char* bad : {"2014-02-30", "2015-02-29", "1900-02-29", "2014-13-01", "2014-00-10", "2014-07-00",
                            "2014-7-15", "2014-07-15 ", "20140715", "abcd-ef-gh", "0000-01-01", ""}) {
        EXPECT_FALSE(parseDate(bad)) << bad;
    }
    EXPECT_TRUE(parseDate("2000-02-29"));
}

TEST(LocalTime, StrictTimeParsing) {
    EXPECT_EQ(parseTime("23:59"), (TimeOfDay{23, 59}));
    EXPECT_EQ(parseTime("00:00"), (TimeOfDay{0, 0}));
    for (const char* bad : {"24:00", "12:60", "1:05", "12:5", "12-05", "-1:00", ""})
        EXPECT_FALSE(parseTime(bad)) << bad;
    EXPECT_EQ(parseDateTime("2014-12-29 23:05:09"), (LocalDateTime{2014, 12, 29, 23, 5, 9}));
    EXPECT_FALSE(parseDateTime("2014-12-29 23:05:60"));
    EXPECT_FALSE(parseDateTime("2014-12-29T23:05:09"));
    EXPECT_EQ(parseIsoLocal("2014-12-29T23:05:09"), (LocalDateTime{2014, 12, 29, 23, 5, 9}));
}

TEST(LocalTime, BreakdownHonoursTimeZone) {
    const Instant t{std::chrono::seconds{1405407600}};  // 2014-07-15 07:00:00 UTC
    const std::pair<const char*, int> zones[] = {{"UTC", 7}, {"Asia/Shanghai", 15}, {"America/Los_Angeles", 0}};
    for (const auto& [zone, hour] : zones) {
        TzGuard tz(zone);
        EXPECT_EQ(toLocal(t), (LocalDateTime{2014, 7, 15, hour, 0, 0})) << zone;
        EXPECT_EQ(fromLocal({2014, 7, 15, hour, 0, 0}), t) << zone;
    }
    EXPECT_FALSE(fromLocal({2014, 2, 30, 0, 0, 0}));
}

TEST(LocalTime, SkippedTimesMoveToANeighbouringDay) {
    TzGuard tz("Europe/Berlin");
    const CalendarDate springForward{2024, 3, 31};
    EXPECT_FALSE(exactInstant(springForward, {2, 30}));
    EXPECT_EQ(toLocal(*exactInstant(springForward, {3, 30})), (LocalDateTime{2024, 3, 31, 3, 30, 0}));
    EXPECT_EQ(dayShowingAll(springForward, {{1, 0}, {3, 0}}), springForward);
    EXPECT_EQ(dayShowingAll(springForward, {{1, 0}, {2, 0}}), (CalendarDate{2024, 3, 30}));
    EXPECT_EQ(addDays({2023, 12, 31}, 1), (CalendarDate{2024, 1, 1}));
    EXPECT_EQ(addDays({2024, 3, 1}, -1), (CalendarDate{2024, 2, 29}));
}

TEST(LocalTime, IsoUtcRoundTrip) {
    const Instant t{std::chrono::seconds{1405407600}};
    EXPECT_EQ(formatIsoUtc(t), "2014-07-15T07:00:00Z");
    EXPECT_EQ(parseIsoUtc("2014-07-15T07:00:00Z"), t);
    EXPECT_FALSE(parseIsoUtc("2014-07-15T07:00:00"));
    EXPECT_FALSE(parseIsoUtc("2014-02-30T07:00:00Z"));
    EXPECT_EQ(parseIsoUtc("1969-12-31T23:59:59Z"), Instant{std::chrono::seconds{-1}});
}
