// SPDX-License-Identifier: MIT
// Whole-file writes that a crash cannot leave half done: temporary file, fsync, rename.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace vantro {

/// Replaces `path` with `content`: the old file stays intact until the new one is complete on disk.
/// A symbolic link is written through: its target is replaced and the link stays a link.
/// Returns an error text on failure (the target is then unchanged), nothing on success.
std::optional<std::string> writeFileAtomically(const std::string& path, std::string_view content);

/// The file a chain of symbolic links ends at (which need not exist yet); `path` itself when it is no link.
/// Absent with `error` set on a loop or an unreadable link.
std::optional<std::string> resolveSymlinks(const std::string& path, std::string& error);

/// An exclusive advisory lock (flock) on a directory, held until destruction, so that writers of the
/// files in it take turns. Blocks while another process holds it.
class DirectoryLock {
public:
    explicit DirectoryLock(const std::string& dir);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;
    bool locked() const { return m_fd >= 0; }
    /// Why the lock could not be taken; empty when it is held.
    const std::string& error() const { return m_error; }

private:
    int m_fd = -1;
    std::string m_error;
};

/// Small files read whole (settings, desktop entries) are at most this large; nobody writes more by hand.
inline constexpr std::size_t kMaxWholeFileBytes = 1024 * 1024;

/// Reads a whole regular file of at most `limit` bytes; absent with `error` set when it cannot be read,
/// is no regular file (a FIFO, a device, a directory: refused without waiting on it) or is larger.
std::optional<std::string> readWholeFile(const std::string& path, std::string& error,
                                         std::size_t limit = kMaxWholeFileBytes);

/// "a directory", "a FIFO", "a device", "a socket": what a file that is not a regular one is.
std::string fileKindName(mode_t mode);

}  // namespace vantro
