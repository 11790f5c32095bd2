// SPDX-License-Identifier: MIT
// Any settings file parses without a fault and within bounds; a sound one serialises to text that parses to
// the same values and unknown entries, and serialising that again gives the same bytes.
#include "settings/json_key_value_store.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vantro::JsonKeyValueStore;
    const auto doc = JsonKeyValueStore::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!doc.error.empty()) return 0;
    // Damaged entries are dropped by the store (the file is kept aside); the rest must survive a rewrite.
    const std::string text = JsonKeyValueStore::serialize(doc);
    const auto again = JsonKeyValueStore::parse(text);
    if (!again.sound() || again.values != doc.values || again.opaque != doc.opaque) std::abort();
    if (JsonKeyValueStore::serialize(again) != text) std::abort();
    return 0;
}
