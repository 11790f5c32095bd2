// SPDX-License-Identifier: MIT
// printf-style formatting into a std::string; the system's texts are printf formats.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantro {

/// strprintf("%d steps", 10) == "10 steps". The format must be a literal the compiler can check.
std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// A translated text with its number in place of "%1", so each language places it where it belongs:
/// withNumber("Synced %1 min ago", 5) == "Synced 5 min ago".
std::string withNumber(std::string text, long long n);

/// Text from a file, made safe to quote in a message: in single quotes, at most `maxChars` characters,
/// control characters and bytes that are not UTF-8 escaped. quoteText("a\x1b[2J") == "'a\\x1B[2J'";
/// a longer text ends with "…' (N bytes)".
std::string quoteText(std::string_view text, std::size_t maxChars = 80);

}  // namespace vantro
