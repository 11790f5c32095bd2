// SPDX-License-Identifier: MIT
// printf-style formatting into a std::string; the system's texts are printf formats.
#pragma once

#include <string>

namespace vantro {

/// strprintf("%d steps", 10) == "10 steps". The format must be a literal the compiler can check.
std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vantro
