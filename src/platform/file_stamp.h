// SPDX-License-Identifier: MIT
// What tells one version of a file from another, to skip reading it again when nobody changed it.
#pragma once

#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

namespace vantro {

/// A file's identity and times: a rename gives a new inode, an edit in place a new size or time.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec statusChanged{};

    static FileStamp of(const struct stat& st);
    /// The stamp of the file at `path`; one that does not exist when it cannot be examined.
    static FileStamp ofPath(const std::string& path);
    /// Two missing files are the same; a missing file differs from any present one.
    bool operator==(const FileStamp& o) const;
};

}  // namespace vantro
