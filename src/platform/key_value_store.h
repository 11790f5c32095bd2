// SPDX-License-Identifier: MIT
// The typed per-application settings store.
#pragma once

#include "platform/run_loop.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vantro {

/// A value of the store, as kept in memory.
using StoredValue = std::variant<std::int64_t, bool, std::string, Instant>;

/// Port: integer, boolean, string and time-stamp entries by key.
/// A key never written reads as 0, false or absent; booleans read as integers give 1 or 0.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    virtual std::int64_t integerForKey(std::string_view key) const = 0;
    virtual bool boolForKey(std::string_view key) const = 0;
    virtual std::optional<std::string> stringForKey(std::string_view key) const = 0;
    virtual std::optional<Instant> dateForKey(std::string_view key) const = 0;
    /// The entry as stored, absent for a key never written; tells a missing key from one that holds 0.
    virtual std::optional<StoredValue> valueForKey(std::string_view key) const = 0;
    virtual void setInteger(std::string_view key, std::int64_t value) = 0;
    virtual void setBool(std::string_view key, bool value) = 0;
    virtual void setString(std::string_view key, std::string_view value) = 0;
    virtual void setDate(std::string_view key, Instant value) = 0;
    /// Picks up changes that another program made to a persistent store since it was last read.
    virtual void refresh() {}
    /// Why the stored settings cannot be used at all (for example a file that cannot be read); empty when
    /// they can. Readers then see 0, false and absent, which are not the user's settings.
    virtual std::string unavailableReason() const { return {}; }
};

/// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool isValidUtf8(std::string_view text);

/// In-memory store with the typed semantics; the file-backed store builds on it.
class MemoryKeyValueStore : public KeyValueStore {
public:
    std::int64_t integerForKey(std::string_view key) const override;
    bool boolForKey(std::string_view key) const override;
    std::optional<std::string> stringForKey(std::string_view key) const override;
    std::optional<Instant> dateForKey(std::string_view key) const override;
    std::optional<StoredValue> valueForKey(std::string_view key) const override;
    void setInteger(std::string_view key, std::int64_t value) override { put(key, value); }
    void setBool(std::string_view key, bool value) override { put(key, value); }
    void setString(std::string_view key, std::string_view value) override { put(key, std::string(value)); }
    void setDate(std::string_view key, Instant value) override { put(key, value); }

    const std::map<std::string, StoredValue, std::less<>>& values() const { return m_values; }

protected:
    /// Called before every write; the file-backed store reads the file again here, so that a value is
    /// compared with what is stored now.
    virtual void beforeWrite() {}
    /// Called after every write that changed a value; the file-backed store persists here.
    virtual void changed() {}
    /// Called after every write that changed `key`, before `changed()` would be; stores that merge by key override it.
    virtual void keyChanged(std::string_view /*key*/) { changed(); }
    std::map<std::string, StoredValue, std::less<>> m_values;

private:
    void put(std::string_view key, StoredValue v);
};

}  // namespace vantro
