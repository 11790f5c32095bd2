// SPDX-License-Identifier: MIT
#include "link/uuid_helpers.h"

#include "protocol/codes.h"

#include <gtest/gtest.h>

using namespace vantro;

TEST(UuidHelpers, TextAndNumberForms) {
    const BleUuid service = BleUuid::fromString(kWristbandServiceUuid);
    EXPECT_EQ(CBUUIDToString(service), "14701820-620A-3973-7C78-9CFFF0876ABD");
    EXPECT_EQ(CBUUIDToString(BleUuid::fromString("2a29")), "2a29");
    EXPECT_EQ(CBUUIDToString(BleUuid::fromString("0209")), " 2 9");  // each byte padded with a blank
    EXPECT_EQ(CBUUIDToChar(service), "<14701820 620a3973 7c789cff f0876abd>");
    EXPECT_EQ(CBUUIDToChar(BleUuid::fromString("180A")), "<180a>");
    EXPECT_EQ(UUIDToChar(std::nullopt), "NULL");
    EXPECT_EQ(UUIDToChar(service), kWristbandServiceUuid);
    EXPECT_EQ(CBUUIDToInt(service), 0x1470);
    EXPECT_EQ(CBUUIDToInt(BleUuid::fromString("2A29")), 0x2A29);
    EXPECT_EQ(CBUUIDToInt(BleUuid{}), 0);  // too short to read: no bytes beyond the id are touched
    EXPECT_EQ(CBUUIDToInt(BleUuid::fromBytes({0x42})), 0);
    EXPECT_EQ(IntToCBUUID(0x180A), BleUuid::fromString("180A"));
    EXPECT_EQ(CBUUIDToInt(IntToCBUUID(0xFFFE)), 0xFFFE);
}
