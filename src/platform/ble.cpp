// SPDX-License-Identifier: MIT
// The Bluetooth Low Energy central role as the app uses it: scan, connect, GATT, signal strength.
#include "platform/ble.h"

#include <cctype>

namespace vantro {
namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

BleUuid BleUuid::fromString(std::string_view text) {
    std::string hex;
    if (text.size() == 4) {
        hex = std::string(text);
    } else if (text.size() == 36) {
        for (size_t i = 0; i < text.size(); ++i) {
            const bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
            if (dashPlace != (text[i] == '-')) return {};
            if (!dashPlace) hex += text[i];
        }
    } else {
        return {};
    }
    Bytes data;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = hexValue(hex[i]), lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return {};
        data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return fromBytes(std::move(data));
}

std::string BleUuid::toString() const {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < m_data.size(); ++i) {
        if (m_data.size() == 16 && (i == 4 || i == 6 || i == 8 || i == 10)) out += '-';
        out += kHex[m_data[i] >> 4];
        out += kHex[m_data[i] & 15];
    }
    return out;
}

}  // namespace vantro
