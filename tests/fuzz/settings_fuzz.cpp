// SPDX-License-Identifier: MIT
// Any settings file parses without a fault and within bounds; every value read for a key of the app is within
// what its command or page takes; a sound one serialises to text that parses to the same values and unknown
// entries, and serialising that again gives the same bytes.
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vantro::JsonKeyValueStore;
    const auto doc = JsonKeyValueStore::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!doc.error.empty()) return 0;
    for (const auto& [key, value] : doc.values) {
        const auto* known = vantro::findSettingKey(key);
        if (!known || known->type != vantro::SettingType::Integer || known->editorMin == known->editorMax) continue;
        const std::int64_t v =
            std::holds_alternative<bool>(value) ? std::get<bool>(value) : std::get<std::int64_t>(value);
        if (v < known->editorMin || v > known->editorMax) std::abort();
    }
    // Damaged entries are dropped by the store (the file is kept aside); the rest must survive a rewrite.
    const std::string text = JsonKeyValueStore::serialize(doc);
    const auto again = JsonKeyValueStore::parse(text);
    if (!again.sound() || again.values != doc.values || again.opaque != doc.opaque) std::abort();
    if (JsonKeyValueStore::serialize(again) != text) std::abort();
    return 0;
}
