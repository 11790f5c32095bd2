// SPDX-License-Identifier: MIT
// What tells one version of a file from another.
#include "platform/file_stamp.h"

namespace vantro {
namespace {

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

FileStamp FileStamp::of(const struct stat& st) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modified = st.st_mtim;
    stamp.statusChanged = st.st_ctim;
    return stamp;
}

FileStamp FileStamp::ofPath(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    return of(st);
}

bool FileStamp::operator==(const FileStamp& o) const {
    if (!exists || !o.exists) return exists == o.exists;
    return device == o.device && inode == o.inode && size == o.size && sameTime(modified, o.modified) &&
           sameTime(statusChanged, o.statusChanged);
}

}  // namespace vantro
