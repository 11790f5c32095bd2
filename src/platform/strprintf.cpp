// SPDX-License-Identifier: MIT
// printf-style formatting into a std::string; the system's texts are printf formats.
#include "platform/strprintf.h"

#include "platform/key_value_store.h"

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

std::string quoteText(std::string_view text, std::size_t maxChars) {
    std::string out = "'";
    std::size_t i = 0;
    for (std::size_t chars = 0; i < text.size() && chars < maxChars; ++chars) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        const std::string_view sequence = text.substr(i, length);
        // C1 controls (U+0080 to U+009F, UTF-8 C2 80 to C2 9F) steer terminals as the C0 ones do.
        const bool c1 = c == 0xC2 && sequence.size() == 2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
        if (c < 0x20 || c == 0x7F || (length > 1 && (c1 || !isValidUtf8(sequence)))) {
            out += strprintf("\\x%02X", c);
            ++i;
        } else {
            out += sequence;
            i += sequence.size();
        }
    }
    out += i < text.size() ? "…'" + strprintf(" (%zu bytes)", text.size()) : "'";
    return out;
}

std::string withNumber(std::string text, long long n) {
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, std::to_string(n));
    return text;
}

}  // namespace vantro
