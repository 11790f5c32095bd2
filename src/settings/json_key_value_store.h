// SPDX-License-Identifier: MIT
// The settings store as a JSON document on disk, rewritten atomically after every change.
#pragma once

#include "platform/debug_log.h"
#include "platform/file_stamp.h"
#include "platform/key_value_store.h"

#include <cstddef>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

/// What a settings file holds, as read from its bytes.
struct SettingsDocument {
    std::map<std::string, StoredValue, std::less<>> values;
    /// Entries of types this version does not know, as compact JSON text, kept for rewriting.
    std::map<std::string, std::string, std::less<>> opaque;
    /// Keys whose entries are damaged (a known key with the wrong type, a type with a wrong value).
    std::vector<std::string> damagedKeys;
    /// Why the bytes as a whole are no settings document (syntax, nesting, size); empty when they are.
    std::string error;
    bool sound() const { return error.empty() && damagedKeys.empty(); }
};

/// Keeps every entry with its type ({"type": "integer", "value": 165}); time stamps are ISO 8601 UTC text.
/// A damaged file is kept beside it as settings.json.damaged and the store goes on with the values it last
/// read (at a start, with what could be read) and writes them back; a damaged entry is never replaced by
/// 0 or "now". Entries it does not understand are written back unchanged. Only a regular file is read.
///
/// Several programs may share the file: every write takes an advisory lock on the directory, reads the
/// file again if another program replaced it, and applies only this store's changed keys onto it.
class JsonKeyValueStore : public MemoryKeyValueStore {
public:
    /// Files larger than this, or nested deeper, are damaged: nobody writes such settings by hand.
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;
    static constexpr int kMaxDepth = 64;
    /// A file that is no document (empty, cut short) is read this many times more, this far apart, before
    /// it is taken for damaged: a writer may be writing it in place.
    static constexpr int kRereads = 2;
    static constexpr double kRereadSeconds = 0.25;

    /// Loads `dir`/settings.json; a missing file is an empty store. `dir` is created on the first write.
    JsonKeyValueStore(std::string dir, DebugLog& log, double rereadSeconds = kRereadSeconds);
    /// `dir`/settings.json.
    static std::string pathIn(const std::string& dir);

    const std::string& path() const { return m_path; }
    /// Writes the document now (merged with the file on disk). False, with a log line, when it did not reach
    /// the disk.
    bool save();
    /// Whether the last write reached the disk (true before any write).
    bool lastSaveSucceeded() const { return m_lastSave; }
    /// Where the damaged file of this run was kept, empty when the file was sound.
    const std::string& damagedCopy() const { return m_damagedCopy; }
    /// One line naming the file when it exists but cannot be read; empty otherwise. Nothing is then written.
    std::string unavailableReason() const override { return m_unavailable; }
    /// Reads the file again when another program replaced or changed it since this store last saw it.
    void refresh() override;

    /// Text that is not UTF-8 is refused (logged, not stored) instead of being stored altered.
    void setString(std::string_view key, std::string_view value) override;

    /// Reads a settings document from bytes in memory; never throws, never recurses without a bound.
    static SettingsDocument parse(std::string_view bytes);
    /// The file's text for a document: one entry per line, every entry compact, so its size is linear in
    /// what it holds.
    static std::string serialize(const SettingsDocument& document);

protected:
    void keyChanged(std::string_view key) override;
    void beforeWrite() override;

private:
    enum class ReadResult { Missing, Unchanged, Read, Failed };
    ReadResult readLocked(std::string& text, FileStamp& stamp, std::string& failure) const;
    FileStamp stampOnDisk() const;
    // Both run with the directory locked (or absent); false when the file must not be written.
    bool reloadLocked(bool& setAside);
    bool writeLocked();
    void loadUnderLock();

    std::string m_dir;
    std::string m_path;
    DebugLog& m_log;
    double m_rereadSeconds;
    std::map<std::string, std::string, std::less<>> m_opaque;
    // Values this store changed and has not yet written; they win over what another program wrote.
    std::map<std::string, StoredValue, std::less<>> m_unsaved;
    FileStamp m_seen;
    std::string m_unavailable;
    bool m_lastSave = true;
    std::string m_damagedCopy;
};

}  // namespace vantro
