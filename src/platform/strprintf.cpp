// SPDX-License-Identifier: MIT
// printf-style formatting into a std::string; the system's texts are printf formats.
#include "platform/strprintf.h"

#include <cstdarg>
#include <cstdio>

namespace vantro {

std::string strprintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

}  // namespace vantro
