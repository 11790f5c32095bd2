// SPDX-License-Identifier: MIT
// The typed per-application settings store.
#include "platform/key_value_store.h"

#include <cstdlib>

namespace vantro {

std::int64_t MemoryKeyValueStore::integerForKey(std::string_view key) const {
    auto it = m_values.find(key);
    if (it == m_values.end()) return 0;
    if (auto i = std::get_if<std::int64_t>(&it->second)) return *i;
    if (auto b = std::get_if<bool>(&it->second)) return *b ? 1 : 0;
    if (auto s = std::get_if<std::string>(&it->second)) return std::strtoll(s->c_str(), nullptr, 10);
    return 0;
}

bool MemoryKeyValueStore::boolForKey(std::string_view key) const {
    auto it = m_values.find(key);
    if (it == m_values.end()) return false;
    if (auto b = std::get_if<bool>(&it->second)) return *b;
    if (auto i = std::get_if<std::int64_t>(&it->second)) return *i != 0;
    if (auto s = std::get_if<std::string>(&it->second)) {
        return *s == "YES" || *s == "yes" || *s == "true" || std::strtoll(s->c_str(), nullptr, 10) != 0;
    }
    return false;
}

std::optional<std::string> MemoryKeyValueStore::stringForKey(std::string_view key) const {
    auto it = m_values.find(key);
    if (it == m_values.end()) return std::nullopt;
    if (auto s = std::get_if<std::string>(&it->second)) return *s;
    if (auto i = std::get_if<std::int64_t>(&it->second)) return std::to_string(*i);
    if (auto b = std::get_if<bool>(&it->second)) return std::string(*b ? "1" : "0");
    return std::nullopt;
}

std::optional<Instant> MemoryKeyValueStore::dateForKey(std::string_view key) const {
    auto it = m_values.find(key);
    if (it == m_values.end()) return std::nullopt;
    if (auto t = std::get_if<Instant>(&it->second)) return *t;
    return std::nullopt;
}

std::optional<StoredValue> MemoryKeyValueStore::valueForKey(std::string_view key) const {
    auto it = m_values.find(key);
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

void MemoryKeyValueStore::put(std::string_view key, StoredValue v) {
    beforeWrite();
    auto it = m_values.find(key);
    // The same value again (the chosen band at every reconnect) is not written: nothing changed.
    if (it != m_values.end() && it->second == v) return;
    if (it == m_values.end()) {
        m_values.emplace(std::string(key), std::move(v));
    } else {
        it->second = std::move(v);
    }
    keyChanged(key);
}

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t least = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2, cp = c & 0x1F, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, cp = c & 0x0F, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, cp = c & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace vantro
