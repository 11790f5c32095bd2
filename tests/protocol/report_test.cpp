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

// Every field of each report, the row texts and the stored records are checked through the view
// controller, on the same bytes; here, the edges of dates and times.

TEST(DecodeReport, DayRecordWithoutACalendarDay) {
    // Month 13 and 30 February are not calendar days: the record comes without a date.
    EXPECT_FALSE(as<DayRecordReport>(decode({0x34, 1, 0, 0, 0, 0, 0, 0, 0, 0xDE, 0x07, 13, 1, 0, 0})).date);
    EXPECT_FALSE(as<DayRecordReport>(decode({0x34, 1, 0, 0, 0, 0, 0, 0, 0, 0xDE, 0x07, 2, 30, 0, 0})).date);
}

TEST(DecodeReport, SleepRecordTimes) {
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
}

// Every length of every code, on exactly-sized heap buffers: ASan catches any read past the end.
TEST(DecodeReport, AnyBytesOfAnyLengthDecodeWithinBounds) {
    as<NothingReport>(decode({}));
    EXPECT_TRUE(std::holds_alternative<NothingReport>(DecodeReport(nullptr, 5)));
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
