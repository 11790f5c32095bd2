// SPDX-License-Identifier: MIT
// Outside text in messages, logs and status lines: quoted or escaped, never steering the terminal, capped.
#include "platform/strprintf.h"

#include <gtest/gtest.h>

using namespace vantro;

TEST(OutsideText, ControlBytesAreEscapedAndLongTextsCut) {
    const struct {
        std::string text;
        std::string escaped;
        bool control;
    } cases[] = {
        {"Vantro 2", "Vantro 2", false},
        {"\x1b[2J\x1b]0;PWN\a", "\\x1B[2J\\x1B]0;PWN\\x07", true},
        {"tab\tand\nline\x7f", "tab\\x09and\\x0Aline\\x7F", true},
        {"c1 \xc2\x9b"
         "31m",
         "c1 \\xC2\\x9B31m", true},  // C1 CSI, as UTF-8
        {"bad \xff\xfe utf-8", "bad \\xFF\\xFE utf-8", false},
        {"cut \xe6\x89", "cut \\xE6\\x89", false},
        {"手环 ok", "手环 ok", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeText(c.text), c.escaped) << c.text;
        EXPECT_EQ(quoteText(c.text), "'" + c.escaped + "'") << c.text;
        EXPECT_EQ(holdsControlCharacters(c.text), c.control) << c.text;
    }
    const std::string mebibyte(1 << 20, 'x');
    EXPECT_EQ(escapeText(mebibyte, 4), "xxxx… (1048576 bytes)");
    EXPECT_EQ(quoteText(mebibyte, 4), "'xxxx…' (1048576 bytes)");
    EXPECT_EQ(escapeText("abcd", 4), "abcd");
}
