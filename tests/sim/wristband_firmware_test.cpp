// SPDX-License-Identifier: MIT
#include "sim/wristband_firmware.h"

#include "protocol/codes.h"
#include "protocol/frame.h"
#include "protocol/report.h"

#include "fake_ble.h"

#include <gtest/gtest.h>

using namespace vantro;
using namespace vantro::testing;

namespace {

WristbandFirmware::Options opts(std::uint64_t seed, int days, int nights, CalendarDate today = {2014, 7, 15}) {
    WristbandFirmware::Options o;
    o.seed = seed;
    o.days = days;
    o.nights = nights;
    o.today = today;
    return o;
}

Bytes frame(std::uint8_t type, std::vector<std::uint8_t> data = {}) {
    data.resize(6, 0);
    return *BuildFrame(type, data.data(), data.size(), LocalDateTime{2014, 7, 15, 15, 4, 5});
}

}  // namespace

TEST(WristbandFirmware, RecordsAreDeterministicUnderTheSeedAndRealistic) {
    WristbandFirmware a(opts(42, 30, 30)), b(opts(42, 30, 30)), c(opts(43, 30, 30));
    ASSERT_EQ(a.days().size(), 30u);
    ASSERT_EQ(a.nights().size(), 30u);
    bool differs = false;
    for (size_t i = 0; i < 30; ++i) {
        EXPECT_EQ(a.days()[i].steps, b.days()[i].steps);
        EXPECT_EQ(a.nights()[i].deepTime, b.nights()[i].deepTime);
        differs = differs || a.days()[i].steps != c.days()[i].steps;
        const auto& d = a.days()[i];
        EXPECT_GE(d.steps, 2500);
        EXPECT_LE(d.steps, 14000);
        EXPECT_NEAR(d.distance, d.steps * 0.075, d.steps * 0.008);  // 68 to 82 cm per step
        EXPECT_GE(d.restcal, 1350);
        const auto& n = a.nights()[i];
        const int total = n.enterTime + n.spindlesTime + n.deepTime + n.remTime + n.wakeupTime;
        EXPECT_GT(total, 240);
        EXPECT_LT(total, 600);
        EXPECT_TRUE(makeTime(n.startHour, n.startMinute));
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(a.todaySteps(), b.todaySteps());
}

TEST(WristbandFirmware, RecordsRunBackFromYesterdayAcrossMonthAndYear) {
    WristbandFirmware fw(opts(1, 5, 2, {2015, 1, 2}));
    std::vector<std::string> dates;
    for (const auto& d : fw.days()) dates.push_back(formatDate(d.date));
    EXPECT_EQ(dates, (std::vector<std::string>{"2014-12-28", "2014-12-29", "2014-12-30", "2014-12-31", "2015-01-01"}));
    EXPECT_EQ(formatDate(fw.nights().front().date), "2014-12-31");
    WristbandFirmware leap(opts(1, 1, 0, {2016, 3, 1}));
    EXPECT_EQ(formatDate(leap.days()[0].date), "2016-02-29");
}

TEST(WristbandFirmware, AnEmptyStoreSaysSoWithYearZero) {
    WristbandFirmware fw(opts(7, 0, 0));
    const auto days = fw.receive(frame(CMD_TYPE_GETDAY_DATA));
    ASSERT_EQ(days.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<SyncCompleteReport>(DecodeReport(days[0].data(), days[0].size())));
    const auto nights = fw.receive(frame(CMD_TYPE_GET_SLEEP));
    ASSERT_EQ(nights.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<NothingReport>(DecodeReport(nights[0].data(), nights[0].size())));
}

TEST(WristbandFirmware, RemembersTheSettingsItWasSent) {
    WristbandFirmware fw(opts(1, 1, 1));
    for (const auto& f :
         {frame(CMD_TYPE_DATE), frame(CMD_TYPE_TIME), frame(CMD_TYPE_BODYHEIGHT, {165}),
          frame(CMD_TYPE_BODYWEIGHT, {65}), frame(CMD_TYPE_DISPLAY_TIME, {5}), frame(CMD_TYPE_ALERT_TIME, {0xFF, 0xFF}),
          frame(CMD_TYPE_FINDME, {2}), frame(CMD_TYPE_WISH, {27, 3}), frame(CMD_TYPE_PRESENT, {28, 16}),
          frame(CMD_TYPE_PROMPT_SIT, {30, 2, 8, 0, 18, 0}), frame(CMD_TYPE_PROMPT_MEAD, {31, 12, 9, 30, 21, 45}),
          frame(CMD_TYPE_TELIN), frame(CMD_TYPE_TELIN), frame(CMD_TYPE_MSGIN)}) {
        EXPECT_TRUE(fw.receive(f).empty()) << hex(f);
    }
    const auto& s = fw.settings();
    EXPECT_EQ(std::tie(s.date, s.time, s.bodyHeight, s.bodyWeight, s.displayTime, s.alarm, s.findme, s.wish, s.present),
              std::make_tuple(CalendarDate{2014, 7, 15}, std::array<int, 3>{15, 4, 5}, 165, 65, 5,
                              std::array<int, 2>{255, 255}, 2, 3, 16));
    EXPECT_EQ(std::tie(s.sitReminder, s.medicineReminder, s.incomingCalls, s.incomingMessages),
              std::make_tuple(FirmwareReminder{2, 8, 0, 18, 0}, FirmwareReminder{12, 9, 30, 21, 45}, 2, 1));
    EXPECT_EQ(fw.receivedFrames().size(), 14u);
    EXPECT_EQ(hex(fw.receivedFrames()[2]), "04 A5");
}

TEST(WristbandFirmware, FactoryResetForgetsRecordsAndSettings) {
    WristbandFirmware fw(opts(1, 3, 3));
    fw.receive(frame(CMD_TYPE_BODYHEIGHT, {170}));
    fw.receive(frame(CMD_TYPE_FACTORY));
    EXPECT_EQ(fw.settings().factoryResets, 1);
    EXPECT_FALSE(fw.settings().bodyHeight);
    EXPECT_TRUE(fw.days().empty());
    EXPECT_TRUE(fw.nights().empty());
    EXPECT_EQ(fw.todaySteps(), 0u);
}

TEST(WristbandFirmware, TodayGrowsAndTheBatteryDrains) {
    WristbandFirmware fw(opts(3, 0, 0));
    const auto start = fw.todaySteps();
    for (int i = 0; i < 720; ++i) fw.advance(5.0);  // one hour
    EXPECT_GT(fw.todaySteps(), start + 1000);
    EXPECT_LT(fw.todaySteps(), start + 2.4 * 3600 + 1);
    EXPECT_EQ(fw.batteryLevel(), 86);
    const Bytes r = fw.currentDataReport();
    ASSERT_EQ(r.size(), 15u);
    EXPECT_EQ(r[1] | (r[2] << 8), static_cast<int>(fw.todaySteps()));
}

TEST(WristbandFirmware, FrameHistoryIsBounded) {
    WristbandFirmware fw(opts(1, 0, 0));
    for (std::size_t i = 0; i < WristbandFirmware::kFrameHistory + 10; ++i) fw.receive(frame(CMD_TYPE_TELIN));
    EXPECT_EQ(fw.receivedFrames().size(), WristbandFirmware::kFrameHistory);
    EXPECT_EQ(fw.settings().incomingCalls, static_cast<int>(WristbandFirmware::kFrameHistory + 10));
}
