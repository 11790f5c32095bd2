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

void MemoryKeyValueStore::put(std::string_view key, StoredValue v) {
    auto it = m_values.find(key);
    if (it == m_values.end()) {
        m_values.emplace(std::string(key), std::move(v));
    } else {
        it->second = std::move(v);
    }
    changed();
}

}  // namespace vantro
