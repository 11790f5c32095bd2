// SPDX-License-Identifier: MIT
// The file watch on Linux: inotify on the file's directory, read on a thread that sleeps until it changes.
#include "platform/inotify_file_watch.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace vantro {

// What the main thread and the watching thread share; the posted calls hold it, so they outlive nothing.
struct InotifyFileWatch::Shared {
    std::function<void()> changed;  // main thread only; cleared by stop()
    std::atomic<bool> posted{false};
};

InotifyFileWatch::~InotifyFileWatch() {
    stop();
}

bool InotifyFileWatch::watch(const std::string& path, std::function<void()> changed) {
    stop();
    const std::filesystem::path file(path);
    const std::string dir = file.parent_path().empty() ? "." : file.parent_path().string();
    m_inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_inotify < 0) {
        m_log.warning("file watch: cannot watch " + path + ": " + std::strerror(errno));
        return false;
    }
    // Written in place, closed after writing, renamed onto or away, removed.
    const uint32_t mask = IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE;
    if (inotify_add_watch(m_inotify, dir.c_str(), mask) < 0) {
        m_log.warning("file watch: cannot watch " + dir + ": " + std::strerror(errno));
        close(m_inotify);
        m_inotify = -1;
        return false;
    }
    m_stop = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stop < 0) {
        m_log.warning(std::string("file watch: ") + std::strerror(errno));
        close(m_inotify);
        m_inotify = -1;
        return false;
    }
    m_shared = std::make_shared<Shared>();
    m_shared->changed = std::move(changed);
    m_thread = std::thread(
        [this, fd = m_inotify, stopFd = m_stop, name = file.filename().string()] { run(fd, stopFd, name); });
    return true;
}

void InotifyFileWatch::stop() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        if (write(m_stop, &one, sizeof one) < 0) {
            // The thread is woken by the eventfd only; without it, it would never end.
            m_log.warning(std::string("file watch: cannot stop: ") + std::strerror(errno));
        }
        m_thread.join();
    }
    if (m_shared) m_shared->changed = nullptr;
    m_shared.reset();
    if (m_inotify >= 0) close(m_inotify);
    if (m_stop >= 0) close(m_stop);
    m_inotify = m_stop = -1;
}

void InotifyFileWatch::run(int inotifyFd, int stopFd, std::string name) {
    const std::weak_ptr<Shared> weak = m_shared;
    RunLoop& loop = m_loop;
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        pollfd fds[2] = {{inotifyFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        bool ours = false;
        for (;;) {
            const ssize_t n = read(inotifyFd, buffer, sizeof buffer);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                // The overflow event names nothing: anything may have changed.
                if ((event->mask & IN_Q_OVERFLOW) || (event->len > 0 && name == event->name)) ours = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        auto shared = weak.lock();
        if (!ours || !shared || shared->posted.exchange(true)) continue;
        // One call per burst: the next change after it has run posts again.
        loop.post([weak] {
            auto s = weak.lock();
            if (!s) return;
            s->posted = false;
            if (s->changed) s->changed();
        });
    }
}

}  // namespace vantro
