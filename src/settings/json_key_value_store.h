// SPDX-License-Identifier: MIT
// The settings store as a JSON document on disk, rewritten atomically after every change.
#pragma once

#include "platform/debug_log.h"
#include "platform/key_value_store.h"

#include <map>
#include <string>

namespace vantro {

/// Keeps every entry with its type ({"type": "integer", "value": 165}); time stamps are ISO 8601 UTC text.
/// A damaged file is kept beside it as settings.json.damaged and the store starts from what could be read;
/// entries it does not understand are written back unchanged.
class JsonKeyValueStore : public MemoryKeyValueStore {
public:
    /// Loads `dir`/settings.json; a missing file is an empty store. `dir` is created on the first write.
    JsonKeyValueStore(std::string dir, DebugLog& log);

    const std::string& path() const { return m_path; }
    /// Writes the whole document now. False, with a log line, when it did not reach the disk.
    bool save();
    /// Whether the last write reached the disk (true before any write).
    bool lastSaveSucceeded() const { return m_lastSave; }
    /// Where the damaged file of this run was kept, empty when the file was sound.
    const std::string& damagedCopy() const { return m_damagedCopy; }

protected:
    void changed() override;

private:
    void load();

    std::string m_dir;
    std::string m_path;
    DebugLog& m_log;
    // Entries of types this version does not know, as JSON text, kept for rewriting.
    std::map<std::string, std::string> m_opaque;
    // False when the file on disk could not be read or set aside: it must not be overwritten.
    bool m_writable = true;
    bool m_lastSave = true;
    std::string m_damagedCopy;
};

}  // namespace vantro
