// SPDX-License-Identifier: MIT
// The settings store as a JSON document on disk, rewritten atomically after every change.
#include "settings/json_key_value_store.h"

#include "platform/atomic_file.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "settings/settings_keys.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace vantro {
namespace {

using Json = nlohmann::json;

constexpr const char* kFileName = "settings.json";

enum class Parsed { Value, Opaque, Damaged };

// Reads one entry: the typed form the store writes, or a plain JSON value as a person might type it.
Parsed parseEntry(const std::string& key, const Json& entry, StoredValue& value) {
    const SettingKey* known = findSettingKey(key);
    if (entry.is_object() && entry.contains("type") && entry["type"].is_string() && entry.contains("value")) {
        const std::string type = entry["type"].get<std::string>();
        const Json& v = entry["value"];
        if (type == "integer") {
            if (!v.is_number_integer() || (v.is_number_unsigned() && v.get<std::uint64_t>() > INT64_MAX)) {
                return Parsed::Damaged;
            }
            value = v.get<std::int64_t>();
        } else if (type == "boolean") {
            if (!v.is_boolean()) return Parsed::Damaged;
            value = v.get<bool>();
        } else if (type == "string") {
            if (!v.is_string()) return Parsed::Damaged;
            value = v.get<std::string>();
        } else if (type == "date") {
            auto t = v.is_string() ? parseIsoUtc(v.get<std::string>()) : std::nullopt;
            if (!t) return Parsed::Damaged;
            value = *t;
        } else {
            // A type from a later version: not ours to judge, kept as it is (a known key must be readable).
            return known ? Parsed::Damaged : Parsed::Opaque;
        }
    } else if (entry.is_boolean()) {
        value = entry.get<bool>();
    } else if (entry.is_number_integer() && !(entry.is_number_unsigned() && entry.get<std::uint64_t>() > INT64_MAX)) {
        value = entry.get<std::int64_t>();
    } else if (entry.is_string()) {
        auto t = known && known->type == SettingType::TimeStamp ? parseIsoUtc(entry.get<std::string>()) : std::nullopt;
        if (t) {
            value = *t;
        } else {
            value = entry.get<std::string>();
        }
    } else {
        return known ? Parsed::Damaged : Parsed::Opaque;
    }
    if (!known) return Parsed::Value;
    // The app's own keys must hold what their readers expect; integers and booleans read as each other.
    const bool fits = [&] {
        switch (known->type) {
            case SettingType::Integer:
            case SettingType::Boolean:
                return std::holds_alternative<std::int64_t>(value) || std::holds_alternative<bool>(value);
            case SettingType::String:
                return std::holds_alternative<std::string>(value);
            case SettingType::TimeStamp:
                return std::holds_alternative<Instant>(value);
        }
        return false;
    }();
    return fits ? Parsed::Value : Parsed::Damaged;
}

Json toJson(const StoredValue& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) return {{"type", "integer"}, {"value", *i}};
    if (auto b = std::get_if<bool>(&v)) return {{"type", "boolean"}, {"value", *b}};
    if (auto s = std::get_if<std::string>(&v)) return {{"type", "string"}, {"value", *s}};
    return {{"type", "date"}, {"value", formatIsoUtc(std::get<Instant>(v))}};
}

// The first name of settings.json.damaged, settings.json.damaged.1, ... that is free.
std::optional<std::string> freeDamagedName(const std::string& path) {
    for (int i = 0; i < 1000; ++i) {
        std::string candidate = path + ".damaged";
        if (i > 0) {
            candidate += '.';
            candidate += std::to_string(i);
        }
        struct stat st {};
        if (lstat(candidate.c_str(), &st) != 0 && errno == ENOENT) return candidate;
    }
    return std::nullopt;
}

}  // namespace

JsonKeyValueStore::JsonKeyValueStore(std::string dir, DebugLog& log)
    : m_dir(std::move(dir)), m_path((std::filesystem::path(m_dir) / kFileName).string()), m_log(log) {
    load();
}

void JsonKeyValueStore::load() {
    std::string error;
    struct stat st {};
    if (stat(m_path.c_str(), &st) != 0 && errno == ENOENT) return;  // first run
    const auto text = readWholeFile(m_path, error);
    if (!text) {
        m_writable = false;
        m_log.warning("settings: " + error + "; settings start empty and changes are not saved");
        return;
    }

    Json doc = Json::parse(*text, nullptr, /*allow_exceptions=*/false);
    std::vector<std::string> damaged;
    bool unreadable = false;
    if (doc.is_discarded() || !doc.is_object()) {
        unreadable = true;
    } else {
        for (const auto& [key, entry] : doc.items()) {
            StoredValue value;
            switch (parseEntry(key, entry, value)) {
                case Parsed::Value:
                    m_values.emplace(key, std::move(value));
                    break;
                case Parsed::Opaque:
                    m_opaque.emplace(key, entry.dump());
                    break;
                case Parsed::Damaged:
                    damaged.push_back(key);
                    break;
            }
        }
    }
    if (!unreadable && damaged.empty()) return;

    // Set the damaged file aside before anything is written over it.
    const auto aside = freeDamagedName(m_path);
    if (!aside || std::rename(m_path.c_str(), aside->c_str()) != 0) {
        m_writable = false;
        m_log.warning("settings: " + m_path + " is damaged and cannot be set aside; changes are not saved");
        return;
    }
    m_damagedCopy = *aside;
    if (unreadable) {
        m_log.warning("settings: " + m_path + " cannot be read as settings; kept it as " + *aside +
                  " and started without settings");
    } else {
        std::string keys;
        for (const auto& k : damaged) keys += (keys.empty() ? "" : ", ") + k;
        m_log.log("settings: " + m_path + " holds values of the wrong type (" + keys + "); kept it as " + *aside +
                  " and started from the rest");
    }
    save();
}

void JsonKeyValueStore::changed() {
    save();
}

bool JsonKeyValueStore::save() {
    if (!m_writable) {
        m_lastSave = false;
        m_log.warning("settings: not saved, " + m_path + " is left as it is");
        return false;
    }
    Json doc = Json::object();
    for (const auto& [key, text] : m_opaque) {
        if (!m_values.count(key)) doc[key] = Json::parse(text, nullptr, false);
    }
    for (const auto& [key, value] : m_values) doc[key] = toJson(value);

    if (!ensureDirectory(m_dir, m_log)) {
        m_lastSave = false;
        return false;
    }
    if (auto error = writeFileAtomically(m_path, doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n")) {
        m_lastSave = false;
        m_log.warning("settings: " + *error);
        return false;
    }
    m_lastSave = true;
    return true;
}

}  // namespace vantro
