// SPDX-License-Identifier: MIT
// Font mapping and the deterministic text metrics.
#include "platform/canvas.h"

namespace vantro {

std::size_t utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

Size FixedTextMetrics::measureText(std::string_view text, const Font& font) const {
    const double size = font.size > 0 ? font.size : 0;
    return {0.6 * size * static_cast<double>(utf8Length(text)), 1.2 * size};
}

FontFace nearestFace(const Font& font) {
    const auto has = [&](std::string_view part) { return font.name.find(part) != std::string::npos; };
    FontFace face{has("Condensed") ? "DejaVu Sans Condensed" : "DejaVu Sans", 400, font.size};
    if (has("Bold") || has("Heavy")) {
        face.weight = 700;
    } else if (has("Light") || has("Thin")) {
        face.weight = 300;
    }
    return face;
}

}  // namespace vantro
