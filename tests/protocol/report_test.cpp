// SPDX-License-Identifier: MIT
#include "protocol/report.h"

#include <gtest/gtest.h>

#include <random>

using namespace vantro;

namespace {
DecodedReport decode(std::vector<std::uint8_t> v) {
    return DecodeReport(v.data(), v.size());
}

template <class T>
T as(const DecodedReport& r) {
    EXPECT_TRUE(std::holds_alternative<T>(r)) << "alternative " << r.index();
    return std::holds_alternative<T>(r) ? std::get<T>(r) : T{};
}
}  // namespace

TEST(DecodeReport, CurrentData) {
    const std::vector<std::uint8_t> v{0x33, 0x10, 0x27, 0xE8, 0x03, 0x2C, 0x01, 0x96,
                                      0x00, 0x57, 0x00, 0x00, 0x00, 0x2D, 0x00};
    const auto r = as<CurrentReport>(decode(v));
    EXPECT_EQ(r.steps, 10000);
    EXPECT_EQ(r.distance, 1000);
    EXPECT_EQ(r.calories, 300);
    EXPECT_EQ(r.restcal, 150);
    EXPECT_EQ(r.battery, 87);
    EXPECT_EQ(r.activeTime, 45);
    // The row texts, counts above 32767 and bytes past the last field are checked through the view controller.
}

TEST(DecodeReport, Version) {
    const auto r = as<VersionReport>(decode({0x18, 0x05, 0x01}));
    EXPECT_EQ(VersionText(r), "1.5");
    as<NothingReport>(decode({0x18, 0x05}));
}

TEST(DecodeReport, DayRecord) {
    const auto r = as<DayRecordReport>(
        decode({0x34, 0xE8, 0x03, 0x2C, 0x01, 0x96, 0x00, 0x57, 0x00, 0xDE, 0x07, 0x07, 0x0F, 0x2D, 0x00}));
    ASSERT_TRUE(r.date);
    EXPECT_EQ(*r.date, (CalendarDate{2014, 7, 15}));
    EXPECT_EQ(r.steps, 1000);
    EXPECT_EQ(r.distance, 300);
    EXPECT_EQ(r.calories, 150);
    EXPECT_EQ(r.restcal, 87);
    EXPECT_EQ(r.activeTime, 45);

    as<SyncCompleteReport>(decode({0x34, 1, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 7, 15, 0, 0}));
    // Month 13 and 30 February are not calendar days: the record comes without a date.
    EXPECT_FALSE(as<DayRecordReport>(decode({0x34, 1, 0, 0, 0, 0, 0, 0, 0, 0xDE, 0x07, 13, 1, 0, 0})).date);
    EXPECT_FALSE(as<DayRecordReport>(decode({0x34, 1, 0, 0, 0, 0, 0, 0, 0, 0xDE, 0x07, 2, 30, 0, 0})).date);
    as<NothingReport>(decode({0x34, 1, 0, 0, 0, 0, 0, 0, 0, 0xDE, 0x07, 7, 15, 0}));
}

TEST(DecodeReport, SleepRecord) {
    const auto r = as<SleepRecordReport>(decode({0x1A, 0xDE, 0x07, 0x07, 0x0F, 0x0A, 0x00, 0xC8, 0x00, 0x78, 0x00, 0x3C,
                                                 0x00, 0x14, 0x00, 0x02, 0x00, 0x17, 0x1E}));
    EXPECT_EQ(r.date, (CalendarDate{2014, 7, 15}));
    EXPECT_EQ(r.enterTime, 10);
    EXPECT_EQ(r.spindlesTime, 200);
    EXPECT_EQ(r.deepTime, 120);
    EXPECT_EQ(r.remTime, 60);
    EXPECT_EQ(r.wakeupTime, 20);
    EXPECT_EQ(r.wakeupCount, 2);
    EXPECT_EQ(r.totalTime, (TimeOfDay{6, 50}));
    EXPECT_EQ(r.startTime, (TimeOfDay{23, 30}));

    // 1439 minutes is 23:59; 1440 and more is no time of day.
    std::vector<std::uint8_t> v{0x1A, 0xDE, 0x07, 0x07, 0x0F, 0x9F, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 24, 0};
    auto s = as<SleepRecordReport>(decode(v));
    EXPECT_EQ(s.totalTime, (TimeOfDay{23, 59}));
    EXPECT_FALSE(s.startTime);  // hour 24
    v[5] = 0xA0;
    EXPECT_FALSE(as<SleepRecordReport>(decode(v)).totalTime);
    // Five maximal durations do not overflow the total.
    for (int i = 5; i <= 14; ++i) v[static_cast<size_t>(i)] = 0xFF;
    s = as<SleepRecordReport>(decode(v));
    EXPECT_EQ(s.enterTime, 65535);
    EXPECT_FALSE(s.totalTime);

    v[1] = v[2] = 0;
    as<NothingReport>(decode(v));
    as<NothingReport>(decode({0x1A, 0xDE, 0x07, 0x07, 0x0F}));
}

TEST(DecodeReport, EmergencyAndOtherCodes) {
    as<EmergencyCallReport>(decode({0x0D, 0x0E}));
    as<NothingReport>(decode({0x0D, 0x0F}));
    as<NothingReport>(decode({0x0D}));
    as<NothingReport>(decode({}));
    as<UnrecognisedReport>(decode({0x99}));
    as<UnrecognisedReport>(decode({0x00, 0x01, 0x02}));
    EXPECT_TRUE(std::holds_alternative<NothingReport>(DecodeReport(nullptr, 5)));
}

// Every length of every code, on exactly-sized heap buffers: ASan catches any read past the end.
TEST(DecodeReport, AnyBytesOfAnyLengthDecodeWithinBounds) {
    std::mt19937 rng(7);
    for (int code = 0; code < 256; ++code) {
        for (size_t len = 1; len <= 24; ++len) {
            std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[len]);
            buf[0] = static_cast<std::uint8_t>(code);
            for (size_t i = 1; i < len; ++i) buf[i] = static_cast<std::uint8_t>(rng());
            const auto r = DecodeReport(buf.get(), len);
            size_t minimum = 0;
            switch (code) {
                case 0x0D:
                    minimum = 2;
                    break;
                case 0x18:
                    minimum = 3;
                    break;
                case 0x1A:
                    minimum = 19;
                    break;
                case 0x33:
                case 0x34:
                    minimum = 15;
                    break;
                default:
                    break;
            }
            if (minimum == 0) {
                EXPECT_TRUE(std::holds_alternative<UnrecognisedReport>(r)) << code;
            } else if (len < minimum) {
                EXPECT_TRUE(std::holds_alternative<NothingReport>(r)) << code << " len " << len;
            } else {
                EXPECT_FALSE(std::holds_alternative<UnrecognisedReport>(r)) << code;
            }
        }
    }
}
