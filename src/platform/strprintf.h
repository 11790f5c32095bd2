// SPDX-License-Identifier: MIT
// printf-style formatting into a std::string; the system's texts are printf formats.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantro {

/// strprintf("%d steps", 10) == "10 steps". The format must be a literal the compiler can check.
std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Text from a file, made safe to quote in a message: in single quotes, at most `maxChars` characters,
/// control characters and bytes that are not UTF-8 escaped. quoteText("a\x1b[2J") == "'a\\x1B[2J'";
/// a longer text ends with "…' (N bytes)".
std::string quoteText(std::string_view text, std::size_t maxChars = 80);

}  // namespace vantro
