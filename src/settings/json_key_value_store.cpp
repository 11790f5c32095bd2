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
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
    // The app's own keys must hold what their readers expect.
    return isValidSettingValue(*known, value) ? Parsed::Value : Parsed::Damaged;
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

std::string dumpCompact(const Json& j) {
    // The parser let only UTF-8 in and setString refuses the rest, so nothing is replaced in practice.
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// What the parser must not see: nesting past the bound (later code recurses over what it hands us),
// and a NUL byte, where the parser would end its input and drop what follows without a word. One pass,
// so that parsing stays linear (a parse with a callback per entry does not).
std::string scanProblem(std::string_view bytes) {
    int depth = 0;
    bool inString = false, escaped = false;
    for (const char c : bytes) {
        if (c == '\0') return "holds a NUL byte, which is not JSON text";
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > JsonKeyValueStore::kMaxDepth) {
                return "nests deeper than " + std::to_string(JsonKeyValueStore::kMaxDepth) + " levels";
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return {};
}

}  // namespace

SettingsDocument JsonKeyValueStore::parse(std::string_view bytes) {
    SettingsDocument result;
    if (bytes.size() > kMaxFileBytes) {
        result.error = "is larger than " + std::to_string(kMaxFileBytes / 1024) + " KiB";
        return result;
    }
    if (const std::string problem = scanProblem(bytes); !problem.empty()) {
        result.error = problem;
        return result;
    }
    Json doc = Json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
    if (doc.is_discarded()) {
        result.error = "is not JSON text in UTF-8";
        return result;
    }
    if (!doc.is_object()) {
        result.error = "is not a JSON object";
        return result;
    }
    for (const auto& [key, entry] : doc.items()) {
        StoredValue value;
        switch (parseEntry(key, entry, value)) {
            case Parsed::Value:
                result.values.emplace(key, std::move(value));
                break;
            case Parsed::Opaque:
                result.opaque.emplace(key, dumpCompact(entry));
                break;
            case Parsed::Damaged:
                result.damagedKeys.push_back(key);
                break;
        }
    }
    return result;
}

std::string JsonKeyValueStore::serialize(const SettingsDocument& document) {
    std::map<std::string_view, std::string> lines;
    for (const auto& [key, text] : document.opaque) lines[key] = text;
    for (const auto& [key, value] : document.values) lines[key] = dumpCompact(toJson(value));
    std::string out = "{";
    const char* separator = "\n";
    for (const auto& [key, text] : lines) {
        out += separator;
        out += "  " + dumpCompact(Json(std::string(key))) + ": " + text;
        separator = ",\n";
    }
    out += "\n}\n";
    return out;
}

FileStamp JsonKeyValueStore::stampOnDisk() const {
    return FileStamp::ofPath(m_path);
}

JsonKeyValueStore::JsonKeyValueStore(std::string dir, DebugLog& log, double rereadSeconds)
    : m_dir(std::move(dir)), m_path(pathIn(m_dir)), m_log(log), m_rereadSeconds(rereadSeconds) {
    loadUnderLock();
}

std::string JsonKeyValueStore::pathIn(const std::string& dir) {
    return (std::filesystem::path(dir) / kFileName).string();
}

void JsonKeyValueStore::beforeWrite() {
    // A value is compared with the file as it is now: one another program changed is written again.
    refresh();
}

void JsonKeyValueStore::loadUnderLock() {
    struct stat st {};
    if (stat(m_dir.c_str(), &st) != 0 && errno == ENOENT) return;  // first run: nothing to read
    // Reading needs no lock, setting a damaged file aside does; a directory we cannot lock is read anyway.
    DirectoryLock lock(m_dir);
    bool setAside = false;
    if (reloadLocked(setAside) && setAside) writeLocked();
}

void JsonKeyValueStore::refresh() {
    if (m_unavailable.empty() && stampOnDisk() == m_seen) return;
    loadUnderLock();
}

JsonKeyValueStore::ReadResult JsonKeyValueStore::readLocked(std::string& text, FileStamp& stamp,
                                                            std::string& failure) const {
    // Not blocking: a FIFO in the file's place would otherwise hold the companion until someone writes to it.
    const int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return ReadResult::Missing;
        failure = "cannot open " + m_path + ": " + std::strerror(errno);
        return ReadResult::Failed;
    }
    struct stat st {};
    ReadResult result = ReadResult::Read;
    if (fstat(fd, &st) != 0) {
        failure = "cannot examine " + m_path + ": " + std::strerror(errno);
        result = ReadResult::Failed;
    } else if (!S_ISREG(st.st_mode)) {
        failure = "cannot read " + m_path + ": it is " + fileKindName(st.st_mode) + ", not a regular file";
        result = ReadResult::Failed;
    } else {
        stamp = FileStamp::of(st);
        if (stamp == m_seen && m_unavailable.empty()) {
            close(fd);
            return ReadResult::Unchanged;  // nobody changed it since this store read or wrote it
        }
        // One byte more than the limit tells a file that is too large from one that just fits.
        text.clear();
        char buffer[16384];
        while (text.size() <= kMaxFileBytes) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                failure = "cannot read " + m_path + ": " + std::strerror(errno);
                result = ReadResult::Failed;
                break;
            }
            if (n == 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return result;
}

bool JsonKeyValueStore::reloadLocked(bool& setAside) {
    auto unavailable = [&](const std::string& why) {
        m_unavailable = why;
        m_log.warning("settings: " + why + "; the settings are not used and nothing is written");
        return false;
    };
    std::string text;
    FileStamp stamp;
    std::string failure;
    ReadResult read = readLocked(text, stamp, failure);
    if (read == ReadResult::Missing) {
        // Gone (or never there): another program's view is an empty store, so this one's is too.
        if (m_seen.exists) {
            m_values.clear();
            m_opaque.clear();
            for (const auto& [key, value] : m_unsaved) m_values.insert_or_assign(key, value);
        }
        m_seen = {};
        m_unavailable.clear();
        return true;
    }
    if (read == ReadResult::Unchanged) return true;
    if (read == ReadResult::Failed) return unavailable(failure);
    m_unavailable.clear();

    SettingsDocument doc = parse(text);
    // A file that is no document at all may be one a writer is still writing in place (empty, cut
    // short): look again a moment later before taking it for damaged.
    for (int i = 0; i < kRereads && !doc.error.empty() && text.size() <= kMaxFileBytes; ++i) {
        std::this_thread::sleep_for(std::chrono::duration<double>(m_rereadSeconds));
        read = readLocked(text, stamp, failure);
        if (read == ReadResult::Missing || read == ReadResult::Failed) return reloadLocked(setAside);
        if (read == ReadResult::Unchanged) return true;
        doc = parse(text);
    }
    if (!doc.sound()) {
        // Set the damaged file (the link's target, when it is a link) aside before anything is written over it.
        std::string ignored;
        const std::string target = resolveSymlinks(m_path, ignored).value_or(m_path);
        const auto aside = freeDamagedName(target);
        if (!aside || std::rename(target.c_str(), aside->c_str()) != 0) {
            return unavailable(m_path + " is damaged and cannot be set aside");
        }
        m_damagedCopy = *aside;
        const bool known = !m_values.empty();
        if (!doc.error.empty()) {
            m_log.warning("settings: " + m_path + " " + doc.error + " and cannot be read as settings; kept it as " +
                          *aside + (known ? " and kept the settings last read" : " and started without settings"));
        } else {
            std::string keys;
            for (const auto& k : doc.damagedKeys) keys += (keys.empty() ? "" : ", ") + k;
            m_log.warning("settings: " + m_path + " holds values of the wrong type or out of range (" + keys +
                          "); kept it as " + *aside + " and " +
                          (known ? "kept the last values read of those" : "started from the rest"));
        }
        setAside = true;
        stamp = {};
    }
    if (!doc.error.empty()) {
        // Nothing in the file can be trusted: the values last read stay, and are written back.
        m_seen = stamp;
        return true;
    }
    // A damaged key keeps the value last read, so the band is never sent a value nobody chose.
    for (const auto& key : doc.damagedKeys) {
        if (auto it = m_values.find(key); it != m_values.end()) doc.values.insert_or_assign(key, it->second);
    }
    m_values = std::move(doc.values);
    m_opaque = std::move(doc.opaque);
    for (const auto& [key, value] : m_unsaved) m_values.insert_or_assign(key, value);
    m_seen = stamp;
    return true;
}

bool JsonKeyValueStore::writeLocked() {
    if (!m_unavailable.empty()) {
        m_lastSave = false;
        m_log.warning("settings: not saved, " + m_path + " is left as it is");
        return false;
    }
    SettingsDocument doc;
    doc.values = m_values;
    doc.opaque = m_opaque;
    const std::string text = serialize(doc);
    if (text.size() > kMaxFileBytes) {
        // The next read would set such a file aside; refuse the change and go back to what the file holds.
        m_lastSave = false;
        m_log.warning("settings: not saved, the settings would be larger than " + std::to_string(kMaxFileBytes / 1024) +
                      " KiB; " + m_path + " is left as it is");
        m_unsaved.clear();
        m_values.clear();
        m_opaque.clear();
        m_seen = {};
        bool setAside = false;
        reloadLocked(setAside);
        return false;
    }
    if (auto error = writeFileAtomically(m_path, text)) {
        m_lastSave = false;
        m_log.warning("settings: " + *error);
        return false;
    }
    m_unsaved.clear();
    m_seen = stampOnDisk();
    m_lastSave = true;
    return true;
}

void JsonKeyValueStore::setString(std::string_view key, std::string_view value) {
    if (!isValidUtf8(value)) {
        m_lastSave = false;
        m_log.warning("settings: " + std::string(key) + " not changed: the text is not valid UTF-8");
        return;
    }
    MemoryKeyValueStore::setString(key, value);
}

void JsonKeyValueStore::keyChanged(std::string_view key) {
    if (!m_unavailable.empty()) {
        // Never let a value set now (the defaults, say) reach a file whose own values could not be read.
        m_lastSave = false;
        m_log.warning("settings: " + std::string(key) + " not saved: " + m_unavailable);
        return;
    }
    m_unsaved.insert_or_assign(std::string(key), m_values.find(key)->second);
    save();
}

bool JsonKeyValueStore::save() {
    if (!ensureDirectory(m_dir, m_log)) {
        m_lastSave = false;
        return false;
    }
    DirectoryLock lock(m_dir);
    if (!lock.locked()) {
        m_lastSave = false;
        m_log.warning("settings: " + lock.error() + "; not saved");
        return false;
    }
    // Another program may have written since this store last looked: start from its file.
    bool setAside = false;
    if (!reloadLocked(setAside)) {
        m_lastSave = false;
        return false;
    }
    return writeLocked();
}

}  // namespace vantro
