// SPDX-License-Identifier: MIT
// Whole-file writes that a crash cannot leave half done: temporary file, fsync, rename.
#include "platform/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vantro {
namespace {

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

std::optional<std::string> resolveSymlinks(const std::string& path, std::string& error) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = readlink(current.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) {
            error = errnoText("cannot read the link " + current);
            return std::nullopt;
        }
        std::string next(target.data(), static_cast<std::size_t>(n));
        current = !next.empty() && next.front() == '/' ? next : parentOf(current) + "/" + next;
    }
    error = "too many levels of symbolic links at " + path;
    return std::nullopt;
}

DirectoryLock::DirectoryLock(const std::string& dir) {
    m_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errnoText("cannot open " + dir + " to lock it");
        return;
    }
    while (flock(m_fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        m_error = errnoText("cannot lock " + dir);
        close(m_fd);
        m_fd = -1;
        return;
    }
}

DirectoryLock::~DirectoryLock() {
    if (m_fd >= 0) close(m_fd);  // closing releases the lock
}

std::optional<std::string> writeFileAtomically(const std::string& linkOrPath, std::string_view content) {
    // Renaming over a symbolic link would replace the link; the file it points to is the one to replace.
    std::string resolveError;
    const auto resolved = resolveSymlinks(linkOrPath, resolveError);
    if (!resolved) return resolveError;
    const std::string& path = *resolved;
    // The temporary file lives beside the target so that rename() stays within one file system.
    std::string tmpl = path + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) return errnoText("cannot create a temporary file beside " + path);
    const std::string tmp(name.data());

    // Keep the permissions of the file being replaced (mkstemp gives 0600).
    struct stat old {};
    if (stat(path.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);

    auto fail = [&](const std::string& what) {
        std::string message = errnoText(what);
        close(fd);
        unlink(tmp.c_str());
        return std::optional<std::string>(message);
    };
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("cannot write " + tmp);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) return fail("cannot flush " + tmp);
    if (close(fd) != 0) {
        std::string message = errnoText("cannot close " + tmp);
        unlink(tmp.c_str());
        return message;
    }
    if (rename(tmp.c_str(), path.c_str()) != 0) {
        std::string message = errnoText("cannot replace " + path);
        unlink(tmp.c_str());
        return message;
    }
    // Make the rename itself durable.
    const int dirFd = open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return std::nullopt;
}

std::string fileKindName(mode_t mode) {
    if (S_ISREG(mode)) return "a regular file";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

std::optional<std::string> readWholeFile(const std::string& path, std::string& error, std::size_t limit) {
    // Not blocking, so that a FIFO is refused below instead of waiting for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = errnoText("cannot open " + path);
        return std::nullopt;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = fstat(fd, &st) != 0
                    ? errnoText("cannot examine " + path)
                    : "cannot read " + path + ": it is " + fileKindName(st.st_mode) + ", not a regular file";
        close(fd);
        return std::nullopt;
    }
    std::string data;
    char buffer[8192];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errnoText("cannot read " + path);
            close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
        if (data.size() > limit) {
            error = "cannot read " + path + ": it is larger than " + std::to_string(limit / 1024) + " KiB";
            close(fd);
            return std::nullopt;
        }
    }
    close(fd);
    return data;
}

}  // namespace vantro
