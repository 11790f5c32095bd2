// SPDX-License-Identifier: MIT
// Reading backup files: what is accepted, and the line and reason of what is refused.
#include "store/records_export.h"
#include "store/records_import.h"

#include <gtest/gtest.h>

using namespace vantro;

TEST(RecordsImport, BothFormatsReadBackWhatWasWritten) {
    StoredRecord night{"2014-07-14", {}};
    night.values[*recordFieldIndex("enter_time")] = 10;
    night.values[*recordFieldIndex("start_time")] = 23 * 60 + 5;
    StoredRecord day{"2014-07-15", {}};
    for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
        if (kRecordFields[i].day) day.values[i] = -15536 + static_cast<std::int64_t>(i);
    }
    const std::vector<StoredRecord> records{night, day, StoredRecord{"2014-07-16", {}}};
    for (const auto& text : {recordsToJson(records), recordsToCsv(records)}) {
        const auto parsed = parseRecords(text);
        EXPECT_FALSE(parsed.problem) << parsed.problem->reason;
        EXPECT_EQ(parsed.records, records) << text;
    }
    // Fields in another order, missing ones, LF line ends and a byte-order mark are fine.
    const auto csv = parseRecords("\xEF\xBB\xBFstep,date\n5,2014-07-16\n");
    ASSERT_EQ(csv.records.size(), 1u);
    EXPECT_EQ(csv.records[0].values[0], 5);
    EXPECT_FALSE(csv.records[0].hasNight());
}

TEST(RecordsImport, MalformedFilesAreRefusedWithLineAndReason) {
    const struct {
        const char* text;
        std::size_t line;
        const char* reason;
    } cases[] = {
        {"", 1, "empty"},
        {"date,steps\n", 1, "'steps'"},
        {"step\n1\n", 1, "no date column"},
        {"date,date\n", 1, "'date'"},
        {"date,step\n2014-07-15,1\n2014-02-30,2\n", 3, "not a date"},
        {"date,step\n2014-7-15,1\n", 2, "not a date"},
        {"date,step\n2014-07-15,1,2\n", 2, "3 fields"},
        {"date,step\n2014-07-15,1\n2014-07-15,2\n", 3, "given twice"},
        {"date,step\n2014-07-15,99999999999999999999\n", 2, "whole number"},
        {"date,start_time\n2014-07-15,24:00\n", 2, "time HH:MM"},
        {"date,step\n\"2014-07-15,1\n", 2, "not closed"},
        {"date,step\n2014-07-15,1\"\n", 2, "quote inside"},
        {"[\n  {\"date\": \"2014-07-15\"},\n  {\"date\": \"2014-07-16\", \"step\": 1.5}\n]", 3, "whole number"},
        {"[\n  {\"date\": \"2014-07-15\", \"stp\": 1}\n]", 2, "unknown field 'stp'"},
        {"[\n  {\"step\": 1}\n]", 2, "needs its date"},
        {"[\n  7\n]", 2, "object"},
        {"[\n  {\"date\": \"2014-07-15\",\n   \"step\": [1]}\n]", 3, "nested deeper"},
        {"[\n  {\"date\": \"2014-07-15\"\n  \"step\": 1}\n]", 3, "not valid JSON"},
        {"[\n  {\"date\": \"2014-07-15\", \"start_time\": 5}\n]", 2, "time HH:MM"},
        {"[\n  {\"date\": \"2014-07-15\",\n\"step\": 1E6000}\n]", 3, "out of range"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseRecords(c.text);
        ASSERT_TRUE(parsed.problem) << c.text;
        EXPECT_EQ(parsed.problem->line, c.line) << c.text;
        EXPECT_NE(parsed.problem->reason.find(c.reason), std::string::npos) << c.text << ": " << parsed.problem->reason;
        EXPECT_TRUE(parsed.records.empty());
    }
}
