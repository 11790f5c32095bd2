// SPDX-License-Identifier: MIT
// Reading backup files: what is accepted, and the line and reason of what is refused.
#include "store/records_export.h"
#include "store/records_import.h"

#include <gtest/gtest.h>

using namespace vantro;
using namespace std::string_literals;

TEST(RecordsImport, BothFormatsReadBackWhatWasWritten) {
    StoredRecord night{"2014-07-14", {}};
    night.values[*recordFieldIndex("enter_time")] = 10;
    night.values[*recordFieldIndex("start_time")] = 23 * 60 + 5;
    StoredRecord day{"2014-07-15", {}};
    for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
        if (kRecordFields[i].day) day.values[i] = 50000 + static_cast<std::int64_t>(i);
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

// Malformed files, values store-day would not take, and bytes past the end or inside the text.
TEST(RecordsImport, RefusedFilesNameTheLineAndTheReason) {
    const struct {
        std::string text;
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
        {"date,step\n2014-07-15,-1\n", 2, "from 0 to 65535"},
        {"date,wakeup_count\n2014-07-15,65536\n", 2, "from 0 to 65535"},
        {"[\n{\"date\": \"2014-07-15\",\n\"wakeup_count\": 65536}]", 2, "from 0 to 65535"},
        {"[\n{\"date\": \"2014-07-15\",\n\"step\": -1}]", 2, "from 0 to 65535"},
        {"date,step\n2014-07-15,9223372036854775807\n", 2, "from 0 to 65535"},
        {"[\n{\"date\": \"2014-07-15\",\n\"step\": -9223372036854775808}]", 2, "from 0 to 65535"},
        {"[\n{\"date\": \"2014-07-15\"},\n{\"date\": \"2014-07-16\", \"deep_time\": 18446744073709551615}]", 3,
         "from 0 to 65535"},
        {"[\n{\"date\": \"2014-07-15\", \"step\": 1, \"date\": \"2014-08-02\"}]", 2, "'date' is given twice"},
        {"[{\"date\": \"2014-07-15\"},\n {\"date\": \"2014-07-16\", \"step\": 1,\n \"step\": 2}]", 2,
         "'step' is given twice"},
        {"[{\"date\": \"2014-07-15\"}]\n\0[{\"date\": \"2014-07-16\"}]"s, 2, "NUL"},
        {"[{\"date\": \"2014-07-15\", \"step\": 1}\0, {\"date\": \"2014-07-16\"}]"s, 1, "NUL"},
        {"[{\"date\": \"2014-07-15\"}]\n[{\"date\": \"2014-07-16\"}]", 2, "not valid JSON"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseRecords(c.text);
        ASSERT_TRUE(parsed.problem) << c.text;
        EXPECT_EQ(parsed.problem->line, c.line) << c.text;
        EXPECT_NE(parsed.problem->reason.find(c.reason), std::string::npos) << c.text << ": " << parsed.problem->reason;
        EXPECT_TRUE(parsed.records.empty());
    }
    // The ends of the range are fine.
    const auto edge = parseRecords("[{\"date\": \"2014-07-15\", \"step\": 65535, \"tstep\": 0}]");
    ASSERT_FALSE(edge.problem) << edge.problem->reason;
    EXPECT_EQ(edge.records[0].values[*recordFieldIndex("step")], 65535);
}

TEST(RecordsImport, MessagesQuoteFieldsShortAndEscaped) {
    const std::string huge(10'000'000, 'x');
    const std::string texts[] = {
        "date,step\n\x1b]0;pwned\x07\x1b[2J,1\n",  // retitles and clears a terminal
        "date,step\n2014-07-15,1\xff\xfe\n",       // not UTF-8
        "date,step\n2014-07-15,\xc2\x9b"
        "31m\n",                                                   // a C1 control in UTF-8
        "date,st\x1b[1mep\n",                                      // in the header
        "[{\"date\": \"" + huge + "\"}]",                          // one 10 MB field
        "[{\"date\": \"2014-07-15\", \"step\": \"\\u001b[2J\"}]",  // an escape decoded by the parser
        "[{\"date\": \"2014-07-15\", \"\\u009b1m\": 1}]",
    };
    for (const auto& text : texts) {
        const auto parsed = parseRecords(text);
        ASSERT_TRUE(parsed.problem) << text.substr(0, 60);
        const std::string& reason = parsed.problem->reason;
        EXPECT_LT(reason.size(), 200u) << reason.substr(0, 300);
        for (std::size_t i = 0; i < reason.size(); ++i) {
            const auto c = static_cast<unsigned char>(reason[i]);
            EXPECT_FALSE(c < 0x20 || c == 0x7F || c == 0xFF || c == 0xFE) << reason;
            EXPECT_FALSE(c == 0xC2 && i + 1 < reason.size() && static_cast<unsigned char>(reason[i + 1]) < 0xA0)
                << reason;
        }
    }
    EXPECT_NE(parseRecords(texts[0]).problem->reason.find("'\\x1B]0;pwned\\x07\\x1B[2J'"), std::string::npos);
    EXPECT_NE(parseRecords(texts[4]).problem->reason.find("(10000000 bytes)"), std::string::npos);
}
